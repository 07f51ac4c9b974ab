// Turns a text description of a model into a 3DS file.
// Usage: model3ds_gen DESCRIPTION.txt OUTPUT.3ds   (see ModelDescription.h)
#include "ModelDescription.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: model3ds_gen DESCRIPTION.txt OUTPUT.3ds\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "model3ds_gen: cannot read '" << argv[1] << "'\n";
        return 1;
    }
    model3ds::Model3ds model;
    std::string error;
    if (!model3ds::parseModelDescription(in, model, error)) {
        std::cerr << "model3ds_gen: " << argv[1] << ": " << error << "\n";
        return 1;
    }
    if (!model3ds::writeModel3dsFile(model, argv[2], &error)) {
        std::cerr << "model3ds_gen: " << error << "\n";
        return 1;
    }
    return 0;
}

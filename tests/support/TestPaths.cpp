#include "TestPaths.h"

#include <cstdlib>
#include <stdexcept>

namespace testpaths {
std::string sourceDir() { return DRIFTFIELD_SOURCE_DIR; }
std::string binaryDir() { return DRIFTFIELD_BINARY_DIR; }

std::string makeScratchDir(const std::string& tag) {
    std::string pattern = "/tmp/driftfield-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("makeScratchDir: mkdtemp failed");
    return pattern;
}
}

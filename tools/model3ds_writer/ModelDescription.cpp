#include "ModelDescription.h"

#include <sstream>

namespace model3ds {
namespace {

std::string trim(const std::string& s) {
    const char* blanks = " \t\r";
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

// Reads exactly `n` numbers and nothing else from the rest of the line.
template <typename T>
bool numbers(std::istringstream& rest, T* out, int n) {
    for (int i = 0; i < n; ++i)
        if (!(rest >> out[i])) return false;
    std::string extra;
    return !(rest >> extra);
}

struct Parser {
    Model3ds& model;
    Material* material = nullptr;
    Object* object = nullptr;
    FaceGroup* group = nullptr;
    bool anySmoothing = false;

    // Returns an empty string on success, otherwise the reason.
    std::string statement(const std::string& line) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        std::string rest;
        std::getline(in, rest);
        rest = trim(rest);
        std::istringstream args(rest);

        if (word == "material") {
            model.materials.emplace_back();
            material = &model.materials.back();
            material->name = rest;
            object = nullptr;
            return "";
        }
        if (word == "object") {
            model.objects.emplace_back();
            object = &model.objects.back();
            object->name = rest;
            group = nullptr;
            material = nullptr;
            return "";
        }
        if (word == "ambient" || word == "diffuse" || word == "specular") {
            if (!material) return "'" + word + "' outside a material";
            float c[3];
            if (!numbers(args, c, 3)) return "'" + word + "' needs three numbers";
            Color& target = word == "ambient" ? material->ambient
                          : word == "diffuse" ? material->diffuse : material->specular;
            target = Color{c[0], c[1], c[2]};
            return "";
        }
        if (word == "shininess" || word == "shinstrength" || word == "transparency") {
            if (!material) return "'" + word + "' outside a material";
            float p;
            if (!numbers(args, &p, 1)) return "'" + word + "' needs one number";
            (word == "shininess" ? material->shininess
             : word == "shinstrength" ? material->shinStrength : material->transparency) = p;
            return "";
        }
        if (word == "twosided") {
            if (!material) return "'twosided' outside a material";
            if (!rest.empty()) return "'twosided' takes nothing";
            material->twoSided = true;
            return "";
        }
        if (word == "texture" || word == "bump") {
            if (!material) return "'" + word + "' outside a material";
            if (rest.empty()) return "'" + word + "' needs a file name";
            (word == "texture" ? material->textureMap : material->bumpMap) = rest;
            return "";
        }
        if (!object) return "'" + word + "' outside an object";
        if (word == "v") {
            float p[3];
            if (!numbers(args, p, 3)) return "'v' needs three numbers";
            object->vertices.push_back(Vec3{p[0], p[1], p[2]});
            return "";
        }
        if (word == "vt") {
            float t[2];
            if (!numbers(args, t, 2)) return "'vt' needs two numbers";
            object->texcoords.push_back(Vec2{t[0], t[1]});
            return "";
        }
        if (word == "usemtl") {
            if (rest.empty()) return "'usemtl' needs a material name";
            object->groups.push_back(FaceGroup{rest, {}});
            group = &object->groups.back();
            return "";
        }
        if (word == "f") {
            long v[4] = {0, 0, 0, 0};
            long n = 0;
            std::string token;
            while (args >> token) {
                if (n == 4) return "'f' takes three vertex numbers and a smoothing mask";
                std::istringstream t(token);
                if (!(t >> v[n]) || !t.eof() || v[n] < 0) return "bad number '" + token + "'";
                ++n;
            }
            if (n < 3) return "'f' needs three vertex numbers";
            for (int i = 0; i < 3; ++i)
                if (v[i] >= static_cast<long>(object->vertices.size()))
                    return "vertex " + std::to_string(v[i]) + " not defined yet";
            if (n == 4) anySmoothing = true;
            if (object->faces.size() >= 0xFFFF) return "more than 65535 faces";
            if (group) group->faces.push_back(static_cast<std::uint16_t>(object->faces.size()));
            object->faces.push_back(Face{static_cast<std::uint16_t>(v[0]),
                                         static_cast<std::uint16_t>(v[1]),
                                         static_cast<std::uint16_t>(v[2]), 7});
            object->smoothingGroups.push_back(static_cast<std::uint32_t>(v[3]));
            return "";
        }
        return "unknown statement '" + word + "'";
    }
};

}  // namespace

bool parseModelDescription(std::istream& in, Model3ds& model, std::string& error) {
    Parser parser{model};
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        if (trim(line).empty()) continue;
        std::string why = parser.statement(line);
        if (!why.empty()) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    if (!parser.anySmoothing)
        for (Object& o : model.objects) o.smoothingGroups.clear();
    return true;
}

}  // namespace model3ds

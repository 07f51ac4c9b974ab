#pragma once
// A line-based text description of a model, turned into a Model3ds for the
// writer. One statement per line; '#' starts a comment; names run to the end
// of the line (blanks inside are kept, blanks around are not).
//
//   material NAME          starts a material; the lines below fill it:
//     ambient R G B        colours, 0..1
//     diffuse R G B
//     specular R G B
//     shininess P          percentages, 0..100
//     shinstrength P
//     transparency P
//     twosided
//     texture FILE         texture map file name, beside the model
//     bump FILE            bump map file name
//   object NAME            starts an object; the lines below fill it:
//     v X Y Z              a vertex, file coordinates (z up)
//     vt U V               texture coordinates of the vertex of the same number
//     usemtl NAME          faces from here on belong to this material's group
//     f A B C [S]          a triangle by 0-based vertex numbers, with an
//                          optional smoothing-group bit mask S
//
// Smoothing groups are written only when some face gives one (0 for the
// others).
#include "Model3dsWriter.h"

#include <istream>
#include <string>

namespace model3ds {

// Returns false with "line N: reason" in `error` on the first bad line.
bool parseModelDescription(std::istream& in, Model3ds& model, std::string& error);

}  // namespace model3ds

#pragma once
// Where the test binaries find the source tree (assets, fixtures, tools) and
// make scratch folders of their own.
#include <string>

namespace testpaths {
std::string sourceDir();                 // the repository root
std::string binaryDir();                 // the build folder
// A fresh empty folder under the system's temp dir, removed by the caller
// (or left for post-mortem when a test fails).
std::string makeScratchDir(const std::string& tag);
}

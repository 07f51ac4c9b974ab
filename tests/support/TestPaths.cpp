#include "TestPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testpaths {
std::string sourceDir() { return DRIFTFIELD_SOURCE_DIR; }
std::string binaryDir() { return DRIFTFIELD_BINARY_DIR; }
std::string tempDir() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}
}

ScratchDir::ScratchDir(const std::string& tag)
    : dir(testpaths::tempDir() + "/driftfield-" + tag + "-XXXXXX"), owner(getpid()) {
    if (!mkdtemp(dir.data())) throw std::runtime_error("ScratchDir: mkdtemp failed");
}

ScratchDir::~ScratchDir() {
    if (getpid() != owner || std::getenv("DRIFTFIELD_KEEP_SCRATCH")) return;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

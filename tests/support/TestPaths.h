#pragma once
// Where the test binaries find the source tree (assets, fixtures, tools) and
// make scratch folders of their own.
#include <sys/types.h>

#include <string>

namespace testpaths {
std::string sourceDir();  // the repository root
std::string binaryDir();  // the build folder
// $TMPDIR when set, else /tmp. scripts/test points TMPDIR at a folder of the
// run's own and removes it at the end, with whatever crashed tests left.
std::string tempDir();
}

// A fresh empty folder under testpaths::tempDir(), removed with all it holds
// when the object goes, also after a failed test. Set DRIFTFIELD_KEEP_SCRATCH
// to keep it for a post-mortem. A forked child leaves it to its parent.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return dir; }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
    pid_t owner;
};

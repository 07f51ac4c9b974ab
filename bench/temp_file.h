#pragma once
// A file a benchmark writes once and reads while it runs: made under $TMPDIR
// (else /tmp) with a name of its own, and removed when the static that holds
// it goes at exit.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace bench {

class TempFile {
public:
    // The suffix keeps the extension that readers go by (".3ds", ".wav").
    explicit TempFile(const std::string& suffix) {
        const char* dir = std::getenv("TMPDIR");
        name = std::string(dir && *dir ? dir : "/tmp") + "/driftfield-bench-XXXXXX" + suffix;
        const int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
        if (fd < 0) {
            std::perror(name.c_str());
            std::exit(1);
        }
        close(fd);
    }
    ~TempFile() { std::remove(name.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return name; }

private:
    std::string name;
};

}  // namespace bench

#include "SafeFileWrite.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace safefile {
namespace {

bool writeAll(int fd, const std::string& contents) {
    const char* p = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

std::string temporaryFor(const std::string& path) { return path + ".tmp"; }

bool writeTemporary(const std::string& path, const std::string& contents) {
    const std::string tmp = temporaryFor(path);
    // A temporary left by an interrupted save is simply overwritten.
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool commitTemporary(const std::string& path) {
    const std::string tmp = temporaryFor(path);
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    // The rename lives in the folder's entries: sync them too. A folder that
    // cannot be opened or synced leaves the rename done, only less durable.
    int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool replaceContents(const std::string& path, const std::string& contents) {
    return writeTemporary(path, contents) && commitTemporary(path);
}

}  // namespace safefile

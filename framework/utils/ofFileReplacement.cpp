#include "ofFileReplacement.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A name of its own for every replacement, so that two saves of one file
// never write into the same temporary.
std::string uniqueSuffix() {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    unsigned char bytes[8];
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno != EINTR) return {};
        if (n > 0) got += size_t(n);
    }
    std::string suffix;
    for (unsigned char b : bytes) suffix += digits[b % (sizeof digits - 1)];
    return suffix;
}

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
        left -= size_t(n);
    }
    return true;
}

}  // namespace

// A loop of links is left to fail later, when the file is looked at.
std::string ofReplacedFile(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char buf[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        if (n < 0 || n == ssize_t(sizeof buf)) break;
        std::string to(buf, size_t(n));
        path = to[0] == '/' ? to : folderOf(path) + "/" + to;
    }
    return path;
}

ofFileReplacement::ofFileReplacement(const std::string& path) : target(ofReplacedFile(path)) {
    struct stat old;
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0) return;
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return;
        keepMode = true;
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return;
    }
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        const std::string suffix = uniqueSuffix();
        if (suffix.empty()) return;
        temporary = target + ".tmp" + suffix;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) temporary.clear();
}

ofFileReplacement::~ofFileReplacement() { discard(); }

void ofFileReplacement::discard() {
    if (fd < 0) return;
    ::close(fd);
    ::unlink(temporary.c_str());
    fd = -1;
}

bool ofFileReplacement::write(const std::string& contents) {
    if (!ready()) return false;
    if (writeAll(fd, contents)) return true;
    discard();
    return false;
}

bool ofFileReplacement::commit() {
    if (!ready()) return false;
    // fsync reaches what any writer put into the file, also one that opened
    // it by name.
    bool ok = ::fsync(fd) == 0 && (!keepMode || ::fchmod(fd, mode) == 0);
    if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
        discard();
        return false;
    }
    ::close(fd);
    fd = -1;
    // The rename lives in the folder's entries: sync them too. A folder that
    // cannot be opened or synced leaves the rename done, only less durable.
    int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool ofReplaceFileContents(const std::string& path, const std::string& contents) {
    ofFileReplacement file(path);
    return file.write(contents) && file.commit();
}

#pragma once
// Captures everything written to the process's standard output (C stdio and
// std::cout alike) between construction and finish(), by pointing file
// descriptor 1 at a temporary file. Log lines are part of the behaviour, so
// tests compare what this returns byte for byte.
#include <functional>
#include <string>
#include <sys/types.h>

class CaptureStdout {
public:
    CaptureStdout();
    ~CaptureStdout();
    CaptureStdout(const CaptureStdout&) = delete;
    CaptureStdout& operator=(const CaptureStdout&) = delete;

    // Restores standard output and returns what was written meanwhile.
    // Later calls return the same text.
    std::string finish();

private:
    int savedFd = -1;
    int tempFd = -1;
    bool finished = false;
    std::string text;
};

// What `body` writes to standard output when run in a forked child, which
// then leaves with _exit(0) unless body ended it; status is its wait status,
// or -1 when it could not be had.
std::string stdoutOfAChild(const std::function<void()>& body, int& status);

// What `body` writes to standard output when run in a forked child in which
// no file may grow past `bytes`, as on a disk that fills up: writes beyond
// fail (EFBIG), and this process keeps no limit. A child that does not end
// normally fails the test.
std::string stdoutOnAFullDisk(off_t bytes, const std::function<void()>& body);

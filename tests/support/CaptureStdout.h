#pragma once
// Captures everything written to the process's standard output (C stdio and
// std::cout alike) between construction and finish(), by pointing file
// descriptor 1 at a temporary file. Log lines are part of the behaviour, so
// tests compare what this returns byte for byte.
#include <string>

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

#include "CaptureStdout.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

CaptureStdout::CaptureStdout() {
    std::cout.flush();
    std::fflush(stdout);
    char path[] = "/tmp/driftfield-stdout-XXXXXX";
    tempFd = mkstemp(path);
    if (tempFd < 0) throw std::runtime_error("CaptureStdout: mkstemp failed");
    unlink(path);
    savedFd = dup(STDOUT_FILENO);
    dup2(tempFd, STDOUT_FILENO);
}

CaptureStdout::~CaptureStdout() {
    finish();
}

std::string CaptureStdout::finish() {
    if (finished) return text;
    finished = true;
    std::cout.flush();
    std::fflush(stdout);
    dup2(savedFd, STDOUT_FILENO);
    close(savedFd);
    lseek(tempFd, 0, SEEK_SET);
    char buf[4096];
    ssize_t n;
    while ((n = read(tempFd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    close(tempFd);
    return text;
}

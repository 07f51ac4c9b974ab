#include "CaptureStdout.h"
#include "TestPaths.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

CaptureStdout::CaptureStdout() {
    std::cout.flush();
    std::fflush(stdout);
    std::string path = testpaths::tempDir() + "/driftfield-stdout-XXXXXX";
    tempFd = mkstemp(path.data());
    if (tempFd < 0) throw std::runtime_error("CaptureStdout: mkstemp failed");
    unlink(path.c_str());
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

std::string stdoutOfAChild(const std::function<void()>& body, int& status) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("stdoutOfAChild: pipe failed");
    std::cout.flush();
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        body();
        std::fflush(stdout);
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
    close(out[0]);
    status = -1;
    if (child < 0 || waitpid(child, &status, 0) != child) status = -1;
    return text;
}

std::string stdoutOnAFullDisk(off_t bytes, const std::function<void()>& body) {
    int status = 0;
    const std::string text = stdoutOfAChild(
        [&] {
            const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
            if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(2);
            body();
        },
        status);
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with status " << status;
    return text;
}

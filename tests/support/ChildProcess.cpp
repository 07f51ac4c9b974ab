#include "ChildProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {
long nowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}
}

ChildProcess::ChildProcess(const std::function<void()>& body) {
    int out[2], in[2];
    if (pipe(out) != 0 || pipe(in) != 0) abort();
    std::cout.flush();
    fflush(nullptr);
    childPid = fork();
    if (childPid < 0) abort();
    if (childPid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(in[0], STDIN_FILENO);
        close(out[0]);
        close(out[1]);
        close(in[0]);
        close(in[1]);
        body();
        fflush(nullptr);
        _exit(111);
    }
    close(out[1]);
    close(in[0]);
    fromChild = out[0];
    toChild = in[1];
}

ChildProcess::~ChildProcess() {
    if (childPid > 0) {
        kill(childPid, SIGKILL);
        waitpid(childPid, nullptr, 0);
    }
    if (fromChild >= 0) close(fromChild);
    if (toChild >= 0) close(toChild);
}

bool ChildProcess::readLine(std::string& line, int timeoutMs) {
    long deadline = nowMs() + timeoutMs;
    for (;;) {
        size_t nl = pending.find('\n');
        if (nl != std::string::npos) {
            line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            return true;
        }
        if (ended) {
            if (pending.empty()) return false;
            line.swap(pending);
            pending.clear();
            return true;
        }
        long left = deadline - nowMs();
        if (left <= 0) return false;
        pollfd pfd = {fromChild, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        ssize_t n = read(fromChild, buf, sizeof(buf));
        if (n <= 0) {
            ended = true;
        } else {
            pending.append(buf, static_cast<size_t>(n));
        }
    }
}

std::vector<std::string> ChildProcess::readUntil(const std::string& wanted, int timeoutMs) {
    long deadline = nowMs() + timeoutMs;
    std::vector<std::string> lines;
    std::string line;
    while (readLine(line, static_cast<int>(std::max(0L, deadline - nowMs())))) {
        lines.push_back(line);
        if (line == wanted) break;
    }
    return lines;
}

std::vector<std::string> ChildProcess::readAll(int timeoutMs) {
    long deadline = nowMs() + timeoutMs;
    std::vector<std::string> lines;
    std::string line;
    while (readLine(line, static_cast<int>(std::max(0L, deadline - nowMs())))) lines.push_back(line);
    return lines;
}

void ChildProcess::writeLine(const std::string& line) {
    std::string text = line + "\n";
    if (write(toChild, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        // The child is gone; its status tells the test why.
    }
}

int ChildProcess::waitExit(int timeoutMs) {
    long deadline = nowMs() + timeoutMs;
    int status = 0;
    for (;;) {
        pid_t r = waitpid(childPid, &status, WNOHANG);
        if (r == childPid) break;
        if (r < 0 || nowMs() > deadline) {
            kill(childPid, SIGKILL);
            waitpid(childPid, nullptr, 0);
            childPid = -1;
            return -1;
        }
        usleep(5000);
    }
    childPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void childSay(const std::string& line) {
    fputs(line.c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

std::string childListen() {
    std::string line;
    int c;
    while ((c = getchar()) != EOF && c != '\n') line += static_cast<char>(c);
    return line;
}

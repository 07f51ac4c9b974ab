#include "ChildProcess.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
int msLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}
}

ChildProcess::ChildProcess(const std::function<void()>& body) {
    int out[2], in[2];
    if (pipe(out) != 0 || pipe(in) != 0) abort();
    std::cout.flush();
    fflush(nullptr);
    const pid_t test = getpid();
    pid = fork();
    if (pid < 0) abort();
    if (pid == 0) {
        // Ends with the test, should the test crash or be killed on a
        // timeout, rather than run its frame loop on for the rest of the run.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != test) _exit(125);
        dup2(out[1], STDOUT_FILENO);
        dup2(in[0], STDIN_FILENO);
        for (int fd : {out[0], out[1], in[0], in[1]}) close(fd);
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
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    close(fromChild);
    close(toChild);
}

bool ChildProcess::readLine(std::string& line, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t nl;
    while ((nl = pending.find('\n')) == std::string::npos) {
        pollfd pfd = {fromChild, POLLIN, 0};
        if (poll(&pfd, 1, msLeft(deadline)) <= 0) return false;
        char buf[4096];
        ssize_t n = read(fromChild, buf, sizeof(buf));
        if (n <= 0) return false;
        pending.append(buf, static_cast<size_t>(n));
    }
    line = pending.substr(0, nl);
    pending.erase(0, nl + 1);
    return true;
}

std::vector<std::string> ChildProcess::readUntil(const std::string& last, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> lines;
    std::string line;
    while ((lines.empty() || lines.back() != last) && readLine(line, msLeft(deadline))) lines.push_back(line);
    return lines;
}

void ChildProcess::writeLine(const std::string& line) {
    std::string text = line + "\n";
    // A child that is gone shows in its exit status.
    (void)!write(toChild, text.data(), text.size());
}

int ChildProcess::waitExit(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (msLeft(deadline) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
            return -1;
        }
        usleep(5000);
    }
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void childSay(const std::string& line) {
    printf("%s\n", line.c_str());
    fflush(stdout);
}

std::string childListen() {
    std::string line;
    for (int c; (c = getchar()) != EOF && c != '\n';) line += static_cast<char>(c);
    return line;
}

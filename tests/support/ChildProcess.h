#pragma once
// Runs a piece of the test in a forked child whose standard input and output
// are pipes to the test: for code that never returns and ends the process
// through exit(), such as the GLUT frame loop.
#include <functional>
#include <string>
#include <vector>

class ChildProcess {
public:
    // body runs in the child; if it returns, the child ends with status 111.
    explicit ChildProcess(const std::function<void()>& body);
    // Kills the child if it is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Next line of the child's output without its newline; false at the end
    // of its output or after timeoutMs.
    bool readLine(std::string& line, int timeoutMs = 10000);
    // Reads lines up to and including `wanted`, which the result ends with
    // unless it never came.
    std::vector<std::string> readUntil(const std::string& wanted, int timeoutMs = 10000);
    // Everything up to the end of the child's output.
    std::vector<std::string> readAll(int timeoutMs = 10000);
    void writeLine(const std::string& line);

    // The exit code when the child exited normally, -1 on a signal or when it
    // did not end within timeoutMs (it is then killed).
    int waitExit(int timeoutMs = 10000);
    int pid() const { return childPid; }

private:
    int childPid = -1;
    int fromChild = -1;
    int toChild = -1;
    std::string pending;
    bool ended = false;
};

// Inside the child: one line to the test, flushed at once.
void childSay(const std::string& line);
// Inside the child: the next line from the test.
std::string childListen();

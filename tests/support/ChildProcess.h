#pragma once
// Runs part of a test in a forked child whose standard input and output are
// pipes to the test: for code that never returns and ends the process through
// exit(), such as the GLUT frame loop.
#include <functional>
#include <string>
#include <vector>

class ChildProcess {
public:
    // If body returns, the child ends with status 111.
    explicit ChildProcess(const std::function<void()>& body);
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of the child's output; false at its end or on timeout.
    bool readLine(std::string& line, int timeoutMs = 10000);
    // Lines up to and including `last`, or to the end of the output when
    // `last` is empty or never comes.
    std::vector<std::string> readUntil(const std::string& last = "", int timeoutMs = 10000);
    void writeLine(const std::string& line);
    // The exit status, or -1 after a signal or a timeout (then it is killed).
    int waitExit(int timeoutMs = 10000);

private:
    int pid = -1;
    int fromChild = -1;
    int toChild = -1;
    std::string pending;
};

// In the child: one line to the test, flushed at once, and the next line
// from the test.
void childSay(const std::string& line);
std::string childListen();

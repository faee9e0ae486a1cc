// A program run as a child of the test: its output read as it comes, on
// pipes or on a pseudo-terminal, signals sent to it, and every wait bounded
// so that a hung child fails the test instead of stopping it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ChildSpec {
    std::vector<std::string> args;  // the program first
    bool terminal = false;   // stdin, stdout and stderr on one pseudo-terminal
    bool noRoot = false;     // root's capabilities are not regained at exec
};

class Child {
public:
    explicit Child(const ChildSpec& spec);
    ~Child();  // kills a child still running
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return pid_ > 0; }
    // Reads until `text` shows in the output (standard output and error),
    // the child ends, or limitMs pass; true when it showed.
    bool WaitFor(const std::string& text, int limitMs);
    // Writes to the child's standard input (the terminal in terminal mode).
    void Type(const std::string& text);
    void Signal(int sig);
    // The reader goes away: the output pipe closes, or the terminal hangs up.
    void CloseOutput();
    // The exit code once it ends within limitMs (128 + signal when one
    // ended it); -1 when it did not, and it is killed.
    int Wait(int limitMs);

    std::string out;  // standard output (everything, in terminal mode)
    std::string err;  // standard error

private:
    void Pump(int limitMs);
    pid_t pid_ = -1;
    int outFd_ = -1, errFd_ = -1, inFd_ = -1;
    int status_ = -1;
    bool terminal_ = false;
};

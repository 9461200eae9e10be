#pragma once

// The processes a crash trial kills: the tool's own (a worker running one save) and the
// private Firebird server. Every wait has a deadline, so that a process that hangs turns
// into a failure with a message instead of a hung test.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace crash {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// True when something accepts connections on the loopback port.
bool listening(int port);

// Makes this process adopt the orphans among its descendants (the server, once the script
// that started it has ended), so that a killed server can be reaped and is surely gone.
void adoptOrphans();

// Waits for a child to end; false when it is still running at the deadline.
bool waitForExit(pid_t pid, Millis timeout);

// Sends SIGKILL and reaps; the child is gone when this returns true.
bool killAndReap(pid_t pid, Millis timeout = Millis(10000));

// Runs a program to its end, its output into `outputFile` when one is named; its exit
// code, or nothing when it had to be killed.
std::optional<int> run(const std::vector<std::string>& argv, Millis timeout,
                       const std::string& outputFile = {});

// A worker: a child whose standard output is read line by line.
class Worker
{
public:
    explicit Worker(const std::vector<std::string>& argv);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // The next line (without its line feed); nothing at the deadline or at end of output.
    std::optional<std::string> readLine(Millis timeout);
    // Both true once the worker is gone and reaped; its id is never used again after that.
    bool kill();
    bool waitForExit(Millis timeout);
    // Everything the worker wrote so far, for messages.
    const std::string& output() const { return m_seen; }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    std::string m_buffer;
    std::string m_seen;
};

// The private server, started and restarted through the project's server script.
class Server
{
public:
    Server(std::string script, std::string root, int port);
    ~Server();

    // Starts it and waits until it listens; false (with a message) when it does not.
    bool start(std::string& error);
    // SIGKILL; true once it is reaped and its port is free again.
    bool killHard();
    void stop(); // SIGTERM, then SIGKILL if it lingers
    int port() const { return m_port; }

private:
    std::string m_script;
    std::string m_root;
    int m_port;
    pid_t m_pid = -1;
};

} // namespace crash

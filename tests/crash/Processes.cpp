#include "Processes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace crash {

namespace {

[[noreturn]] void execOrDie(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::fprintf(stderr, "cannot run %s\n", args[0]);
    _exit(127);
}

pid_t spawn(const std::vector<std::string>& argv, int stdoutFd, bool withStderr)
{
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (stdoutFd >= 0) {
            dup2(stdoutFd, STDOUT_FILENO);
            if (withStderr)
                dup2(stdoutFd, STDERR_FILENO);
        }
        execOrDie(argv);
    }
    return pid;
}

} // namespace

bool listening(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

void adoptOrphans()
{
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

bool waitForExit(pid_t pid, Millis timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(Millis(5));
    }
}

bool killAndReap(pid_t pid, Millis timeout)
{
    if (pid <= 0)
        return true;
    ::kill(pid, SIGKILL);
    return waitForExit(pid, timeout);
}

std::optional<int> run(const std::vector<std::string>& argv, Millis timeout, const std::string& outputFile)
{
    int out = -1;
    if (!outputFile.empty()) {
        out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0)
            throw std::runtime_error("cannot write " + outputFile);
    }
    const pid_t pid = spawn(argv, out, true);
    if (out >= 0)
        close(out);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::optional<int>(-1);
        if (Clock::now() >= deadline) {
            killAndReap(pid);
            return std::nullopt;
        }
        std::this_thread::sleep_for(Millis(10));
    }
}

// ---------------------------------------------------------------------------------------

Worker::Worker(const std::vector<std::string>& argv)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    m_pid = spawn(argv, fds[1], false);
    close(fds[1]);
    m_fd = fds[0];
}

Worker::~Worker()
{
    // A worker still running at this point has nothing more to tell.
    kill();
    if (m_fd >= 0)
        close(m_fd);
}

bool Worker::kill()
{
    if (m_pid > 0 && killAndReap(m_pid))
        m_pid = -1;
    return m_pid < 0;
}

bool Worker::waitForExit(Millis timeout)
{
    if (m_pid > 0 && crash::waitForExit(m_pid, timeout))
        m_pid = -1;
    return m_pid < 0;
}

std::optional<std::string> Worker::readLine(Millis timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = read(m_fd, chunk, sizeof chunk);
        if (n <= 0)
            return std::nullopt;
        m_buffer.append(chunk, static_cast<std::size_t>(n));
        m_seen.append(chunk, static_cast<std::size_t>(n));
    }
}

// ---------------------------------------------------------------------------------------

Server::Server(std::string script, std::string root, int port)
    : m_script(std::move(script)), m_root(std::move(root)), m_port(port)
{
}

Server::~Server()
{
    stop();
}

bool Server::start(std::string& error)
{
    const std::optional<int> rc =
        run({"bash", m_script, "start", m_root, std::to_string(m_port)}, Millis(30000));
    if (!rc || *rc != 0) {
        error = rc ? "the server script failed (exit code " + std::to_string(*rc) + ")"
                   : "the server script did not end within 30 s";
        return false;
    }
    std::ifstream pidFile(m_root + "/server.pid");
    if (!(pidFile >> m_pid) || m_pid <= 0) {
        error = "no server.pid in " + m_root;
        m_pid = -1;
        return false;
    }
    if (::kill(m_pid, 0) != 0 || !listening(m_port)) {
        error = "the server started but does not listen on port " + std::to_string(m_port);
        return false;
    }
    return true;
}

bool Server::killHard()
{
    if (m_pid > 0 && killAndReap(m_pid))
        m_pid = -1;
    if (m_pid > 0)
        return false;
    // Whatever still answers on the port would pass for the restarted server.
    const auto deadline = Clock::now() + Millis(10000);
    while (listening(m_port)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(Millis(10));
    }
    return true;
}

void Server::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    if (waitForExit(m_pid, Millis(10000)) || killAndReap(m_pid))
        m_pid = -1;
}

} // namespace crash

/*
 * host_posix.cpp - quill-debug's ties to a POSIX system: one poll loop over
 * the client, the agent's socket, quill's standard output and error, and
 * a pipe the SIGCHLD handler writes to.
 */
#include "host_int.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using nlohmann::json;

namespace {

int client_in = 0, client_out = 1;
std::string client_buf;

int child_note[2] = {-1, -1};   // SIGCHLD writes here
pid_t child = -1;
pid_t adopted = -1;             // a quill the client started
int listener = -1, agent = -1;
int out_fd = -1, err_fd = -1;
std::string agent_buf, out_tail, err_tail;
std::string dir, sock;

void close_fd(int &fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

bool write_all(int fd, const char *p, std::size_t n)
{
    while (n) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Reads what waits in quill's pipe (never blocking); at its end, closes it.
void drain(int &fd, const char *category, std::string &tail)
{
    while (fd >= 0) {
        char buf[65536];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return;   // EAGAIN: nothing more for now
        host_output(category, tail, buf, static_cast<std::size_t>(n), n == 0);
        if (n == 0)
            close_fd(fd);
    }
}

void drain_all(void)
{
    drain(out_fd, "stdout", out_tail);   // what the script printed before what it reported
    drain(err_fd, "stderr", err_tail);
}

void on_child(int)
{
    int saved = errno;
    char c = 0;
    if (write(child_note[1], &c, 1) < 0) {
        // the pipe is full: a note is waiting anyway
    }
    errno = saved;
}

void take_agent_lines(void)
{
    host_take_agent(agent_buf, drain_all);
}

bool read_into(int fd, std::string &buf)
{
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buf.append(chunk, static_cast<std::size_t>(n));
        return true;
    }
}

void reap(void)
{
    char c[64];
    while (read(child_note[0], c, sizeof c) > 0) {
    }
    if (child < 0)
        return;
    int status;
    pid_t r = waitpid(child, &status, WNOHANG);
    if (r != child)
        return;
    child = -1;
    close_fd(agent);
    drain_all();
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    host_pending.push_back(HostEvent{HostEventKind::EXITED, {}, "", code});
}

// One round of the loop: waits for something, up to timeout ms.
void poll_once(int timeout)
{
    pollfd fds[6];
    int n = 0;
    auto add = [&](int fd) {
        fds[n++] = pollfd{fd, POLLIN, 0};
        return n - 1;
    };
    int c = client_in >= 0 ? add(client_in) : -1;
    int l = listener >= 0 ? add(listener) : -1;
    int a = agent >= 0 ? add(agent) : -1;
    int o = out_fd >= 0 ? add(out_fd) : -1;
    int e = err_fd >= 0 ? add(err_fd) : -1;
    int k = add(child_note[0]);
    if (poll(fds, static_cast<nfds_t>(n), timeout) <= 0)
        return;
    auto ready = [&](int i) { return i >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)); };
    if (ready(o))
        drain(out_fd, "stdout", out_tail);
    if (ready(e))
        drain(err_fd, "stderr", err_tail);
    if (ready(l)) {
        int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            agent = fd;
            close_fd(listener);
            unlink(sock.c_str());   // nobody else connects
        }
    }
    if (ready(a) && !read_into(agent, agent_buf)) {
        close_fd(agent);
        take_agent_lines();
        if (child < 0 && adopted > 0) {   // quill in the client's terminal has ended
            adopted = -1;
            host_pending.push_back(HostEvent{HostEventKind::EXITED, {}, "", HOST_UNKNOWN_STATUS});
        }
    }
    take_agent_lines();
    if (ready(c)) {
        if (read_into(client_in, client_buf))
            host_take_client(client_buf);
        else {
            client_in = -1;
            host_pending.push_back(HostEvent{HostEventKind::CLIENT_GONE, {}, "", 0});
        }
    }
    if (ready(k))
        reap();
}

}  // namespace

std::string host_quill(void)
{
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "quill";
    std::string path(self, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + "quill";
}

namespace {

[[noreturn]] void exec_quill(const Launch &l, int in, int out, int err)
{
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    signal(SIGPIPE, SIG_DFL);
    if (!l.cwd.empty() && chdir(l.cwd.c_str()) != 0) {
        std::fprintf(stderr, "quill-debug: cannot enter %s: %s\n", l.cwd.c_str(), std::strerror(errno));
        _exit(127);
    }
    for (const auto &[name, value] : l.env) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    setenv("QUILL_DEBUG_CHANNEL", sock.c_str(), 1);
    std::string quill = host_quill();
    std::vector<char *> argv{const_cast<char *>(quill.c_str())};
    for (const std::string &o : l.options)
        argv.push_back(const_cast<char *>(o.c_str()));
    argv.push_back(const_cast<char *>("-f"));
    argv.push_back(const_cast<char *>(l.program.c_str()));
    argv.push_back(nullptr);
    execv(quill.c_str(), argv.data());
    std::fprintf(stderr, "quill-debug: cannot start %s: %s\n", quill.c_str(), std::strerror(errno));
    _exit(127);
}

}  // namespace

bool host_open(int port, std::string *why)
{
    signal(SIGPIPE, SIG_IGN);   // a client or quill gone is a failed write, not our end
    if (pipe2(child_note, O_CLOEXEC | O_NONBLOCK) != 0) {
        *why = std::strerror(errno);
        return false;
    }
    struct sigaction sa{};
    sa.sa_handler = on_child;
    sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigaction(SIGCHLD, &sa, nullptr);
    if (port < 0)
        return true;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);   // this machine only
    socklen_t len = sizeof at;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 || listen(fd, 1) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&at), &len) != 0) {
        *why = std::string("cannot listen on 127.0.0.1:") + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    std::fprintf(stderr, "quill-debug: listening on 127.0.0.1:%d\n", ntohs(at.sin_port));
    int conn;
    while ((conn = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC)) < 0 && errno == EINTR) {
    }
    close(fd);
    if (conn < 0) {
        *why = std::strerror(errno);
        return false;
    }
    client_in = client_out = conn;
    return true;
}

void host_send(json message)
{
    std::string frame = host_frame(std::move(message));
    write_all(client_out, frame.data(), frame.size());
}

HostEvent host_next(void)
{
    take_agent_lines();   // lines that came with an answer
    while (host_pending.empty())
        poll_once(-1);
    return host_pop();
}

void host_adopt(long pid)
{
    if (child < 0)
        adopted = static_cast<pid_t>(pid);
}

std::string host_listen(std::string *why)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quill-debug-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {   // 0700: only this user enters it
        *why = "cannot make a directory for the channel: " + std::string(std::strerror(errno));
        return "";
    }
    dir = name.data();
    sock = dir + "/channel";
    sockaddr_un at{};
    at.sun_family = AF_UNIX;
    if (sock.size() >= sizeof at.sun_path) {
        *why = "the channel's path is too long: " + sock;
        return "";
    }
    std::strcpy(at.sun_path, sock.c_str());
    listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 ||
        listen(listener, 1) != 0) {
        *why = "cannot open the channel: " + std::string(std::strerror(errno));
        return "";
    }
    return sock;
}

bool host_start(const Launch &l, std::string *why)
{
    if (host_listen(why).empty())
        return false;
    int in = open(l.input.empty() ? "/dev/null" : l.input.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *why = "cannot open " + l.input + ": " + std::strerror(errno);
        return false;
    }
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        close(in);
        *why = std::strerror(errno);
        return false;
    }
    child = fork();
    if (child == 0)
        exec_quill(l, in, out[1], err[1]);
    close(in);
    close(out[1]);
    close(err[1]);
    out_fd = out[0];
    err_fd = err[0];
    fcntl(out_fd, F_SETFL, O_NONBLOCK);   // our end alone
    fcntl(err_fd, F_SETFL, O_NONBLOCK);
    if (child < 0) {
        *why = std::strerror(errno);
        return false;
    }
    return true;
}

bool host_running(void)
{
    return child > 0 || adopted > 0;
}

void host_end(bool at_once)
{
    pid_t pid = child > 0 ? child : adopted;
    if (pid > 0)
        kill(pid, at_once ? SIGKILL : SIGTERM);
}

bool host_tell(const std::string &line)
{
    std::string l = line + '\n';
    return agent >= 0 && write_all(agent, l.data(), l.size());
}

bool host_ask(const std::string &line, std::string *reply)
{
    if (!host_tell(line))
        return false;
    for (int waited = 0; waited < 300; waited++) {   // 30 s for an answer
        std::size_t end = agent_buf.find('\n');
        if (end != std::string::npos) {
            *reply = agent_buf.substr(0, end);
            agent_buf.erase(0, end + 1);
            return true;
        }
        pollfd p{agent, POLLIN, 0};
        if (agent < 0)
            return false;
        if (poll(&p, 1, 100) > 0 && !read_into(agent, agent_buf)) {
            close_fd(agent);
            return false;
        }
    }
    return false;
}

void host_close(void)
{
    close_fd(listener);
    if (!sock.empty())
        unlink(sock.c_str());
    if (!dir.empty())
        rmdir(dir.c_str());
    sock.clear();
    dir.clear();
}

/*
 * host_win32.cpp - quill-debug's ties to Windows. Pipes have no poll: one
 * loop looks in turn at quill's output pipes and its named pipe (reading
 * only what PeekNamedPipe says is there, so nothing blocks) and at quill's
 * process; the client, whose handle may be anything, is read on a thread.
 */
#include "host_int.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#ifndef NOMINMAX   // the C++ library may have said so already
#define NOMINMAX
#endif
#include <windows.h>
#include <sddl.h>
#include <timeapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using nlohmann::json;

namespace {

HANDLE client_out = INVALID_HANDLE_VALUE;
SOCKET client_socket = INVALID_SOCKET;
std::mutex client_lock;
std::string client_in;              // what the client's thread read, under client_lock
std::atomic<bool> client_gone;

HANDLE process = nullptr;           // quill, started here or by the client's terminal
HANDLE agent = INVALID_HANDLE_VALUE;
std::atomic<bool> agent_connected;
HANDLE out_pipe = nullptr, err_pipe = nullptr;
std::string agent_buf, out_tail, err_tail;
std::string channel_name;
unsigned channels;

void close_handle(HANDLE &h)
{
    if (h && h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    h = nullptr;
}

// What waits in a pipe, read without blocking: false once it has ended.
bool read_waiting(HANDLE h, std::string &buf)
{
    for (;;) {
        DWORD ready = 0;
        if (!PeekNamedPipe(h, nullptr, 0, nullptr, &ready, nullptr))
            return false;   // broken: the other end is gone
        if (ready == 0)
            return true;
        char chunk[65536];
        DWORD n = 0;
        if (!ReadFile(h, chunk, ready < sizeof chunk ? ready : sizeof chunk, &n, nullptr))
            return false;
        buf.append(chunk, n);
    }
}

void drain(HANDLE &h, const char *category, std::string &tail)
{
    if (!h)
        return;
    std::string got;
    bool open = read_waiting(h, got);
    if (!got.empty() || !open)
        host_output(category, tail, got.data(), got.size(), !open);
    if (!open)
        close_handle(h);
}

void drain_all(void)
{
    drain(out_pipe, "stdout", out_tail);   // what the script printed before what it reported
    drain(err_pipe, "stderr", err_tail);
}

void client_reader(void)
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        char chunk[65536];
        int n;
        if (client_socket != INVALID_SOCKET) {
            n = recv(client_socket, chunk, sizeof chunk, 0);
        } else {
            DWORD got = 0;
            n = ReadFile(in, chunk, sizeof chunk, &got, nullptr) ? static_cast<int>(got) : -1;
        }
        if (n <= 0)
            break;
        std::lock_guard<std::mutex> hold(client_lock);
        client_in.append(chunk, static_cast<std::size_t>(n));
    }
    client_gone = true;
}

// One look at everything; true when something happened.
bool look(void)
{
    std::size_t before = host_pending.size();
    {
        std::string got;
        {
            std::lock_guard<std::mutex> hold(client_lock);
            got.swap(client_in);
        }
        static std::string client_buf;
        client_buf += got;
        host_take_client(client_buf);
    }
    drain_all();
    if (agent_connected && agent != INVALID_HANDLE_VALUE) {
        bool open = read_waiting(agent, agent_buf);
        host_take_agent(agent_buf, drain_all);
        if (!open) {
            close_handle(agent);
            agent = INVALID_HANDLE_VALUE;
        }
    }
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        close_handle(process);
        // what is left in the pipes is all there is: programs quill started may hold them open
        drain_all();
        if (agent != INVALID_HANDLE_VALUE) {
            read_waiting(agent, agent_buf);
            host_take_agent(agent_buf, drain_all);
        }
        host_pending.push_back(HostEvent{HostEventKind::EXITED, {}, "", static_cast<int>(code)});
    }
    if (client_gone && host_pending.size() == before) {
        std::lock_guard<std::mutex> hold(client_lock);
        if (client_in.empty()) {
            host_pending.push_back(HostEvent{HostEventKind::CLIENT_GONE, {}, "", 0});
            client_gone = false;
        }
    }
    return host_pending.size() != before;
}

// The user's SID as text: the channel admits it alone.
std::string user_sid(void)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return "";
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> info(size);
    std::string sid;
    char *text = nullptr;
    if (GetTokenInformation(token, TokenUser, info.data(), size, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER *>(info.data())->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

}  // namespace

std::string host_quill(void)
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    return path.substr(0, path.find_last_of("\\/") + 1) + "quill.exe";
}

namespace {

// An argument as the C runtime reads it back.
std::string quoted(const std::string &arg)
{
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            slashes++;
            continue;
        }
        out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, '\\');
    return out + "\"";
}

// This process's environment with the launch's changes, as CreateProcess takes it.
std::vector<char> environment(const Launch &l)
{
    std::vector<std::pair<std::string, std::string>> vars;
    if (char *block = GetEnvironmentStringsA()) {
        for (char *p = block; *p; p += std::strlen(p) + 1) {
            std::string entry = p;
            std::size_t eq = entry.find('=', 1);
            if (eq != std::string::npos)
                vars.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
        }
        FreeEnvironmentStringsA(block);
    }
    auto set = [&](const std::string &name, const std::optional<std::string> &value) {
        for (auto v = vars.begin(); v != vars.end();)
            v = _stricmp(v->first.c_str(), name.c_str()) == 0 ? vars.erase(v) : v + 1;
        if (value)
            vars.emplace_back(name, *value);
    };
    for (const auto &[name, value] : l.env)
        set(name, value);
    set("QUILL_DEBUG_CHANNEL", channel_name);
    std::vector<char> block;
    for (const auto &[name, value] : vars) {
        std::string entry = name + "=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

}  // namespace

bool host_open(int port, std::string *why)
{
    // the loop looks, then sleeps 1 ms: at the default 15.6 ms tick each
    // logpoint's round trip (and every answer) would wait that long
    timeBeginPeriod(1);
    client_out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (port >= 0) {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        SOCKET fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(static_cast<u_short>(port));
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);   // this machine only
        int len = sizeof at;
        if (fd == INVALID_SOCKET || bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 ||
            listen(fd, 1) != 0 || getsockname(fd, reinterpret_cast<sockaddr *>(&at), &len) != 0) {
            *why = "cannot listen on 127.0.0.1:" + std::to_string(port);
            return false;
        }
        std::fprintf(stderr, "quill-debug: listening on 127.0.0.1:%d\n", ntohs(at.sin_port));
        client_socket = accept(fd, nullptr, nullptr);
        closesocket(fd);
        if (client_socket == INVALID_SOCKET) {
            *why = "no connection";
            return false;
        }
    }
    std::thread(client_reader).detach();
    return true;
}

void host_send(json message)
{
    std::string frame = host_frame(std::move(message));
    const char *p = frame.data();
    std::size_t left = frame.size();
    while (left) {
        int n;
        if (client_socket != INVALID_SOCKET) {
            n = send(client_socket, p, static_cast<int>(left), 0);
        } else {
            DWORD put = 0;
            n = WriteFile(client_out, p, static_cast<DWORD>(left), &put, nullptr) ? static_cast<int>(put) : -1;
        }
        if (n <= 0)
            return;   // the client is gone: its reader says so
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

HostEvent host_next(void)
{
    host_take_agent(agent_buf, drain_all);   // lines that came with an answer
    while (host_pending.empty())
        if (!look())
            Sleep(1);
    return host_pop();
}

void host_adopt(long pid)
{
    if (!process)   // the client's terminal started it: its end and status are seen here too
        process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                              FALSE, static_cast<DWORD>(pid));
}

std::string host_listen(std::string *why)
{
    std::string sid = user_sid();
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, FALSE};
    PSECURITY_DESCRIPTOR sd = nullptr;
    std::string sddl = "D:P(A;;GA;;;" + sid + ")";   // the user, and nobody else
    if (sid.empty() ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr)) {
        *why = "cannot make the channel private to this user";
        return "";
    }
    sa.lpSecurityDescriptor = sd;
    channel_name = "\\\\.\\pipe\\quill-debug-" + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(++channels);
    agent = CreateNamedPipeA(channel_name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                             PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                             1, 65536, 65536, 0, &sa);
    LocalFree(sd);
    if (agent == INVALID_HANDLE_VALUE) {
        *why = "cannot open the channel";
        return "";
    }
    agent_connected = false;
    HANDLE waiting = agent;
    std::thread([waiting] {   // ConnectNamedPipe waits; the loop does not
        if (ConnectNamedPipe(waiting, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED)
            agent_connected = true;
    }).detach();
    return channel_name;
}

bool host_start(const Launch &l, std::string *why)
{
    if (host_listen(why).empty())
        return false;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE in = CreateFileA(l.input.empty() ? "NUL" : l.input.c_str(), GENERIC_READ, FILE_SHARE_READ,
                            &inherit, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        *why = "cannot open " + l.input;
        return false;
    }
    HANDLE out_write, err_write;
    if (!CreatePipe(&out_pipe, &out_write, &inherit, 65536) || !CreatePipe(&err_pipe, &err_write, &inherit, 65536)) {
        CloseHandle(in);
        *why = "cannot make the output's pipes";
        return false;
    }
    SetHandleInformation(out_pipe, HANDLE_FLAG_INHERIT, 0);   // only quill's ends go to quill
    SetHandleInformation(err_pipe, HANDLE_FLAG_INHERIT, 0);
    std::string command = quoted(host_quill());
    for (const std::string &o : l.options)
        command += " " + quoted(o);
    command += " -f " + quoted(l.program);
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    std::vector<char> env = environment(l);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out_write;
    si.hStdError = err_write;
    PROCESS_INFORMATION pi{};
    BOOL ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, env.data(),
                             l.cwd.empty() ? nullptr : l.cwd.c_str(), &si, &pi);
    CloseHandle(in);
    CloseHandle(out_write);
    CloseHandle(err_write);
    if (!ok) {
        *why = "cannot start " + host_quill();
        return false;
    }
    CloseHandle(pi.hThread);
    process = pi.hProcess;
    return true;
}

bool host_running(void)
{
    return process != nullptr;
}

void host_end(bool at_once)
{
    if (!process)
        return;
    // terminate: quill's agent ends the run, what waits written first, as
    // Ctrl-C would; a run that does not end soon is ended here
    if (!at_once && host_tell("end") && WaitForSingleObject(process, 2000) == WAIT_OBJECT_0)
        return;
    TerminateProcess(process, 1);
}

bool host_tell(const std::string &line)
{
    if (agent == INVALID_HANDLE_VALUE || !agent_connected)
        return false;
    std::string l = line + '\n';
    DWORD put = 0;
    return WriteFile(agent, l.data(), static_cast<DWORD>(l.size()), &put, nullptr) && put == l.size();
}

bool host_ask(const std::string &line, std::string *reply)
{
    if (!host_tell(line))
        return false;
    for (int waited = 0; waited < 30000; waited++) {   // 30 s for an answer
        std::size_t end = agent_buf.find('\n');
        if (end != std::string::npos) {
            *reply = agent_buf.substr(0, end);
            agent_buf.erase(0, end + 1);
            return true;
        }
        if (agent == INVALID_HANDLE_VALUE || !read_waiting(agent, agent_buf))
            return false;
        if (agent_buf.find('\n') == std::string::npos)
            Sleep(1);
    }
    return false;
}

void host_close(void)
{
    if (agent != INVALID_HANDLE_VALUE && agent)
        CloseHandle(agent);
    agent = INVALID_HANDLE_VALUE;
    agent_connected = false;
}

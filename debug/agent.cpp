/*
 * agent.cpp - quill's side of a debugging session: stops the run where the
 * debugger asks and answers its questions while stopped. A thread reads
 * the channel, so a pause or new breakpoints reach a running script; all
 * else waits for a stop, where the interpreter's state holds still.
 */
#include "agent.h"

#include "channel.h"
#include "quill.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define agent_pid _getpid
#else
#include <unistd.h>
#define agent_pid getpid
#endif

namespace {

Channel chan;
std::mutex lock;
std::condition_variable wake;
std::deque<std::string> requests;        // for the main thread, at a stop
std::vector<int32_t> breaks_asked;       // the lines of the last "break", under lock
std::atomic<bool> pause_asked, breaks_changed, gone;

std::vector<uint8_t> breaks;             // by line: a breakpoint there
bool stepping;                           // stop at the next stop point
const char *step_reason = "step";
bool stop_on_fault = true, stop_on_lost = true;
int32_t last_line = -1;                  // of the stop point passed last
uint32_t cur_pos;                        // the item running
int32_t cur_line;

// The jump trail: the last jumps taken, and how often each jump was.
struct Jump {
    uint32_t pos;
    int32_t line;
    int lab;
    uint32_t pass;
};
std::vector<Jump> trail;
std::size_t trail_next, trail_max = 20;
std::unordered_map<uint32_t, uint32_t> passes;

void reader(void)
{
    std::string line;
    while (channel_read_line(chan, &line)) {
        if (line == "pause") {
            pause_asked = true;
            continue;
        }
        std::lock_guard<std::mutex> hold(lock);
        if (line.compare(0, 6, "break ") == 0 || line == "break") {
            std::istringstream in(line.substr(5));
            breaks_asked.clear();
            for (int32_t n; in >> n;)
                breaks_asked.push_back(n);
            breaks_changed = true;
        } else {
            requests.push_back(line);
        }
        wake.notify_one();
    }
    gone = true;   // the debugger went away: the run goes on unwatched
    std::lock_guard<std::mutex> hold(lock);
    wake.notify_one();
}

void adopt_breaks(void)
{
    std::lock_guard<std::mutex> hold(lock);
    breaks.assign(breaks.size(), 0);
    for (int32_t n : breaks_asked) {
        if (n < 0 || n > (1 << 26))
            continue;
        if (static_cast<std::size_t>(n) >= breaks.size())
            breaks.resize(static_cast<std::size_t>(n) + 1);
        breaks[static_cast<std::size_t>(n)] = 1;
    }
}

std::string hex(const char *p, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(2 * n);
    for (std::size_t i = 0; i < n; i++) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

// Up to n bytes of the pool from address at (n at most 1 MiB): where they
// start and the bytes, or an empty line when at lies outside it.
std::string memory(int64_t at, int64_t n)
{
    int64_t lo = static_cast<int64_t>(reinterpret_cast<uintptr_t>(pool));
    int64_t hi = lo + poolsize;
    if (at < lo || at >= hi || n <= 0)
        return "mem";
    n = std::min<int64_t>({n, hi - at, int64_t(1) << 20});
    return "mem " + std::to_string(at) + " " +
           hex(pool_address(static_cast<int32_t>(at)), static_cast<std::size_t>(n));
}

std::string state(void)
{
    std::string s = "state " + std::to_string(ev) + " " + std::to_string(poolsize) + " " +
                    std::to_string(poolnum) + " " + std::to_string(pool_var_slot(0));
    for (int i = 0; i < NVARS; i++)
        s += " " + std::to_string(var[i]);
    for (int i = 0; i < NLABELS; i++)
        s += " " + std::to_string(label[i]);
    return s;
}

std::string trail_list(void)
{
    std::string s = "trail";
    std::size_t n = trail.size();
    for (std::size_t k = 1; k <= n; k++) {   // newest first
        const Jump &j = trail[(trail_next + n - k) % n];
        s += " " + std::to_string(j.pos) + " " + std::to_string(j.line) + " " +
             std::to_string(j.lab) + " " + std::to_string(j.pass);
    }
    return s;
}

// What a request asks of a stopped run.
std::string answer(const std::string &req)
{
    std::istringstream in(req);
    std::string verb;
    in >> verb;
    int64_t x = 0, y = 0;
    in >> x >> y;
    if (verb == "state")
        return state();
    if (verb == "trail")
        return trail_list();
    if (verb == "mem")
        return memory(x, y);
    if (verb == "set" && x >= 0 && x < NVARS) {
        var[x] = static_cast<int32_t>(y);
        return "ok";
    }
    if (verb == "elem") {
        uint64_t lo = reinterpret_cast<uintptr_t>(pool);
        if (x < 0 || static_cast<uint64_t>(x) < lo || static_cast<uint64_t>(x) + 4 > lo + uint64_t(poolsize))
            return "error";
        pool_write(static_cast<int32_t>(x), static_cast<int32_t>(y));
        return "ok";
    }
    if (verb == "config") {   // config <trail length> <stop on faults> <stop on lost searches>
        int64_t z = 1;
        in >> z;
        trail_max = static_cast<std::size_t>(std::clamp<int64_t>(x, 0, 100000));
        trail.clear();
        trail_next = 0;
        stop_on_fault = y != 0;
        stop_on_lost = z != 0;
        return "ok";
    }
    return "error";
}

// Answers requests until one resumes the run.
void serve(void)
{
    for (;;) {
        std::string req;
        {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait(hold, [] { return !requests.empty() || gone; });
            if (requests.empty())
                return;   // gone
            req = std::move(requests.front());
            requests.pop_front();
        }
        if (req == "run") {
            stepping = false;
            return;
        }
        if (req == "step") {
            stepping = true;
            return;
        }
        if (!channel_write(chan, answer(req)))
            return;
    }
}

void stop(const char *reason, uint32_t pos, int32_t line, const std::string &detail = "")
{
    stepping = false;
    step_reason = "step";
    output_flush();   // what the script printed shows before the stop
    std::fflush(stderr);
    if (channel_write(chan, std::string("stopped ") + reason + " " + std::to_string(pos) + " " +
                                std::to_string(line) + (detail.empty() ? "" : " " + detail)))
        serve();
}

void stop_point(uint32_t pos, int32_t line, bool landing)
{
    if (gone.load(std::memory_order_relaxed))
        return;
    if (breaks_changed.load(std::memory_order_relaxed)) {
        breaks_changed = false;
        adopt_breaks();
    }
    const char *reason = nullptr;
    if (pause_asked.load(std::memory_order_relaxed)) {
        pause_asked = false;
        reason = "pause";
    } else if (stepping) {
        reason = step_reason;
    } else if (line >= 0 && static_cast<std::size_t>(line) < breaks.size() &&
               breaks[static_cast<std::size_t>(line)] && (line != last_line || landing)) {
        reason = "breakpoint";
    }
    last_line = line;
    if (reason)
        stop(reason, pos, line);
}

void on_item(uint32_t pos, int32_t line)
{
    cur_pos = pos;
    cur_line = line;
    stop_point(pos, line, false);
}

void on_landed(uint32_t pos, int32_t line)
{
    cur_pos = pos;
    cur_line = line;
    stop_point(pos, line, true);
}

void on_jumped(int lab)
{
    if (trail_max == 0)
        return;
    Jump j{cur_pos, cur_line, lab, ++passes[cur_pos]};
    if (trail.size() < trail_max) {
        trail.push_back(j);
        trail_next = trail.size() % trail_max;
    } else {
        trail[trail_next] = j;
        trail_next = (trail_next + 1) % trail_max;
    }
}

void on_fault(const char *what)
{
    if (stop_on_fault && !gone)
        stop("exception", cur_pos, cur_line, what);
}

// The input ended with a search pending: stop at the jump that started it.
void on_lost(void)
{
    if (!stop_on_lost || gone || trail.empty())
        return;
    const Jump &j = trail[(trail_next + trail.size() - 1) % trail.size()];
    stop("lost", j.pos, j.line, std::to_string(j.lab));
}

const RunHooks hooks = {on_item, on_landed, on_jumped, on_fault, on_lost};

}  // namespace

void agent_start(void)
{
    const char *name = std::getenv("QUILL_DEBUG_CHANNEL");
    if (!name)
        return;
    std::string where = name;
#ifdef _WIN32
    _putenv_s("QUILL_DEBUG_CHANNEL", "");
#else
    unsetenv("QUILL_DEBUG_CHANNEL");   // a quill the script starts runs on its own
#endif
    if (!channel_connect(chan, where.c_str())) {
        std::fprintf(stderr, "quill: cannot reach the debugger at %s\n", where.c_str());
        std::exit(1);
    }
    items_fast = false;   // every item passes the parser, where the hooks are
    run_hooks = &hooks;
    std::thread(reader).detach();
    if (channel_write(chan, "hello " + std::to_string(agent_pid())))
        serve();
    if (stepping)
        step_reason = "entry";
}

/*
 * agent.cpp - quill's side of a debugging session: stops the run where the
 * debugger asks and answers its questions while stopped. A thread reads
 * the channel, so a pause or new breakpoints reach a running script; all
 * else waits for a stop, where the interpreter's state holds still.
 *
 * What quill-debug sends (one line each): run, step, out (to the next jump
 * landing), pause, break (the breakpoints, below), watch MASK (variables
 * whose changes stop the run), services LIST (func numbers to stop before),
 * config TRAIL FAULT LOST SYNTAX WRAP, and while stopped: state, trail,
 * mem ADDR N, set VAR VALUE, elem ADDR VALUE, eval OPS, goto POS LINE.
 * What it answers: hello PID, stopped REASON POS LINE [DETAIL], log ID
 * VALUES (a logpoint), and one line per question.
 */
#include "agent.h"

#include "channel.h"
#include "history.h"
#include "output.h"
#include "quill.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

/* The words of a request, read in place: the agent leaves the C++ streams
   out of quill (their locales would be most of its size and start-up). */
struct Words {
    const char *p;
    explicit Words(const std::string &s) : p(s.c_str()) {}
    // The next word, or false at the end.
    bool next(std::string *w)
    {
        while (*p == ' ')
            p++;
        if (!*p)
            return false;
        const char *start = p;
        while (*p && *p != ' ')
            p++;
        w->assign(start, static_cast<std::size_t>(p - start));
        return true;
    }
    bool number(int64_t *v)
    {
        std::string w;
        if (!next(&w))
            return false;
        char *end;
        long long n = std::strtoll(w.c_str(), &end, 10);
        if (*end)
            return false;
        *v = n;
        return true;
    }
    char peek(void) const   // the next word's first character, nothing read
    {
        const char *q = p;
        while (*q == ' ')
            q++;
        return *q;
    }
};

/* An expression as quill-debug compiled it from the checker's tree, in
   postfix: numbers, variables, elements, operators. Nothing in it can
   change the run. */
enum class OpKind : uint8_t {
    NUMBER, VARIABLE, ELEMENT, BINARY, NEGATE, NOT,
    // what only the debug console's statements have: they change the run
    SET_VARIABLE, SET_ELEMENT, FUNC, NEW, TEXT, PUT, PUTS, DROP
};
struct Op {
    OpKind kind;
    int32_t value;   // the number, the variable, the operator's token, a text's index
};
std::vector<std::string> op_texts;   // the texts of the TEXT ops read last
using Ops = std::vector<Op>;

// Reads ops up to a separator ("|" or ",", left in *sep) or the end.
bool parse_ops(Words &in, Ops *ops, std::string *sep = nullptr)
{
    ops->clear();
    if (sep)
        sep->clear();
    for (std::string w; in.next(&w);) {
        if (w == "|" || w == ",") {
            if (sep)
                *sep = w;
            break;
        }
        bool set = w[0] == '=' && w.size() > 1;
        const char *rest = w.c_str() + (set ? 2 : 1);
        long long v = std::strtoll(rest, nullptr, 10);
        OpKind k;
        switch (set ? w[1] : w[0]) {
        case 'n': k = OpKind::NUMBER; break;
        case 'v': k = set ? OpKind::SET_VARIABLE : OpKind::VARIABLE; break;
        case 'e': k = set ? OpKind::SET_ELEMENT : OpKind::ELEMENT; break;
        case 'b': k = OpKind::BINARY; break;
        case '-': k = OpKind::NEGATE; break;
        case '!': k = OpKind::NOT; break;
        case 'f': k = OpKind::FUNC; break;
        case 'w': k = OpKind::NEW; break;
        case 'p': k = OpKind::PUT; break;
        case 'q': k = OpKind::PUTS; break;
        case '.': k = OpKind::DROP; break;
        case 's': {   // a text in hex
            std::string text;
            for (const char *h = rest; h[0] && h[1]; h += 2)
                text += static_cast<char>(std::strtol(std::string(h, 2).c_str(), nullptr, 16));
            k = OpKind::TEXT;
            v = static_cast<long long>(op_texts.size());
            op_texts.push_back(text);
            break;
        }
        default: return false;
        }
        if (set && k != OpKind::SET_VARIABLE && k != OpKind::SET_ELEMENT)
            return false;
        bool names_variable = k == OpKind::VARIABLE || k == OpKind::ELEMENT ||
                              k == OpKind::SET_VARIABLE || k == OpKind::SET_ELEMENT;
        if (names_variable && (v < 0 || v >= NVARS))
            return false;
        ops->push_back(Op{k, static_cast<int32_t>(v)});
    }
    return true;
}

bool in_pool(int64_t at, int64_t n)
{
    int64_t lo = static_cast<int64_t>(reinterpret_cast<uintptr_t>(pool));
    return at >= lo && at + n <= lo + poolsize;
}

// Whether the pool holds a text at v: what puts would print, without its fault.
bool text_at(int32_t v)
{
    if (v == 0)
        return true;
    int64_t lo = static_cast<int64_t>(reinterpret_cast<uintptr_t>(pool));
    uint32_t at = static_cast<uint32_t>(v);
    return in_pool(at, 1) && std::memchr(pool_address(v), '\0', static_cast<std::size_t>(lo + poolsize - at));
}

// Evaluates as quill would, but a fault is an answer, not the end of the
// run: what would fault is refused before it is done. Only with effects
// may the ops change the run (the debug console's statements).
bool evaluate(const Ops &ops, int32_t *out, std::string *why, bool effects = false)
{
    std::vector<int32_t> stack;
    auto pop = [&](int32_t *v) {
        if (stack.empty())
            return false;
        *v = stack.back();
        stack.pop_back();
        return true;
    };
    for (const Op &op : ops) {
        int32_t a = 0, b = 0;
        bool changes = op.kind >= OpKind::SET_VARIABLE;
        if (changes && !effects)
            return *why = "it would change the run", false;
        switch (op.kind) {
        case OpKind::NUMBER: stack.push_back(op.value); continue;
        case OpKind::VARIABLE: stack.push_back(var[op.value]); continue;
        case OpKind::TEXT: {
            const std::string &t = op_texts[static_cast<std::size_t>(op.value)];
            if (t.size() + 1 > static_cast<std::size_t>(poolsize))
                return *why = "Cannot allocation. (string)", false;
            stack.push_back(eval_literal(t.c_str()));
            continue;
        }
        default: break;
        }
        if (!pop(&b) || (op.kind == OpKind::BINARY && !pop(&a)) ||
            (op.kind == OpKind::SET_ELEMENT && !pop(&a)))
            return *why = "the expression is cut short", false;
        switch (op.kind) {
        case OpKind::ELEMENT: {
            int32_t at = pool_element(var[op.value], b);
            if (!in_pool(static_cast<uint32_t>(at), 4))
                return *why = "Bad address. (array)", false;
            stack.push_back(pool_read(at));
            break;
        }
        case OpKind::NEGATE: stack.push_back(static_cast<int32_t>(0u - static_cast<uint32_t>(b))); break;
        case OpKind::NOT: stack.push_back(!b); break;
        case OpKind::BINARY:
            if ((op.value == OPDIV || op.value == OPMOD) && b == 0)
                return *why = "Division by zero.", false;
            stack.push_back(eval_compute(op.value, a, b));
            break;
        case OpKind::SET_VARIABLE: stack.push_back(eval_assign(pool_var_slot(op.value), b)); break;
        case OpKind::SET_ELEMENT: {   // a: the index, b: the value
            int32_t at = pool_element(var[op.value], a);
            if (!in_pool(static_cast<uint32_t>(at), 4))
                return *why = "Bad address. (array)", false;
            stack.push_back(eval_assign(at, b));
            break;
        }
        case OpKind::FUNC: stack.push_back(eval_func(b)); break;
        case OpKind::NEW:
            if (b < 0 || int64_t(b) * 4 > poolsize)
                return *why = "Cannot allocation. (array)", false;
            stack.push_back(eval_new(b));
            break;
        case OpKind::PUT: stack.push_back(eval_put(b)); break;
        case OpKind::PUTS:
            if (!text_at(b))
                return *why = "Bad address. (string)", false;
            stack.push_back(eval_puts(b));
            break;
        case OpKind::DROP: break;   // one statement done, the next begins
        default: break;
        }
    }
    if (stack.size() != 1)
        return *why = "not one value", false;
    *out = stack.back();
    return true;
}

// A line breakpoint: a condition, a hit count, a logpoint's expressions.
// It stops at the first item of its line, and at a label later on the line
// when a jump lands there.
struct Break {
    Ops condition;
    std::string hit_op;   // "" for none, else >=, >, ==, %
    int64_t hit_n = 0, hits = 0;
    int log = 0;          // a logpoint's number with quill-debug, 0 for a breakpoint
    std::vector<Ops> values;
    int32_t line = 0;
};
struct BreakAt {
    std::size_t index;    // in breaks
    bool landing_only;    // a label after the line's first item
};

Channel chan;
std::mutex lock;
std::condition_variable wake;
uint64_t logs_sent, logs_shown;   // log lines, and those quill-debug has shown (under lock)
std::vector<std::string> requests;     // for the main thread, at a stop (a few at most)
std::string breaks_asked;              // the last break line, under lock
std::atomic<bool> pause_asked, breaks_changed, gone;

std::vector<Break> breaks;
std::unordered_map<uint32_t, BreakAt> break_at;   // by the item's first token
std::vector<uint8_t> break_lines;                 // run_watch's lines
enum class Mode { RUN, STEP, OUT } mode;
const char *step_reason = "step";
bool stop_on[4] = {true, true, false, false};   // FAULT, SYNTAX, WRAP, then lost searches
uint32_t watch_mask;
int32_t seen[NVARS];                   // the watched variables at the last stop point
std::vector<int32_t> services;         // func numbers to stop before
uint32_t prev_pos;                     // the item before the one running (run_watch's)
int32_t prev_line;
bool at_item;                          // stopped where a goto may move the run
bool moved;                            // a goto moved the run while it was stopped
bool jumped_since;                     // a jump since the last stop point: it lands there
bool idle;                             // nothing to stop for: an item start only goes on
bool in_console;                       // running the debug console's statements: no stops
bool goto_pending;                     // the stop point at goto_pos is the goto's own
bool goto_told = true;                 // its stop was reported (else it is, there)
uint32_t stop_pos;                     // where the run stopped (the present)
int32_t stop_line;
uint32_t past_pos;                     // where a step back put it
int32_t past_line;
bool diverged;                         // the past was changed: the run goes on from past_pos
uint32_t goto_pos;
int32_t goto_line, goto_line_before;

// The jump trail: the last jumps taken, and how often each jump was.
struct Jump {
    uint32_t pos;
    int32_t line;
    int lab;
    uint32_t pass;
    uint64_t time;   // the history's time in the item that took it
};
std::vector<Jump> trail;   // a ring of trail_max, made when the agent starts
std::size_t trail_next, trail_count, trail_max = 20;
std::vector<uint32_t> passes;   // by the jump's item

void reader(void)
{
    std::string line;
    while (channel_read_line(chan, &line)) {
        if (line == "pause") {
            pause_asked = true;
            run_watch.every = true;
            continue;
        }
        if (line == "logged") {
            std::lock_guard<std::mutex> hold(lock);
            logs_shown++;
            wake.notify_one();
            continue;
        }
#ifdef _WIN32
        if (line == "end")
            output_end();   // terminate: Windows has no signal quill could catch
#endif
        std::lock_guard<std::mutex> hold(lock);
        if (line.compare(0, 5, "break") == 0) {
            breaks_asked = line.substr(5);
            breaks_changed = true;
            run_watch.every = true;   // the next item start takes them
        } else {
            requests.push_back(line);
        }
        wake.notify_one();
    }
    gone = true;   // the debugger went away: the run goes on unwatched
    run_watch.every = true;
    std::lock_guard<std::mutex> hold(lock);
    wake.notify_one();
}

// Whether the run must look at every item start (else only at those on
// the lines of breakpoints).
void watch_all(void)
{
    bool looking = mode != Mode::RUN || watch_mask || pause_asked || breaks_changed || gone ||
                   goto_pending || run_watch.forward;
    run_watch.every = looking || history_on();
    idle = !looking;   // breakpoints aside, looked up by line first
    // the reader raises a flag, then every: one raised after the look above
    // and before the store must not be lost
    if (pause_asked || breaks_changed || gone)
        run_watch.every = true;
}

// "HITOP HITN LOG POS:LINE:KIND... condition-ops [| value-ops]... , ..."
// (HITOP "-" for none; KIND f for a line's first item, l for a later label).
void adopt_breaks(void)
{
    std::string text;
    {
        std::lock_guard<std::mutex> hold(lock);
        text = breaks_asked;
        breaks_changed = false;
    }
    std::vector<Break> next;
    std::unordered_map<uint32_t, BreakAt> at;
    std::vector<uint8_t> lines;
    Words in(text);
    for (std::string sep = ","; sep == ",";) {
        Break b;
        int64_t log = 0;
        if (!in.next(&b.hit_op) || !in.number(&b.hit_n) || !in.number(&log))
            break;
        b.log = static_cast<int>(log);
        if (b.hit_op == "-")
            b.hit_op.clear();
        // the places: words that start with a digit, where the ops start with a letter or sign
        for (std::string w; in.peek() >= '0' && in.peek() <= '9' && in.next(&w);) {
            unsigned long long pos;
            long line;
            char kind;
            if (std::sscanf(w.c_str(), "%llu:%ld:%c", &pos, &line, &kind) != 3)
                break;
            if (line < 0 || line > (1 << 26) || pos > UINT32_MAX)
                continue;
            at[static_cast<uint32_t>(pos)] = BreakAt{next.size(), kind == 'l'};
            if (static_cast<std::size_t>(line) >= lines.size())
                lines.resize(static_cast<std::size_t>(line) + 1);
            lines[static_cast<std::size_t>(line)] = 1;
            b.line = static_cast<int32_t>(line);
        }
        if (!parse_ops(in, &b.condition, &sep))
            break;
        while (sep == "|") {
            Ops v;
            if (!parse_ops(in, &v, &sep))
                break;
            b.values.push_back(std::move(v));
        }
        for (const Break &old : breaks)   // a hit count goes on when other breakpoints change
            if (old.line == b.line && old.hit_op == b.hit_op && old.hit_n == b.hit_n)
                b.hits = old.hits;
        next.push_back(std::move(b));
    }
    breaks = std::move(next);
    break_at = std::move(at);
    break_lines = std::move(lines);
    run_watch.lines = break_lines.data();
    run_watch.nlines = static_cast<uint32_t>(break_lines.size());
    record_watch_lines();
    watch_all();
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

// Up to n bytes of the pool from address at (at most 1 MiB): where they
// start and the bytes; nothing when at lies outside it.
std::string memory(int64_t at, int64_t n)
{
    int64_t lo = static_cast<int64_t>(reinterpret_cast<uintptr_t>(pool));
    if (!in_pool(at, 1) || n <= 0)
        return "mem";
    n = std::min<int64_t>({n, lo + poolsize - at, int64_t(1) << 20});
    return "mem " + std::to_string(at) + " " +
           hex(pool_address(static_cast<int32_t>(at)), static_cast<std::size_t>(n));
}

// A value as a logpoint shows it: the number, and a text it addresses.
std::string shown(int32_t v)
{
    std::string s = std::to_string(v);
    if (!in_pool(static_cast<uint32_t>(v), 1))
        return s;
    int64_t lo = static_cast<int64_t>(reinterpret_cast<uintptr_t>(pool));
    const char *p = pool_address(v);
    std::size_t room = static_cast<std::size_t>(std::min<int64_t>(64, lo + poolsize - static_cast<uint32_t>(v)));
    const void *nul = std::memchr(p, '\0', room);
    return s + ":" + hex(p, nul ? static_cast<std::size_t>(static_cast<const char *>(nul) - p) : room) +
           (nul ? "" : ":");
}

std::string state(void)
{
    std::string s = "state " + std::to_string(ev) + " " + std::to_string(poolsize) + " " +
                    std::to_string(poolnum) + " " + std::to_string(reinterpret_cast<uintptr_t>(pool));
    for (int i = 0; i < NVARS; i++)
        s += " " + std::to_string(var[i]);
    for (int i = 0; i < NLABELS; i++)
        s += " " + std::to_string(label[i]);
    return s;
}

std::string trail_list(void)
{
    std::string s = "trail";
    uint64_t now = history_on() ? history_time() : UINT64_MAX;
    for (std::size_t k = 1; k <= trail_count; k++) {   // newest first
        const Jump &j = trail[(trail_next + trail_max - k) % trail_max];
        if (j.time >= now)
            continue;   // stepped back: a jump still to come
        s += " " + std::to_string(j.pos) + " " + std::to_string(j.line) + " " +
             std::to_string(j.lab) + " " + std::to_string(j.pass);
    }
    return s;
}

// Jumps of a future forgotten: the trail goes on from the past it went back to.
// The history undid (delta < 0) or did again the jumps an item took.
void pass_undone(uint32_t pos, int32_t delta)
{
    if (pos < passes.size() && (delta > 0 || passes[pos] >= static_cast<uint32_t>(-int64_t(delta))))
        passes[pos] += static_cast<uint32_t>(delta);
}

void forget_trail_after(uint64_t now)
{
    std::vector<Jump> kept;
    for (std::size_t k = trail_count; k >= 1; k--) {   // oldest first
        const Jump &j = trail[(trail_next + trail_max - k) % trail_max];
        if (j.time < now)
            kept.push_back(j);
    }
    trail.assign(trail_max, Jump{});
    trail_next = trail_count = 0;
    for (const Jump &j : kept) {
        trail[trail_next] = j;
        trail_next = (trail_next + 1) % trail_max;
        trail_count++;
    }
}

// The run goes on from the item at pos: no search pending, no above waiting.
std::string move_to(int64_t pos, int64_t line)
{
    if (!at_item)
        return "error the run can only be moved from a statement's start";
    if (pos < 0 || pos > UINT32_MAX)
        return "error no such place";
    std::memset(label, 0, sizeof label);
    top = 0;
    moved = true;
    goto_pending = true;
    goto_pos = static_cast<uint32_t>(pos);
    goto_line_before = static_cast<int32_t>(line);
    if (goto_pos >= tokens_scanned()) {
        // ahead of the scan: the run's reader scans on to it (the script is a
        // file, nobody waits to type it), and the stop is told from there
        run_watch.forward = true;
        tokens_seek(tokens_scanned(), line_no);
        return "ahead";
    }
    tokens_seek(goto_pos, goto_line_before);
    TokenWalk w{goto_pos, static_cast<uint32_t>(line)};
    tokens_walk(w);
    goto_line = static_cast<int32_t>(w.line);
    return "ok";
}

// What a request asks of a stopped run.
std::string answer(const std::string &req)
{
    Words in(req);
    std::string verb;
    in.next(&verb);
    if (verb == "state")
        return state();
    if (verb == "trail")
        return trail_list();
    if (verb == "eval" || verb == "exec") {   // exec: the debug console's statements, run
        Ops ops;
        int32_t v;
        std::string why;
        op_texts.clear();
        if (!parse_ops(in, &ops))
            return "error the expression cannot be read";
        in_console = verb == "exec";
        bool done = evaluate(ops, &v, &why, in_console);
        in_console = false;
        if (done && verb == "exec")
            output_flush();   // what it printed shows before its answer
        return done ? "value " + shown(v) : "error " + why;
    }
    int64_t x = 0, y = 0;
    in.number(&x);
    in.number(&y);
    if (verb == "mem")
        return memory(x, y);
    if (verb == "set" && x >= 0 && x < NVARS) {
        var[x] = static_cast<int32_t>(y);
        seen[x] = var[x];   // not a change the run made
        return "ok";
    }
    if (verb == "elem") {
        if (!in_pool(x, 4))
            return "error Bad address. (array)";
        pool_write_watched(static_cast<int32_t>(x), static_cast<int32_t>(y));   // the history keeps it
        return "ok";
    }
    if (verb == "goto")
        return move_to(x, y);
    return "error";
}

// Settings that may come at any time before a resume.
bool setting(const std::string &req)
{
    Words in(req);
    std::string verb;
    in.next(&verb);
    if (verb == "config") {   // config TRAIL FAULT LOST SYNTAX WRAP HISTORY (bytes)
        int64_t n = 20, f = 1, l = 1, s = 0, w = 0, h = 0;
        in.number(&n);
        in.number(&f);
        in.number(&l);
        in.number(&s);
        in.number(&w);
        in.number(&h);
        history_start(static_cast<std::size_t>(std::clamp<int64_t>(h, 0, int64_t(1) << 40)), pass_undone);
        watch_all();
        std::size_t want = static_cast<std::size_t>(std::clamp<int64_t>(n, 0, 100000));
        if (want != trail_max) {   // set before the run starts: nothing to keep
            trail_max = want;
            trail.assign(want, Jump{});
            trail_next = trail_count = 0;
        }
        stop_on[0] = f;
        stop_on[1] = s;
        stop_on[2] = w;
        stop_on[3] = l;
    } else if (verb == "watch") {
        int64_t m = 0;
        in.number(&m);
        watch_mask = static_cast<uint32_t>(m);
        std::memcpy(seen, var, sizeof seen);
        watch_all();
    } else if (verb == "services") {
        services.clear();
        for (int64_t n; in.number(&n);)
            services.push_back(static_cast<int32_t>(n));
    } else {
        return false;
    }
    return true;
}

void told_stop(const char *reason, uint32_t pos, int32_t line)
{
    channel_write(chan, std::string("stopped ") + reason + " " + std::to_string(pos) + " " +
                            std::to_string(line));
}

// stepBack and reverseContinue: back one item, or back to the last one with
// a breakpoint; the run's state is then what it was at that item's start.
void go_back(bool to_breakpoint)
{
    if (breaks_changed)
        adopt_breaks();
    uint32_t pos;
    int32_t line;
    const char *why = nullptr;
    if (!history_back(&pos, &line, &why)) {
        channel_write(chan, std::string("error ") + why);
        return;
    }
    channel_write(chan, "ok");
    const char *reason = "step";
    while (to_breakpoint) {
        auto b = break_at.find(pos);
        if (b != break_at.end() && !b->second.landing_only) {
            reason = "breakpoint";
            break;
        }
        uint32_t p;
        int32_t l;
        if (!history_back(&p, &l, &why))
            break;   // the oldest kept
        pos = p;
        line = l;
    }
    past_pos = pos;
    past_line = line;
    told_stop(reason, pos, line);
}

// step, next, continue while in the past: forward through the history, its
// services not called again, its output not printed again. True when it
// stopped there again or at the present; false when a continue reached
// the present, where the run goes on.
bool go_forward(bool to_breakpoint)
{
    if (breaks_changed)
        adopt_breaks();
    uint32_t pos;
    int32_t line;
    for (;;) {
        if (!history_forward(&pos, &line)) {   // the present
            history_item(stop_pos, stop_line, WRITES_ALL);
            if (to_breakpoint)
                return false;
            told_stop("step", stop_pos, stop_line);
            return true;
        }
        past_pos = pos;
        past_line = line;
        auto b = break_at.find(pos);
        if (!to_breakpoint || (b != break_at.end() && !b->second.landing_only)) {
            told_stop(to_breakpoint ? "breakpoint" : "step", pos, line);
            return true;
        }
    }
}

// The run goes on from the item a step back showed, whose past was changed.
void resume_in_past(void)
{
    diverged = false;
    uint32_t n;
    const Token *t = past_pos < tokens_scanned() ? tokens_span(past_pos, &n) : nullptr;
    tokens_seek(past_pos, past_line - (t ? t->lines : 0));   // the counters are the history's
    moved = true;
    goto_pending = true;
    goto_told = true;   // the stop there was told already
    goto_pos = past_pos;
}

// Answers requests until one resumes the run.
void serve(void)
{
    for (;;) {
        std::string req;
        {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait(hold, [] { return !requests.empty() || gone; });
            if (requests.empty()) {
                mode = Mode::RUN;
                return;   // gone
            }
            req = std::move(requests.front());
            requests.erase(requests.begin());
        }
        if (req == "back" || req == "rback") {
            go_back(req == "rback");
            continue;
        }
        if ((req == "run" || req == "step" || req == "out") && history_in_past()) {
            if (go_forward(req == "run"))
                continue;   // stopped in the past again, or at the present
        }
        if (req == "run" || req == "step" || req == "out") {
            mode = req == "run" ? Mode::RUN : req == "step" ? Mode::STEP : Mode::OUT;
            if (diverged)
                resume_in_past();
            return;
        }
        if (setting(req))
            continue;
        if (history_in_past() && (req.compare(0, 4, "set ") == 0 || req.compare(0, 5, "elem ") == 0 ||
                                  req.compare(0, 5, "goto ") == 0 || req.compare(0, 5, "exec ") == 0)) {
            if (!at_item) {
                channel_write(chan, "error the run stopped inside a statement: its past can be "
                                    "looked at, not changed");
                continue;
            }
            history_forget_future();   // the past, changed, is where the run goes on
            forget_trail_after(history_time());
            diverged = true;
        }
        std::string reply = answer(req);
        if (req.compare(0, 5, "goto ") == 0 && reply.compare(0, 5, "error"))
            diverged = false;   // the goto moved the run itself
        if (reply == "ahead") {   // the run scans on to the goto's place first
            channel_write(chan, "ok");
            return;
        }
        if (req.compare(0, 5, "goto ") == 0 && reply == "ok") {   // the client awaits a stop there
            channel_write(chan, reply);
            reply = "stopped goto " + std::to_string(goto_pos) + " " + std::to_string(goto_line);
        }
        if (!channel_write(chan, reply))
            return;
    }
}

void stop(const char *reason, uint32_t pos, int32_t line, const std::string &detail = "",
          bool item = false)
{
    mode = Mode::RUN;
    step_reason = "step";
    at_item = item;
    stop_pos = pos;
    stop_line = line;
    output_flush();   // what the script printed shows before the stop
    std::fflush(stderr);
    history_touched();   // what the user sets while stopped is the item's change, also undone
    if (channel_write(chan, std::string("stopped ") + reason + " " + std::to_string(pos) + " " +
                                std::to_string(line) + (detail.empty() ? "" : " " + detail)))
        serve();
    at_item = false;
    watch_all();
}

// A line breakpoint reached: whether it stops (a logpoint never does).
bool break_hit(Break &b)
{
    if (!b.condition.empty()) {
        int32_t v;
        std::string why;
        if (evaluate(b.condition, &v, &why) && !v)
            return false;   // a condition that cannot be worked out stops, to be seen
    }
    b.hits++;
    if (b.hit_op == ">=" && b.hits < b.hit_n)
        return false;
    if (b.hit_op == ">" && b.hits <= b.hit_n)
        return false;
    if (b.hit_op == "==" && b.hits != b.hit_n)
        return false;
    if (b.hit_op == "%" && (b.hit_n <= 0 || b.hits % b.hit_n != 0))
        return false;
    if (b.log) {
        std::string line = "log " + std::to_string(b.log);
        for (const Ops &ops : b.values) {
            int32_t v;
            std::string why;
            line += evaluate(ops, &v, &why) ? " " + shown(v) : " ?";
        }
        output_flush();   // the log line among what the script printed, in order
        std::fflush(stderr);
        if (channel_write(chan, line)) {
            // shown before the script writes more: its stderr comes on a pipe of its own
            std::unique_lock<std::mutex> hold(lock);
            uint64_t mine = ++logs_sent;
            wake.wait_for(hold, std::chrono::seconds(5), [mine] { return logs_shown >= mine || gone; });
        }
        return false;
    }
    return true;
}

// The watched variables the run changed since the last look ("a old new ...");
// every variable's value is taken as seen.
std::string changed(void)
{
    std::string what;
    for (int i = 0; i < NVARS; i++) {
        if ((watch_mask >> i & 1) && var[i] != seen[i])
            what += (what.empty() ? "" : " ") + std::string(1, static_cast<char>('a' + i)) + " " +
                    std::to_string(seen[i]) + " " + std::to_string(var[i]);
        seen[i] = var[i];
    }
    return what;
}

// Whether a watched variable changed: the stop's detail in *what.
bool watched_changed(std::string *what)
{
    if (!watch_mask || std::memcmp(seen, var, sizeof seen) == 0)
        return false;
    *what = changed();
    return !what->empty();
}

// An item start the run showed us; true if a goto moved the run. With a
// history kept it runs at every item: it does little unless it stops.
[[gnu::noinline]] bool stop_point(uint32_t pos, int32_t line, bool landing)
{
    if (idle && !run_watch_line(line) && !pause_asked.load(std::memory_order_relaxed) &&
        !breaks_changed.load(std::memory_order_relaxed)) {
        jumped_since = false;
        return false;
    }
    if (gone.load(std::memory_order_relaxed)) {
        run_watch.every = false;
        run_watch.nlines = 0;   // unwatched from now on
        return false;
    }
    if (run_watch.forward) {   // scanning on to a goto's place: nothing runs
        if (tokens_scanned() <= goto_pos) {
            tokens_seek(tokens_scanned(), line_no);
            return true;
        }
        run_watch.forward = false;
        tokens_seek(goto_pos, goto_line_before);
        goto_told = false;
        return true;
    }
    landing = landing || jumped_since;
    jumped_since = false;
    moved = false;
    if (goto_pending) {
        goto_pending = false;
        if (pos == goto_pos) {
            if (goto_told)
                return false;   // reported already
            goto_told = true;
            stop("goto", pos, line, "", true);
            return moved;
        }
    }
    if (breaks_changed.load(std::memory_order_relaxed))
        adopt_breaks();
    if (pause_asked.load(std::memory_order_relaxed)) {
        pause_asked = false;
        stop("pause", pos, line, "", true);
    } else if (mode == Mode::STEP || (mode == Mode::OUT && landing)) {
        stop(step_reason, pos, line, "", true);
    } else if (std::string what; watched_changed(&what)) {
        stop("data", pos, line, std::to_string(prev_pos) + " " + std::to_string(prev_line) + " " + what,
             true);
    } else if (!break_at.empty()) {
        auto b = break_at.find(pos);
        if (b != break_at.end() && (landing || !b->second.landing_only) &&
            break_hit(breaks[b->second.index]))
            stop("breakpoint", pos, line, "", true);
    }
    return moved;
}

bool on_item(uint32_t pos, int32_t line)
{
    if (history_on() && !run_watch.forward) {
        history_item(pos, line, run_watch.writes);
        if (idle && !run_watch_line(line) && !pause_asked.load(std::memory_order_relaxed) &&
            !breaks_changed.load(std::memory_order_relaxed)) {
            jumped_since = false;   // kept for the history alone: nothing can stop here
            return false;
        }
    }
    bool moved_now = stop_point(pos, line, false);
    prev_pos = pos;   // while variables are watched every item comes here
    prev_line = line;
    return moved_now;
}

void on_landed(uint32_t pos, int32_t line)
{
    if (history_on())
        history_item(pos, line, WRITES_ALL);
    stop_point(pos, line, true);
    prev_pos = pos;
    prev_line = line;
}

[[gnu::noinline]] void grow_passes(uint32_t pos)
{
    passes.resize(std::size_t(pos) + 1);
}

// Each pass of a loop comes here: the growing is out of its way.
void on_jumped(int lab)
{
    jumped_since = true;
    if (trail_max == 0)
        return;
    if (run_watch.pos >= passes.size())
        grow_passes(run_watch.pos);
    if (history_on())
        history_jumped();   // undone, the pass is not counted
    trail[trail_next] = Jump{run_watch.pos, run_watch.line, lab, ++passes[run_watch.pos],
                             history_on() ? history_time() : 0};
    if (++trail_next == trail_max)   // a loop passes here each time: no division
        trail_next = 0;
    if (trail_count < trail_max)
        trail_count++;
}

void on_report(RunReport kind, const char *what)
{
    static const char *const reasons[] = {"fault", "syntax", "wrap"};
    int k = static_cast<int>(kind);
    if (stop_on[k] && !gone && !in_console)
        stop(reasons[k], run_watch.pos, run_watch.line, what);
}

// The input ended with a search pending: stop at the jump that started it.
void on_lost(void)
{
    if (!stop_on[3] || gone || trail_count == 0)
        return;
    const Jump &j = trail[(trail_next + trail_max - 1) % trail_max];
    stop("lost", j.pos, j.line, std::to_string(j.lab));
}

void on_service(int32_t number)
{
    if (!gone && !in_console && std::find(services.begin(), services.end(), number) != services.end())
        stop("function", run_watch.pos, run_watch.line, std::to_string(number));
}

void on_pool(char *at, std::size_t n)
{
    history_pool(at, n);
}

#ifndef _WIN32
// quill's end, told to quill-debug, which did not start it when the run is
// in the client's terminal.
void told_exit(int status, void *)
{
    if (!gone)
        channel_write(chan, "exit " + std::to_string(status));
}
#endif

const RunHooks hooks = {on_item, on_landed, on_jumped, on_report, on_lost, on_service, on_pool};

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
    run_hooks = &hooks;   // the fast paths stay on: they report each item start too
#ifndef _WIN32
    on_exit(told_exit, nullptr);
#endif
    trail.assign(trail_max, Jump{});
    std::thread(reader).detach();
    if (channel_write(chan, "hello " + std::to_string(agent_pid())))
        serve();
    if (mode == Mode::STEP)
        step_reason = "entry";
    if (breaks_changed)
        adopt_breaks();
    watch_all();
}

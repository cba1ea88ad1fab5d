/*
 * adapter.cpp - the session: requests from the client, lines from quill's
 * agent, and quill's end, one at a time (host.h gives them in order).
 */
#include "adapter.h"

#include "expr.h"
#include "host.h"
#include "script.h"

#include <climits>
#include <filesystem>
#include <cstring>
#include <cstdlib>
#include <sstream>

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

// A path with its links and dots resolved, as editors name files; as given
// when it does not exist.
std::string full_path(const std::string &path)
{
    std::error_code ec;
    fs::path full = fs::canonical(fs::path(path), ec);
    return ec ? path : full.string();
}

std::string under(const std::string &dir, const std::string &path)
{
    return dir.empty() || fs::path(path).is_absolute() ? path : (fs::path(dir) / path).string();
}

constexpr int THREAD = 1;   // a script is one thread of control
constexpr int VARIABLES = 1, LABELS = 2, POOL = 3;
constexpr int ARRAYS = 100;   // from here on: the elements at an address, arrays[ref - ARRAYS]
constexpr int PAGE = 100;     // elements shown at once, when the client asks for no range

struct Session {
    DebugScript script;
    std::string program;               // as the frames name it
    std::string cwd;                   // the launch's: relative paths are taken from it
    bool launched = false, configured = false, agent_ready = false, started = false;
    bool stopped = false, exited = false, stop_on_entry = false;
    bool stop_on[4] = {true, true, false, false};   // fault, lost, syntax, wrap
    int trail = 20;
    long long history = 64;            // MB of history for stepping back
    std::string breaks = "break";      // the breakpoints as the agent takes them
    std::vector<std::string> logs;     // logpoint n's message is logs[n - 1]
    std::string services = "services", watch = "watch 0";
    int stop_tok = -1;                 // where the run stands
    bool pause_pending = false;
    json launch_args;
    json restart_req;                  // a restart waiting for the old run's end
    json exception;                    // what the stop at an exception was
    bool terminal_ok = false;          // the client can run quill in its terminal
    int exit_code = HOST_UNKNOWN_STATUS;   // as quill told it
    std::vector<long long> arrays;     // addresses whose elements are asked for, this stop
} S;

void respond(const json &req, bool success, json body = json::object(), const std::string &message = "")
{
    if (body.is_null())
        body = json::object();
    json r = {{"type", "response"}, {"request_seq", req.value("seq", 0)}, {"success", success},
              {"command", req.value("command", "")}, {"body", std::move(body)}};
    if (!success)
        r["message"] = message;
    host_send(std::move(r));
}

void event(const char *name, json body = json::object())
{
    host_send({{"type", "event"}, {"event", name}, {"body", std::move(body)}});
}

json source(void)
{
    std::string name = fs::path(S.program).filename().string();
    return {{"name", name}, {"path", S.program}};
}

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string x; in >> x;)
        w.push_back(x);
    return w;
}

long long number(const std::string &s)
{
    return std::strtoll(s.c_str(), nullptr, 10);
}

void tell_agent_config(void)
{
    host_tell("config " + std::to_string(S.trail) + " " + std::to_string(S.stop_on[0]) + " " +
              std::to_string(S.stop_on[1]) + " " + std::to_string(S.stop_on[2]) + " " +
              std::to_string(S.stop_on[3]) + " " + std::to_string(S.history << 20));
    host_tell(S.breaks);
    host_tell(S.services);
    host_tell(S.watch);
}

void start_if_ready(void)
{
    if (S.configured && S.agent_ready && !S.started) {
        S.started = true;
        host_tell(S.stop_on_entry ? "step" : "run");
    }
}

// Starts quill on the launch arguments; "" or why not.
std::string start_run(const json &a)
{
    Launch l;
    l.program = a.value("program", "");
    l.cwd = a.value("cwd", "");
    if (l.program.empty())
        return "launch needs the script's path in \"program\"";
    std::string console = a.value("console", "internalConsole");
    if (console != "internalConsole" && console != "integratedTerminal" && console != "externalTerminal")
        return "console: internalConsole, integratedTerminal or externalTerminal, not " + console;
    if (console != "internalConsole" && !S.terminal_ok)
        return "console " + console + ": this client cannot run programs in a terminal";
    std::error_code ec;
    if (!l.cwd.empty() && !fs::is_directory(fs::path(l.cwd), ec))
        return "cwd: no directory " + l.cwd;
    l.program = under(l.cwd, l.program);
    S.cwd = l.cwd;
    S.program = full_path(l.program);
    std::string why;
    if (!script_load(S.script, l.program, &why))
        return why;
    l.input = a.value("stdin", "");
    if (!l.input.empty())
        l.input = under(l.cwd, l.input);
    if (a.contains("env") && a["env"].is_object())
        for (auto &[k, v] : a["env"].items())
            l.env.emplace_back(k, v.is_string() ? std::optional<std::string>(v.get<std::string>())
                                                : std::nullopt);
    if (a.value("trace", false))
        l.options.push_back("-g");
    if (a.contains("poolSize") && a["poolSize"].is_number_integer()) {
        l.options.push_back("-s");
        l.options.push_back(std::to_string(a["poolSize"].get<long long>()));
    }
    S.stop_on_entry = a.value("stopOnEntry", false);
    if (a.contains("history") && a["history"].is_number_integer())
        S.history = std::clamp<long long>(a["history"].get<long long>(), 0, 1 << 20);
    if (a.contains("trail") && a["trail"].is_number_integer())
        S.trail = static_cast<int>(std::clamp<long long>(a["trail"].get<long long>(), 0, 100000));
    S.exit_code = HOST_UNKNOWN_STATUS;
    if (console == "internalConsole") {
        if (!host_start(l, &why))
            return why;
    } else {
        std::string channel = host_listen(&why);
        if (channel.empty())
            return why;
        json args = json::array({host_quill()});
        for (const std::string &o : l.options)
            args.push_back(o);
        args.push_back("-f");
        args.push_back(l.program);
        json env = {{"QUILL_DEBUG_CHANNEL", channel}};
        for (const auto &[name, value] : l.env)
            env[name] = value ? json(*value) : json(nullptr);
        json run = {{"kind", console == "integratedTerminal" ? "integrated" : "external"},
                    {"title", "quill " + fs::path(S.program).filename().string()},
                    {"args", args}, {"env", env}};
        if (!l.cwd.empty())
            run["cwd"] = l.cwd;
        // the script's input and output are the terminal's: a script that asks questions
        host_send({{"type", "request"}, {"command", "runInTerminal"}, {"arguments", run}});
    }
    S.launched = true;
    S.launch_args = a;
    return "";
}

void launch(const json &req)
{
    if (S.launched)
        return respond(req, false, {}, "the script is already launched");
    std::string why = start_run(req.value("arguments", json::object()));
    respond(req, why.empty(), {}, why);
}

// A breakpoint for the agent: HITOP HITN LOG condition [| value]...
std::string break_spec(const json &b, int tok, std::vector<std::string> *logs, std::string *why)
{
    std::string condition, ops;
    if (b.contains("condition") && b["condition"].is_string() && !b["condition"].get<std::string>().empty() &&
        !expr_compile(b["condition"].get<std::string>(), &condition, why))
        return *why = "condition: " + *why, "";
    std::string hit_op = "-";
    long long hit_n = 0;
    std::string hit = b.value("hitCondition", "");
    if (!hit.empty()) {
        std::size_t digits = hit.find_first_of("0123456789");
        std::string op = hit.substr(0, digits);
        op.erase(std::remove(op.begin(), op.end(), ' '), op.end());
        char *end = nullptr;
        hit_n = digits == std::string::npos ? -1 : std::strtoll(hit.c_str() + digits, &end, 10);
        hit_op = op.empty() ? ">=" : op;
        if (hit_n < 0 || (end && *end) || (hit_op != ">=" && hit_op != ">" && hit_op != "==" && hit_op != "%"))
            return *why = "hit count: a number, or >= > == % and a number", "";
    }
    int log = 0;
    std::string values;
    if (b.contains("logMessage") && b["logMessage"].is_string()) {
        std::string message = b["logMessage"].get<std::string>(), shown;
        for (std::size_t i = 0; i < message.size(); i++) {
            std::size_t close;
            if (message[i] == '{' && (close = message.find('}', i)) != std::string::npos) {
                std::string value;
                if (!expr_compile(message.substr(i + 1, close - i - 1), &value, why))
                    return *why = "log message: " + *why, "";
                values += " |" + value;
                shown += '\x01';   // where a value goes
                i = close;
            } else {
                shown += message[i];
            }
        }
        logs->push_back(shown);
        log = static_cast<int>(logs->size());
    }
    // where it stops: the line's first item, and a label later on it when a jump lands there
    std::string at;
    int line = script_place(S.script, tok).line;
    for (int t : S.script.stops) {
        if (t < tok || script_place(S.script, t).line != line)
            continue;
        bool label = S.script.s.toks[static_cast<std::size_t>(t)].code == LABEL &&
                     static_cast<std::size_t>(t) + 1 < S.script.s.toks.size() &&
                     S.script.s.toks[static_cast<std::size_t>(t) + 1].code == COL;
        if (t == tok || label)
            at += " " + std::to_string(script_stream_pos(S.script, t)) + ":" +
                  std::to_string(check_quill_line(S.script.s, t)) + (t == tok ? ":f" : ":l");
    }
    return hit_op + " " + std::to_string(hit_n) + " " + std::to_string(log) + at + condition + values;
}

void set_breakpoints(const json &req)
{
    const json &a = req.value("arguments", json::object());
    std::string path = a.value("source", json::object()).value("path", "");
    bool ours = S.launched && (path == S.program || full_path(under(S.cwd, path)) == S.program);
    json out = json::array();
    std::string breaks = "break";
    std::vector<std::string> logs;
    int id = 0;
    for (const json &b : a.value("breakpoints", json::array())) {
        int line = b.value("line", 0);
        int tok = ours ? script_stop_from(S.script, line) : -1;
        json r = {{"id", ++id}, {"verified", false}, {"line", line}};
        std::string spec, why;
        if (tok < 0)
            why = ours ? "no statement runs on this line or after it" : "not the script being debugged";
        else
            spec = break_spec(b, tok, &logs, &why);
        if (why.empty()) {
            r["verified"] = true;
            r["line"] = script_place(S.script, tok).line;
            breaks += (breaks.size() > 5 ? " , " : " ") + spec;
        } else {
            r["message"] = why;
        }
        out.push_back(std::move(r));
    }
    if (ours) {
        S.breaks = breaks;
        S.logs = logs;
        if (S.agent_ready)
            host_tell(S.breaks);
    }
    respond(req, true, {{"breakpoints", out}});
}

std::string fault_text(const std::vector<std::string> &w)
{
    std::string text;
    for (std::size_t i = 4; i < w.size(); i++)
        text += (text.empty() ? "" : " ") + w[i];
    return text;
}

void on_stopped(const std::vector<std::string> &w)
{
    if (w.size() < 4)
        return;
    S.exception = json();
    S.stopped = true;
    S.arrays.clear();
    S.stop_tok = script_token(S.script, static_cast<uint32_t>(number(w[2])));
    std::string reason = w[1];
    json body = {{"threadId", THREAD}, {"allThreadsStopped", true}, {"reason", reason}};
    std::string detail = fault_text(w);
    if (reason == "lost") {
        std::string lab(1, static_cast<char>('A' + number(w.size() > 4 ? w[4] : "0") % 26));
        body["reason"] = "exception";
        body["description"] = "label " + lab + " not found";
        body["text"] = "the search for " + lab + " ran to the end of the script: the run ends without a word";
    } else if (reason == "fault" || reason == "syntax" || reason == "wrap") {
        body["reason"] = "exception";
        body["description"] = reason == "fault" ? "runtime error" : reason == "syntax" ? "syntax error" : "pool over";
        body["text"] = reason == "wrap" ? "Pool over. (" + detail + "): the pool starts again from its first byte"
                                        : detail;
    } else if (reason == "function") {
        body["reason"] = "function breakpoint";
        const Service *svc = check_service(static_cast<int>(number(detail)));
        body["description"] = "func " + detail + (svc ? std::string(" (") + svc->name + ")" : "");
    } else if (reason == "data") {
        body["reason"] = "data breakpoint";
        std::vector<std::string> d = words(detail);   // pos line (var old new)...
        std::string text;
        for (std::size_t i = 2; i + 2 < d.size(); i += 3)
            text += (text.empty() ? "" : ", ") + d[i] + " changed from " + d[i + 1] + " to " + d[i + 2];
        if (d.size() >= 2) {
            int tok = script_token(S.script, static_cast<uint32_t>(number(d[0])));
            text += " (line " + std::to_string(script_place(S.script, tok).line) + ")";
        }
        body["description"] = text;
        body["text"] = text;
    }
    if (body["reason"] == "exception")
        S.exception = {{"exceptionId", w[1]}, {"description", body.value("text", "")},
                       {"breakMode", "always"},
                       {"details", {{"message", body.value("description", "")}}}};
    event("stopped", std::move(body));
}

json frame(int id, int tok, const std::string &suffix)
{
    Place p = script_place(S.script, tok);
    return {{"id", id}, {"name", script_words(S.script, tok) + suffix}, {"line", p.line},
            {"column", p.column}, {"source", source()}};
}

void stack_trace(const json &req)
{
    json frames = json::array();
    frames.push_back(frame(0, S.stop_tok, ""));
    std::string reply;
    if (host_ask("trail", &reply)) {
        std::vector<std::string> w = words(reply);
        for (std::size_t i = 1; i + 3 < w.size(); i += 4) {
            int tok = script_token(S.script, static_cast<uint32_t>(number(w[i])));
            frames.push_back(frame(static_cast<int>(frames.size()), tok, " (pass " + w[i + 3] + ")"));
        }
    }
    const json &a = req.value("arguments", json::object());
    std::size_t first = a.value("startFrame", 0u), levels = a.value("levels", 0u);
    json shown = json::array();
    for (std::size_t i = first; i < frames.size() && (levels == 0 || i < first + levels); i++)
        shown.push_back(frames[i]);
    respond(req, true, {{"stackFrames", shown}, {"totalFrames", frames.size()}});
}

json variable(const std::string &name, const std::string &value, int ref = 0)
{
    return {{"name", name}, {"value", value}, {"variablesReference", ref}};
}

std::string unhex(const std::string &h)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        bytes += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    return bytes;
}

// A text as shown beside its address: quoted, what is not UTF-8 escaped.
std::string quoted(const std::string &bytes, bool whole)
{
    return " \"" + check_quote(bytes) + (whole ? "\"" : "...\"");
}

// The text at address v, when v lies in the pool: "" otherwise.
std::string text_at(long long v)
{
    std::string reply;
    if (!host_ask("mem " + std::to_string(v) + " 64", &reply))
        return "";
    std::vector<std::string> w = words(reply);
    if (w.size() < 3)
        return "";
    std::string bytes = unhex(w[2]);
    std::size_t nul = bytes.find('\0');
    return quoted(bytes.substr(0, nul), nul != std::string::npos);
}

// A value the agent showed as NUMBER[:HEX[:]] (the text it addresses, cut short with a ':').
std::string agent_value(const std::string &v)
{
    std::size_t colon = v.find(':');
    if (colon == std::string::npos)
        return v;
    std::string h = v.substr(colon + 1);
    bool cut = !h.empty() && h.back() == ':';
    if (cut)
        h.pop_back();
    return v.substr(0, colon) + quoted(unhex(h), !cut);
}

void on_log(const std::vector<std::string> &w)
{
    host_tell("logged");   // the script goes on; what it writes then is read after this line
    std::size_t n = static_cast<std::size_t>(number(w.size() > 1 ? w[1] : "0"));
    if (n == 0 || n > S.logs.size())
        return;
    std::string text;
    std::size_t v = 2;
    for (char c : S.logs[n - 1])
        text += c != '\x01' ? std::string(1, c) : v < w.size() ? agent_value(w[v++]) : "?";
    event("output", {{"category", "console"}, {"output", text + "\n"}});
}

// Elements of the array at an address: [start, start + count), or a page.
void elements(const json &req, long long base)
{
    const json &a = req.value("arguments", json::object());
    // a client's numbers, any size: kept where the sums below cannot overflow
    long long start = std::clamp(a.value("start", 0LL), 0LL, 1LL << 32), count = a.value("count", 0LL);
    count = std::clamp(count > 0 ? count : PAGE, 1LL, 10000LL);
    std::string reply;
    if (!host_ask("mem " + std::to_string(base + 4 * start) + " " + std::to_string(4 * count), &reply))
        return respond(req, false, {}, "quill does not answer");
    std::vector<std::string> w = words(reply);
    std::string bytes = w.size() >= 3 ? unhex(w[2]) : "";
    json list = json::array();
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        int32_t v;
        std::memcpy(&v, bytes.data() + i, 4);
        list.push_back(variable("[" + std::to_string(start + static_cast<long long>(i / 4)) + "]",
                                std::to_string(v)));
    }
    respond(req, true, {{"variables", list}});
}

void variables(const json &req)
{
    int ref = req.value("arguments", json::object()).value("variablesReference", 0);
    if (ref >= ARRAYS && static_cast<std::size_t>(ref - ARRAYS) < S.arrays.size())
        return elements(req, S.arrays[static_cast<std::size_t>(ref - ARRAYS)]);
    std::string reply;
    if (!host_ask("state", &reply))
        return respond(req, false, {}, "quill does not answer");
    std::vector<std::string> w = words(reply);   // state ev size used first-var a..z A..Z
    if (w.size() < 5 + 26 + 26)
        return respond(req, false, {}, "quill's answer is cut short");
    long long ev = number(w[1]), size = number(w[2]), used = number(w[3]), pool_start = number(w[4]);
    json list = json::array();
    if (ref == VARIABLES) {
        for (int i = 0; i < 26; i++) {
            long long v = number(w[5 + static_cast<std::size_t>(i)]);
            json x = variable(std::string(1, static_cast<char>('a' + i)), std::to_string(v) + text_at(v));
            if (v >= pool_start && v < pool_start + size) {
                // it may be an array: its elements, as far as the pool goes, in pages
                x["memoryReference"] = std::to_string(v);
                x["indexedVariables"] = (pool_start + size - v) / 4;
                x["variablesReference"] = ARRAYS + static_cast<int>(S.arrays.size());
                S.arrays.push_back(v);
            }
            list.push_back(std::move(x));
        }
        list.push_back(variable("ev", std::to_string(ev)));
        int status = ev >= 0 && ev <= 255 ? static_cast<int>(ev)
                                           : static_cast<int>((ev < 0 ? -ev : ev) % 256);
        list.push_back(variable("exit status", std::to_string(status)));
    } else if (ref == LABELS) {
        Flow flow = check_labels(S.script.s);
        for (int lab = 0; lab < 26; lab++) {
            std::string lines;
            for (const LabelDef &d : flow.defs)
                if (d.lab == lab)
                    lines += (lines.empty() ? "" : ", ") +
                             std::to_string(script_place(S.script, d.label_tok).line);
            long long count = number(w[31 + static_cast<std::size_t>(lab)]);
            if (lines.empty() && count == 0)
                continue;
            std::string value = lines.empty() ? "not defined" : "line " + lines;
            if (count)
                value += ", searched for (" + std::to_string(count) + " to go)";
            list.push_back(variable(std::string(1, static_cast<char>('A' + lab)), value));
        }
    } else if (ref == POOL) {
        json start = variable("start", std::to_string(pool_start));
        start["memoryReference"] = std::to_string(pool_start);
        list.push_back(std::move(start));
        list.push_back(variable("size", std::to_string(size)));
        list.push_back(variable("used", std::to_string(used)));
    }
    respond(req, true, {{"variables", list}});
}

void scopes(const json &req)
{
    json list = json::array({{{"name", "Variables"}, {"variablesReference", VARIABLES}, {"expensive", false}},
                             {{"name", "Labels"}, {"variablesReference", LABELS}, {"expensive", false}},
                             {{"name", "Pool"}, {"variablesReference", POOL}, {"expensive", false}}});
    respond(req, true, {{"scopes", list}});
}

void resume(const json &req, const char *how)
{
    if (S.stopped) {
        S.stopped = false;
        host_tell(how);
    }
    respond(req, true, {{"allThreadsContinued", true}});
}

json capabilities(void)
{
    json filters = json::array();
    const char *const names[][3] = {
        {"fault", "Runtime errors", "before quill reports a runtime error and ends"},
        {"lost", "Label not found", "at a jump whose search runs to the end of the script"},
        {"syntax", "Syntax errors", "at the statement quill cannot read, before it says so"},
        {"wrap", "Pool over", "when the pool is full and starts again from its first byte"}};
    for (int i = 0; i < 4; i++)
        filters.push_back({{"filter", names[i][0]}, {"label", names[i][1]}, {"description", names[i][2]},
                           {"default", S.stop_on[i]}});
    return {{"supportsConfigurationDoneRequest", true},
            {"supportsTerminateRequest", true},
            {"supportsRestartRequest", true},
            {"supportsConditionalBreakpoints", true},
            {"supportsHitConditionalBreakpoints", true},
            {"supportsLogPoints", true},
            {"supportsFunctionBreakpoints", true},
            {"supportsDataBreakpoints", true},
            {"supportsEvaluateForHovers", true},
            {"supportsSetVariable", true},
            {"supportsGotoTargetsRequest", true},
            {"supportsReadMemoryRequest", true},
            {"supportsStepBack", true},
            {"supportsExceptionInfoRequest", true},
            {"exceptionBreakpointFilters", filters}};
}

// "func 5", "5" or a service's name, as a function breakpoint names it.
int service_named(std::string name)
{
    if (name.compare(0, 5, "func ") == 0)
        name = name.substr(5);
    char *end;
    long n = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && !*end)
        return check_service(static_cast<int>(n)) ? static_cast<int>(n) : INT_MIN;
    for (int i = 0; i < check_service_count; i++)
        if (name == check_services[i].name)
            return check_services[i].number;
    return INT_MIN;
}

void set_function_breakpoints(const json &req)
{
    json out = json::array();
    S.services = "services";
    for (const json &b : req.value("arguments", json::object()).value("breakpoints", json::array())) {
        int n = service_named(b.value("name", ""));
        json r = {{"verified", n != INT_MIN}};
        if (n == INT_MIN)
            r["message"] = "no service of that number or name (func -2 to 18)";
        else
            S.services += " " + std::to_string(n);
        out.push_back(std::move(r));
    }
    if (S.agent_ready)
        host_tell(S.services);
    respond(req, true, {{"breakpoints", out}});
}

void data_breakpoint_info(const json &req)
{
    const json &a = req.value("arguments", json::object());
    std::string name = a.value("name", "");
    bool variable = name.size() == 1 && name[0] >= 'a' && name[0] <= 'z' &&
                    a.value("variablesReference", VARIABLES) == VARIABLES;
    if (!variable)
        return respond(req, true, {{"dataId", nullptr}, {"description", "only the variables a to z can be watched"}});
    respond(req, true, {{"dataId", name}, {"description", "when the run changes " + name},
                        {"accessTypes", json::array({"write"})}, {"canPersist", true}});
}

void set_data_breakpoints(const json &req)
{
    json out = json::array();
    unsigned mask = 0;
    for (const json &b : req.value("arguments", json::object()).value("breakpoints", json::array())) {
        std::string id = b.value("dataId", "");
        bool ok = id.size() == 1 && id[0] >= 'a' && id[0] <= 'z';
        if (ok)
            mask |= 1u << (id[0] - 'a');
        out.push_back({{"verified", ok}});
    }
    S.watch = "watch " + std::to_string(mask);
    if (S.agent_ready)
        host_tell(S.watch);
    respond(req, true, {{"breakpoints", out}});
}

void evaluate(const json &req)
{
    const json &a = req.value("arguments", json::object());
    std::string text = a.value("expression", ""), ops, why, reply;
    bool console = a.value("context", "") == "repl";   // statements run for real there
    if (!(console ? expr_compile_statements(text, &ops, &why) : expr_compile(text, &ops, &why)))
        return respond(req, false, {}, why);
    if (!S.stopped)
        return respond(req, false, {}, "the script is running: pause it first");
    if (!host_ask((console ? "exec" : "eval") + ops, &reply))
        return respond(req, false, {}, "quill does not answer");
    std::vector<std::string> w = words(reply);
    if (w.size() < 2 || w[0] != "value")
        return respond(req, false, {}, reply.size() > 6 ? reply.substr(6) : "cannot be worked out");
    json body = {{"result", agent_value(w[1])}, {"variablesReference", 0}};
    if (w[1].find(':') != std::string::npos)
        body["memoryReference"] = w[1].substr(0, w[1].find(':'));
    respond(req, true, std::move(body));
}

void set_variable(const json &req)
{
    const json &a = req.value("arguments", json::object());
    std::string name = a.value("name", ""), ops, why, reply;
    int ref = a.value("variablesReference", 0);
    bool element = ref >= ARRAYS && static_cast<std::size_t>(ref - ARRAYS) < S.arrays.size() &&
                   name.size() > 2 && name.front() == '[' && name.back() == ']';
    if (!element && (ref != VARIABLES || name.size() != 1 || name[0] < 'a' || name[0] > 'z'))
        return respond(req, false, {}, "only the variables a to z and elements can be set");
    if (!expr_compile(a.value("value", ""), &ops, &why))
        return respond(req, false, {}, why);
    if (!host_ask("eval" + ops, &reply) || reply.compare(0, 6, "value ") != 0)
        return respond(req, false, {}, reply.size() > 6 ? reply.substr(6) : "cannot be worked out");
    long long v = number(reply.substr(6));
    std::string set = element ? "elem " + std::to_string(S.arrays[static_cast<std::size_t>(ref - ARRAYS)] +
                                                         4 * std::clamp(number(name.substr(1)), 0LL, 1LL << 32))
                              : "set " + std::to_string(name[0] - 'a');
    if (!host_ask(set + " " + std::to_string(v), &reply) || reply != "ok")
        return respond(req, false, {}, reply.size() > 6 ? reply.substr(6) : "cannot be set");
    respond(req, true, {{"value", std::to_string(v) + (element ? "" : text_at(v))}});
}

void goto_targets(const json &req)
{
    const json &a = req.value("arguments", json::object());
    int line = a.value("line", 0);
    json targets = json::array();
    for (int tok : S.script.stops) {
        Place p = script_place(S.script, tok);
        if (p.line == line)
            targets.push_back({{"id", tok}, {"label", script_words(S.script, tok)}, {"line", p.line},
                               {"column", p.column}});
    }
    respond(req, true, {{"targets", targets}});
}

void go_to(const json &req)
{
    int tok = req.value("arguments", json::object()).value("targetId", -1);
    if (tok < 0 || static_cast<std::size_t>(tok) >= S.script.s.toks.size())
        return respond(req, false, {}, "no such target");
    int32_t line_before = tok ? check_quill_line(S.script.s, tok - 1) : 1;
    std::string reply;
    if (!host_ask("goto " + std::to_string(script_stream_pos(S.script, tok)) + " " +
                      std::to_string(line_before), &reply) || reply != "ok")
        return respond(req, false, {}, reply.size() > 6 ? reply.substr(6) : "quill does not answer");
    S.stopped = false;   // the stop at the target follows
    respond(req, true);
}

std::string base64(const std::string &bytes)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            n |= static_cast<unsigned char>(bytes[i + 2]);
        out += table[n >> 18 & 63];
        out += table[n >> 12 & 63];
        out += i + 1 < bytes.size() ? table[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? table[n & 63] : '=';
    }
    return out;
}

void read_memory(const json &req)
{
    const json &a = req.value("arguments", json::object());
    long long at = std::clamp(number(a.value("memoryReference", "0")), -(1LL << 40), 1LL << 40) +
                   std::clamp(a.value("offset", 0LL), -(1LL << 40), 1LL << 40);   // no overflow
    long long count = std::clamp(a.value("count", 0LL), 0LL, 1LL << 20);
    std::string reply;
    if (!host_ask("mem " + std::to_string(at) + " " + std::to_string(count), &reply))
        return respond(req, false, {}, "quill does not answer");
    std::vector<std::string> w = words(reply);
    if (w.size() < 3)
        return respond(req, true, {{"address", std::to_string(at)}, {"unreadableBytes", count}});
    std::string bytes = unhex(w[2]);
    respond(req, true, {{"address", w[1]}, {"data", base64(bytes)},
                        {"unreadableBytes", count - static_cast<long long>(bytes.size())}});
}

void step_back(const json &req, const char *how)
{
    if (!S.stopped)
        return respond(req, false, {}, "the script is running");
    std::string reply;
    if (!host_ask(how, &reply))
        return respond(req, false, {}, "quill does not answer");
    if (reply != "ok")
        return respond(req, false, {}, reply.size() > 6 ? reply.substr(6) : reply);
    S.stopped = false;   // the stop where it went follows
    respond(req, true);
}

void restart(const json &req)
{
    if (!host_running()) {
        const json &a = req.value("arguments", json::object());
        std::string why = start_run(a.contains("arguments") ? a["arguments"] : S.launch_args);
        return respond(req, why.empty(), {}, why);
    }
    S.restart_req = req;   // answered once the old run has ended
    host_end(true);
}

// One request; false once the session is over.
bool request(const json &req)
{
    std::string c = req.value("command", "");
    bool stopped_only = c == "stackTrace" || c == "scopes" || c == "variables" || c == "setVariable" ||
                        c == "goto" || c == "readMemory";
    if (stopped_only && !S.stopped)
        return respond(req, false, {}, "the script is running"), true;
    if (c == "initialize") {
        S.terminal_ok = req.value("arguments", json::object()).value("supportsRunInTerminalRequest", false);
        respond(req, true, capabilities());
    } else if (c == "launch") {
        launch(req);
        if (S.launched)
            event("initialized");   // breakpoints now have a script to be checked against
    } else if (c == "setBreakpoints") {
        set_breakpoints(req);
    } else if (c == "setExceptionBreakpoints") {
        std::vector<std::string> f = req.value("arguments", json::object()).value("filters", std::vector<std::string>{});
        const char *const names[] = {"fault", "lost", "syntax", "wrap"};
        for (int i = 0; i < 4; i++)
            S.stop_on[i] = std::find(f.begin(), f.end(), names[i]) != f.end();
        if (S.agent_ready)
            tell_agent_config();
        respond(req, true);
    } else if (c == "setFunctionBreakpoints") {
        set_function_breakpoints(req);
    } else if (c == "dataBreakpointInfo") {
        data_breakpoint_info(req);
    } else if (c == "setDataBreakpoints") {
        set_data_breakpoints(req);
    } else if (c == "configurationDone") {
        S.configured = true;
        respond(req, true);
        start_if_ready();
    } else if (c == "exceptionInfo") {
        if (S.exception.is_null())
            respond(req, false, {}, "the run did not stop at an exception");
        else
            respond(req, true, S.exception);
    } else if (c == "threads") {
        respond(req, true, {{"threads", json::array({{{"id", THREAD}, {"name", "script"}}})}});
    } else if (c == "stackTrace") {
        stack_trace(req);
    } else if (c == "scopes") {
        scopes(req);
    } else if (c == "variables") {
        variables(req);
    } else if (c == "evaluate") {
        evaluate(req);
    } else if (c == "setVariable") {
        set_variable(req);
    } else if (c == "gotoTargets") {
        goto_targets(req);
    } else if (c == "goto") {
        go_to(req);
    } else if (c == "readMemory") {
        read_memory(req);
    } else if (c == "continue") {
        resume(req, "run");
    } else if (c == "next" || c == "stepIn") {
        resume(req, "step");
    } else if (c == "stepOut") {
        resume(req, "out");
    } else if (c == "stepBack" || c == "reverseContinue") {
        step_back(req, c == "stepBack" ? "back" : "rback");
    } else if (c == "pause") {
        if (S.agent_ready)
            host_tell("pause");
        else
            S.pause_pending = true;   // told as soon as quill is there
        respond(req, true);
    } else if (c == "restart") {
        restart(req);
    } else if (c == "terminate") {
        host_end(false);
        respond(req, true);
    } else if (c == "disconnect") {
        host_end(true);
        respond(req, true);
        return false;
    } else {
        respond(req, false, {}, "quill-debug does not know the request " + c);
    }
    return true;
}

}  // namespace

int adapter_run(void)
{
    for (;;) {
        HostEvent e = host_next();
        switch (e.kind) {
        case HostEventKind::CLIENT: {
            bool more = true;
            try {
                if (e.message.value("type", "") == "request")
                    more = request(e.message);
                else if (e.message.value("type", "") == "response" &&
                         e.message.value("command", "") == "runInTerminal" &&
                         !e.message.value("success", false)) {
                    event("output", {{"category", "important"},
                                     {"output", "quill-debug: the terminal did not start quill: " +
                                                    e.message.value("message", "") + "\n"}});
                    host_close();
                    event("terminated");
                }
            } catch (const json::exception &x) {   // a member of the wrong type
                json req = {{"seq", 0}, {"command", ""}};
                if (e.message.contains("seq") && e.message["seq"].is_number_integer())
                    req["seq"] = e.message["seq"];
                if (e.message.contains("command") && e.message["command"].is_string())
                    req["command"] = e.message["command"];
                respond(req, false, {}, std::string("the request's arguments cannot be read: ") + x.what());
            }
            if (!more) {
                host_close();
                return 0;
            }
            break;
        }
        case HostEventKind::AGENT: {
            std::vector<std::string> w = words(e.line);
            if (!w.empty() && w[0] == "hello") {
                if (w.size() > 1)
                    host_adopt(number(w[1]));   // ended by terminate when the terminal started it
                S.agent_ready = true;
                tell_agent_config();
                if (S.pause_pending)
                    host_tell("pause");
                S.pause_pending = false;
                start_if_ready();
            } else if (!w.empty() && w[0] == "stopped") {
                on_stopped(w);
            } else if (!w.empty() && w[0] == "log") {
                on_log(w);
            } else if (w.size() > 1 && w[0] == "exit") {
                S.exit_code = static_cast<int>(number(w[1]));
            }
            break;
        }
        case HostEventKind::EXITED:
            S.stopped = false;
            S.agent_ready = S.started = false;
            host_close();
            if (!S.restart_req.is_null()) {   // the old run ended for the new one
                json req = std::move(S.restart_req);
                S.restart_req = nullptr;
                const json &a = req.value("arguments", json::object());
                S.launched = false;
                std::string why = start_run(a.contains("arguments") ? a["arguments"] : S.launch_args);
                respond(req, why.empty(), {}, why);
                break;
            }
            S.exited = true;
            if (e.status != HOST_UNKNOWN_STATUS || S.exit_code != HOST_UNKNOWN_STATUS)
                event("exited", {{"exitCode", e.status != HOST_UNKNOWN_STATUS ? e.status : S.exit_code}});
            event("terminated");
            break;
        case HostEventKind::CLIENT_GONE:
            host_end(true);
            host_close();
            return 0;
        }
    }
}

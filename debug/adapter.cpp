/*
 * adapter.cpp - the session: requests from the client, lines from quill's
 * agent, and quill's end, one at a time (host.h gives them in order).
 */
#include "adapter.h"

#include "host.h"
#include "script.h"

#include <climits>
#include <cstdlib>
#include <sstream>

using nlohmann::json;

namespace {

constexpr int THREAD = 1;   // a script is one thread of control
constexpr int VARIABLES = 1, LABELS = 2, POOL = 3;

struct Session {
    DebugScript script;
    std::string program;               // as the frames name it
    bool launched = false, configured = false, agent_ready = false, started = false;
    bool stopped = false, exited = false, stop_on_entry = false;
    bool stop_on_fault = true, stop_on_lost = true;
    int trail = 20;
    std::vector<int32_t> break_lines;  // quill's lines of the breakpoints
    int stop_tok = -1;                 // where the run stands
} S;

void respond(const json &req, bool success, json body = json::object(), const std::string &message = "")
{
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
    std::string name = S.program.substr(S.program.find_last_of('/') + 1);
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
    host_tell("config " + std::to_string(S.trail) + " " + std::to_string(S.stop_on_fault) + " " +
              std::to_string(S.stop_on_lost));
    std::string b = "break";
    for (int32_t l : S.break_lines)
        b += " " + std::to_string(l);
    host_tell(b);
}

void start_if_ready(void)
{
    if (S.configured && S.agent_ready && !S.started) {
        S.started = true;
        host_tell(S.stop_on_entry ? "step" : "run");
    }
}

void launch(const json &req)
{
    const json &a = req.value("arguments", json::object());
    if (S.launched)
        return respond(req, false, {}, "the script is already launched");
    Launch l;
    l.program = a.value("program", "");
    l.cwd = a.value("cwd", "");
    if (l.program.empty())
        return respond(req, false, {}, "launch needs the script's path in \"program\"");
    if (l.program[0] != '/' && !l.cwd.empty())
        l.program = l.cwd + "/" + l.program;
    char full[PATH_MAX];
    S.program = realpath(l.program.c_str(), full) ? full : l.program;
    std::string why;
    if (!script_load(S.script, l.program, &why))
        return respond(req, false, {}, why);
    l.input = a.value("stdin", "");
    if (!l.input.empty() && l.input[0] != '/' && !l.cwd.empty())
        l.input = l.cwd + "/" + l.input;
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
    if (a.contains("trail") && a["trail"].is_number_integer())
        S.trail = static_cast<int>(std::clamp<long long>(a["trail"].get<long long>(), 0, 100000));
    if (!host_start(l, &why))
        return respond(req, false, {}, why);
    S.launched = true;
    respond(req, true);
}

void set_breakpoints(const json &req)
{
    const json &a = req.value("arguments", json::object());
    std::string path = a.value("source", json::object()).value("path", "");
    char full[PATH_MAX];
    bool ours = S.launched && (path == S.program ||
                               (realpath(path.c_str(), full) && S.program == full));
    json out = json::array();
    std::vector<int32_t> lines;
    int id = 0;
    for (const json &b : a.value("breakpoints", json::array())) {
        int line = b.value("line", 0);
        int tok = ours ? script_stop_from(S.script, line) : -1;
        json r = {{"id", ++id}, {"verified", tok >= 0}};
        if (tok >= 0) {
            r["line"] = script_place(S.script, tok).line;
            lines.push_back(check_quill_line(S.script.s, tok));
        } else {
            r["line"] = line;
            r["message"] = ours ? "no statement runs on this line or after it"
                                : "not the script being debugged";
        }
        out.push_back(std::move(r));
    }
    if (ours) {
        S.break_lines = lines;
        if (S.agent_ready)
            tell_agent_config();
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
    S.stopped = true;
    S.stop_tok = script_token(S.script, static_cast<uint32_t>(number(w[2])),
                              static_cast<int32_t>(number(w[3])));
    std::string reason = w[1];
    json body = {{"threadId", THREAD}, {"allThreadsStopped", true}};
    if (reason == "lost") {
        std::string lab(1, static_cast<char>('A' + number(w.size() > 4 ? w[4] : "0")));
        body["reason"] = "exception";
        body["description"] = "label " + lab + " not found";
        body["text"] = "the search for " + lab + " ran to the end of the script: it ends here";
    } else if (reason == "exception") {
        body["reason"] = "exception";
        body["description"] = "runtime error";
        body["text"] = fault_text(w);
    } else {
        body["reason"] = reason;
    }
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
            int tok = script_token(S.script, static_cast<uint32_t>(number(w[i])),
                                   static_cast<int32_t>(number(w[i + 1])));
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

// The text at address v, when v lies in the pool: "" otherwise.
std::string text_at(long long v)
{
    std::string reply;
    if (!host_ask("mem " + std::to_string(v) + " 64", &reply))
        return "";
    std::vector<std::string> w = words(reply);
    if (w.size() < 3)
        return "";
    std::string bytes;
    const std::string &h = w[2];
    for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
        char c = static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
        if (c == '\0')
            return " \"" + check_quote(bytes) + "\"";
        bytes += c;
    }
    return " \"" + check_quote(bytes) + "...\"";
}

void variables(const json &req)
{
    int ref = req.value("arguments", json::object()).value("variablesReference", 0);
    std::string reply;
    if (!host_ask("state", &reply))
        return respond(req, false, {}, "quill does not answer");
    std::vector<std::string> w = words(reply);   // state ev size used first-var a..z A..Z
    if (w.size() < 5 + 26 + 26)
        return respond(req, false, {}, "quill's answer is cut short");
    long long ev = number(w[1]), size = number(w[2]), used = number(w[3]);
    json list = json::array();
    if (ref == VARIABLES) {
        for (int i = 0; i < 26; i++) {
            long long v = number(w[5 + static_cast<std::size_t>(i)]);
            list.push_back(variable(std::string(1, static_cast<char>('a' + i)),
                                    std::to_string(v) + text_at(v)));
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
    return {{"supportsConfigurationDoneRequest", true},
            {"supportsTerminateRequest", true},
            {"exceptionBreakpointFilters",
             json::array({{{"filter", "fault"}, {"label", "Runtime errors"}, {"default", true},
                           {"description", "before quill reports a runtime error and ends"}},
                          {{"filter", "lost"}, {"label", "Label not found"}, {"default", true},
                           {"description", "at a jump whose search runs to the end of the script"}}})}};
}

// One request; false once the session is over.
bool request(const json &req)
{
    std::string c = req.value("command", "");
    bool stopped_only = c == "stackTrace" || c == "scopes" || c == "variables";
    if (stopped_only && !S.stopped)
        return respond(req, false, {}, "the script is running"), true;
    if (c == "initialize") {
        respond(req, true, capabilities());
        event("initialized");
    } else if (c == "launch") {
        launch(req);
    } else if (c == "setBreakpoints") {
        set_breakpoints(req);
    } else if (c == "setExceptionBreakpoints") {
        std::vector<std::string> f = req.value("arguments", json::object()).value("filters", std::vector<std::string>{});
        S.stop_on_fault = std::find(f.begin(), f.end(), "fault") != f.end();
        S.stop_on_lost = std::find(f.begin(), f.end(), "lost") != f.end();
        if (S.agent_ready)
            tell_agent_config();
        respond(req, true);
    } else if (c == "configurationDone") {
        S.configured = true;
        respond(req, true);
        start_if_ready();
    } else if (c == "threads") {
        respond(req, true, {{"threads", json::array({{{"id", THREAD}, {"name", "script"}}})}});
    } else if (c == "stackTrace") {
        stack_trace(req);
    } else if (c == "scopes") {
        scopes(req);
    } else if (c == "variables") {
        variables(req);
    } else if (c == "continue") {
        resume(req, "run");
    } else if (c == "next" || c == "stepIn" || c == "stepOut") {
        resume(req, "step");
    } else if (c == "pause") {
        host_tell("pause");
        respond(req, true);
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
        case HostEventKind::CLIENT:
            if (e.message.value("type", "") == "request" && !request(e.message)) {
                host_close();
                return 0;
            }
            break;
        case HostEventKind::AGENT: {
            std::vector<std::string> w = words(e.line);
            if (!w.empty() && w[0] == "hello") {
                S.agent_ready = true;
                tell_agent_config();
                start_if_ready();
            } else if (!w.empty() && w[0] == "stopped") {
                on_stopped(w);
            }
            break;
        }
        case HostEventKind::EXITED:
            S.stopped = false;
            S.exited = true;
            host_close();
            event("exited", {{"exitCode", e.status}});
            event("terminated");
            break;
        case HostEventKind::CLIENT_GONE:
            host_end(true);
            host_close();
            return 0;
        }
    }
}

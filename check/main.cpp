/*
 * main.cpp - quill-check: the command line, reading the scripts, and the
 * exit status. It never runs a script.
 */
#include "check.h"
#include "lsp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <set>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int EXIT_FINDINGS = 1, EXIT_ERRORS = 2, EXIT_UNREADABLE = 3, EXIT_USAGE = 64;
// Larger scripts are not read at all: an input without end (a pipe, a
// device) must not take the machine's memory. quill-check(1) names it.
constexpr std::size_t MAX_SCRIPT = std::size_t(64) << 20;
constexpr int SHOWN_PER_CODE = 10;   // in a file, unless --all

const char HELP[] =
    "usage: quill-check [OPTIONS] FILE...\n"
    "Finds the mistakes a Vantor script runs past in silence, without running it.\n"
    "FILE - reads standard input.\n"
    "\n"
    "  --format gcc|json      one finding a line (the default), or a JSON array\n"
    "  -S, --severity LEVEL   the least severity shown: error, warning, info or style\n"
    "                         (the default: all)\n"
    "  -e, --exclude CODES    leave these out, e.g. VT021,VT030\n"
    "      --quill-lines      add the line quill itself names (it does not count\n"
    "                         line breaks inside texts)\n"
    "  -a, --all              every finding: without it, a file shows 10 of each code\n"
    "                         and then how many more there are\n"
    "      --lsp              serve the Language Server Protocol on standard input\n"
    "                         and output, for editors\n"
    "  -h, --help             this text\n"
    "  -V, --version          the version\n"
    "\n"
    "Exit status: 0 no finding, 1 findings but no error, 2 at least one error,\n"
    "3 a file could not be read (or is larger than 64 MiB) or the findings not\n"
    "written, 64 a usage error.\n";

struct Options {
    bool json = false;
    bool quill_lines = false;
    bool all = false;
    Severity least = Severity::STYLE;
    std::set<int> excluded;
    std::vector<std::string> files;
};

int usage_error(const std::string &what)
{
    std::fprintf(stderr, "quill-check: %s\nTry 'quill-check --help'.\n", what.c_str());
    return EXIT_USAGE;
}

bool parse_codes(const std::string &list, std::set<int> *out)
{
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t comma = list.find(',', at);
        std::string code = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (code.size() > 2 && (code[0] == 'V' || code[0] == 'v') && (code[1] == 'T' || code[1] == 't'))
            code = code.substr(2);
        if (code.empty() || code.size() > 3 || code.find_first_not_of("0123456789") != std::string::npos)
            return false;
        out->insert(std::stoi(code));
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    return true;
}

// -1: go on; else the exit status.
int parse_options(int argc, char **argv, Options *o)
{
    bool only_files = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](std::string *v) {
            std::size_t eq = a.find('=');
            if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
                *v = a.substr(eq + 1);
                return true;
            }
            if (a.size() > 2 && a[0] == '-' && a[1] != '-') {   // -Swarning
                *v = a.substr(2);
                return true;
            }
            if (i + 1 >= argc)
                return false;
            *v = argv[++i];
            return true;
        };
        std::string name = a.substr(0, a.find('='));
        std::string v;
        if (only_files || a == "-" || a[0] != '-') {
            o->files.push_back(a);
        } else if (a == "--") {
            only_files = true;
        } else if (a == "-h" || a == "--help") {
            std::fputs(HELP, stdout);
            return 0;
        } else if (a == "-V" || a == "--version") {
            std::printf("quill-check %s\n", QUILL_VERSION);
            return 0;
        } else if (a == "--lsp") {
#ifdef _WIN32
            _setmode(_fileno(stdin), _O_BINARY);
            _setmode(_fileno(stdout), _O_BINARY);
#endif
            return lsp_run(stdin, stdout);
        } else if (a == "--quill-lines") {
            o->quill_lines = true;
        } else if (a == "-a" || a == "--all") {
            o->all = true;
        } else if (name == "--format") {
            if (!value(&v) || (v != "gcc" && v != "json"))
                return usage_error("--format takes gcc or json");
            o->json = v == "json";
        } else if (name == "--severity" || a.rfind("-S", 0) == 0) {
            if (!value(&v) || !check_severity_parse(v.c_str(), &o->least))
                return usage_error("--severity takes error, warning, info or style");
        } else if (name == "--exclude" || a.rfind("-e", 0) == 0) {
            if (!value(&v) || !parse_codes(v, &o->excluded))
                return usage_error("--exclude takes codes such as VT021,VT030");
        } else {
            return usage_error("unknown option " + a);
        }
    }
    if (o->files.empty())
        return usage_error("no script named (- reads standard input)");
    return -1;
}

// The script's bytes; false with a reason for none.
bool read_all(const std::string &name, std::string *text, std::string *why)
{
    std::FILE *f = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
    if (!f) {
        *why = std::strerror(errno);
        return false;
    }
#ifdef _WIN32
    if (f == stdin)
        _setmode(_fileno(stdin), _O_BINARY);
#endif
    char buf[65536];
    std::size_t n;
    while (text->size() <= MAX_SCRIPT && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text->append(buf, n);
    bool ok = !std::ferror(f) && text->size() <= MAX_SCRIPT;
    if (std::ferror(f))
        *why = std::strerror(errno);
    else if (!ok)
        *why = "larger than " + std::to_string(MAX_SCRIPT >> 20) + " MiB: not checked";
    if (f != stdin)
        std::fclose(f);
    return ok;
}

// One file's findings as lines; past SHOWN_PER_CODE of one code, a count.
void write_lines(const std::string &name, const std::vector<const Finding *> &list,
                 const Options &o)
{
    std::map<Code, int> seen;
    for (const Finding *f : list)
        if (o.all || ++seen[f->code] <= SHOWN_PER_CODE)
            std::printf("%s\n", check_gcc_line(name, *f, o.quill_lines).c_str());
    for (const auto &[code, n] : seen)
        if (n > SHOWN_PER_CODE)
            std::printf("%s: %d more %s findings not shown (--all shows them)\n", name.c_str(),
                        n - SHOWN_PER_CODE, check_code_name(code).c_str());
}

}  // namespace

int main(int argc, char **argv)
{
    Options o;
    int status = parse_options(argc, argv, &o);
    if (status >= 0)
        return status;
    nlohmann::json all = nlohmann::json::array();
    bool any = false, errors = false, unreadable = false;
    for (const std::string &name : o.files) {
        Script s;
        s.name = name;
        std::string why;
        if (!read_all(name, &s.text, &why)) {
            std::fprintf(stderr, "quill-check: cannot read %s: %s\n", name.c_str(), why.c_str());
            unreadable = true;
            continue;
        }
        check_script(s);
        std::vector<Finding> shown = check_shown(s);
        std::vector<const Finding *> kept;
        for (const Finding &f : shown) {
            if (f.severity > o.least || o.excluded.count(static_cast<int>(f.code)))
                continue;
            any = true;
            errors |= f.severity == Severity::ERROR;
            if (o.json)
                all.push_back(check_json(name, f, o.quill_lines));
            else
                kept.push_back(&f);
        }
        write_lines(name, kept, o);
    }
    if (o.json)   // a name or a text that is no UTF-8 gets U+FFFD, as the server writes it
        std::printf("%s\n", all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "quill-check: cannot write standard output: %s\n", std::strerror(errno));
        return EXIT_UNREADABLE;
    }
    return unreadable ? EXIT_UNREADABLE : errors ? EXIT_ERRORS : any ? EXIT_FINDINGS : 0;
}

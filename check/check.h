/*
 * check.h - quill-check: a script's tokens, its items and their trees as
 * the interpreter's own scanner and grammar make them, and the findings
 * the analyses draw from them. Nothing here runs a script.
 *
 * Calls run one way. From the top:
 *   main.cpp, lsp*.cpp   the command line, and the language server (lsp.h)
 *   pipeline.cpp         a script checked: the parse, then the analyses
 *   the analyses         labels and jumps: flow.cpp over graph.cpp over
 *                        labels.cpp (flow.h); what variables hold:
 *                        values.cpp over walk.cpp (values.h)
 *   the parse (parse.h)  reparse.cpp over parse.cpp over the grammar (the
 *                        second parser), which calls actions.cpp (a node a
 *                        rule) and items.cpp (yylex, the items); scan.cpp
 *                        below, the tokens from scanner/
 *   its findings         syntax.cpp over hints.cpp over words.cpp
 *   at the bottom        report.cpp: places, findings with their codes
 *                        (codes.h), output; services.cpp
 * Nothing calls back up but through a hook it is handed: the scanner's
 * fault hook, and items_meets, where the old parse takes over after an edit.
 */
#ifndef CHECK_H
#define CHECK_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "chunks.h"
#include "codes.h"
#include "rules.h"
#include "tokens.h"

enum class Severity { ERROR, WARNING, INFO, STYLE };
enum class Stage { PARSE, ANALYSIS };

// A row of the codes' table (codes.h).
struct CodeInfo {
    Code code;
    Severity severity;
    Severity milder;      // the severity of a milder case; for most codes the same
    Stage stage;          // PARSE: kept across an edit; the analyses find the rest again
    const char *summary;
};

struct Place {
    int line = 0, column = 0;   // 1-based; the column in bytes
    int quill_line = 0;         // the line quill names (line breaks in texts not counted)
};

struct Finding {
    Place at, end;              // end: just past the last byte
    uint64_t start, stop;       // the same as offsets in the text as scanned
    Severity severity;
    Code code;
    std::string message;
};

// A script is checked only if its offsets fit 32 bits and the numbers of
// its tokens, nodes and items (never more than its bytes) an int.
constexpr uint64_t CHECK_MAX_TEXT = 0x7fff0000u;

struct Tok {
    uint32_t start;    // byte offset in the text as scanned
    int32_t value;     // NUMBER, VARIABLE, LABEL, a character as scanned; else 0
    int16_t code;      // the parser's code: a token kind + 256, a character, 0 at the end
    uint16_t length;   // the scanner ends at a token of more than 8192 bytes
};
static_assert(sizeof(Tok) == 12, "12 bytes a token: the checker's largest share of memory");

// From token tok on, quill counts less lines fewer than the text has (it
// counts no line break inside a text).
struct LineShift {
    int tok;
    int64_t less;
};

struct Node {
    int first, last;   // its tokens
    int kid;           // its first operand, -1 for none
    Rule rule;
};
static_assert(sizeof(Node) == 16, "16 bytes a node");

// The rules with a second operand: it is always the node made just before.
constexpr bool rule_has_two(int r)
{
    return rule_is_binary(r) || r == R_ASSIGN || r == R_STRCOPY || r == R_IF_COUNT;
}

// EMPTY: a run of empty statements and label definitions, where nothing
// runs (the parser makes DEFINITION items, the list keeps none).
enum class ItemKind { EMPTY, REFERENCE, DEFINITION, STATEMENT, BROKEN };

struct Item {
    ItemKind kind;
    int first, last;   // its tokens, the ';' or ':' included
    int root;          // STATEMENT: its tree; REFERENCE: the label
    int first_node;    // the nodes made while it was parsed start here
};

// A script as the checker sees it.
struct Script {
    std::string name;              // as given ("-" for standard input)
    std::string text;              // its bytes
    std::string scanned;           // as the scanner reads them: CR LF as LF
    std::vector<uint64_t> lines;   // where each line starts, in the text as scanned
    bool byte_order_mark = false;
    Chunks<Tok> toks;
    std::vector<LineShift> shifts;   // in token order
    Chunks<Node> nodes;
    Chunks<Item> items;
    std::vector<Finding> findings;
};

/* ---- trees ---- */
// Node n's k-th operand (0 or 1), or -1.
inline int check_kid(const Script &s, int n, int k)
{
    const Node &x = s.nodes[static_cast<std::size_t>(n)];
    return k == 0 ? x.kid : rule_has_two(x.rule) ? n - 1 : -1;
}
// The value of the token a node reads: a number, a variable, a jump's label.
inline int32_t check_value(const Script &s, int n)
{
    const Node &x = s.nodes[static_cast<std::size_t>(n)];
    return s.toks[static_cast<std::size_t>(rule_is_jump(x.rule) ? x.last : x.first)].value;
}

/* ---- the keywords, as the scanner spells them ---- */
struct Keyword {
    int code;   // the token
    const char *word;
};
inline constexpr Keyword CHECK_KEYWORDS[] = {
    {PRINT, "put"}, {PRINTS, "puts"}, {OPIF, "if"}, {OPBELOW, "below"},
    {OPABOVE, "above"}, {FUNC, "func"}, {OPNEW, "new"},
};
constexpr bool check_is_keyword(int code)
{
    for (const Keyword &k : CHECK_KEYWORDS)
        if (k.code == code)
            return true;
    return false;
}

/* ---- parse.cpp ---- */
// Scans and parses the text; syntax findings go to the script's list.
void check_parse(Script &s);

/* ---- reparse.cpp ---- */
// The same for old's text with bytes [at, at + removed) replaced by added,
// reusing what the edit cannot have changed; old is left spent.
void check_reparse(Script &s, Script &old, uint64_t at, uint64_t removed,
                   const std::string &added);

/* ---- flow.cpp, graph.cpp, labels.cpp ---- */
// Ints side by side in a vector someone else keeps.
struct Run {
    const int *from = nullptr, *to = nullptr;
    const int *begin() const { return from; }
    const int *end() const { return to; }
    std::size_t size() const { return static_cast<std::size_t>(to - from); }
    bool operator==(const Run &o) const { return std::equal(from, to, o.from, o.to); }
};
struct LabelDef {
    int lab;
    int label_tok, col_tok;
};
struct JumpSite {
    int lab;
    int label_tok;   // the jump's label
    Run lands;       // the definitions (in defs) its search can stop at, in its flow's stops
};
// What can follow each item: the next one, where its jumps land, or the end
// (the item count); which items any run can reach; the label definitions
// as a search sees them, and every jump.
//
// A search whose count is not known stops at any definition from where it
// starts until the next one that breaks a search: such a run is one node of
// the graph per definition, each going on after its definition and to the
// next of the run, so that a thousand such searches for a thousand
// definitions make two thousand edges, not a million.
struct Flow {
    // Nodes: the items, the end, then the definitions of labels a count not
    // known searches for. Node i goes on to next[next_at[i] .. next_at[i + 1]).
    std::vector<int> next, next_at;
    std::vector<bool> reachable;   // per node
    std::vector<LabelDef> defs;
    std::vector<JumpSite> jumps;
    std::vector<int> stops;        // each label's definitions (in defs) in order, A to Z

    Flow() = default;
    Flow(Flow &&) = default;
    Flow &operator=(Flow &&) = default;
    Flow(const Flow &) = delete;   // the jumps' lands point into stops

    Run successors(std::size_t i) const
    {
        return {next.data() + next_at[i], next.data() + next_at[i + 1]};
    }
    std::size_t nodes() const { return next_at.empty() ? 0 : next_at.size() - 1; }
};
Flow check_flow(Script &s);
// Only the definitions and the jumps with where they land, as check_flow
// gives them: what requests about labels need, at a fraction of the cost.
Flow check_labels(const Script &s);

/* ---- values.cpp ---- */
void check_values(Script &s, const Flow &flow);

/* ---- walk.cpp, services.cpp: what a value may be, as a mask ---- */
constexpr int KIND_ZERO = 1, KIND_NUMBER = 2, KIND_TEXT = 4, KIND_ARRAY = 8;
constexpr int KIND_ANY = 15;

/* ---- services.cpp ---- */
struct Service {
    int number;
    const char *name;      // a few words
    const char *reads;     // the variables it reads, e.g. "e a t"
    const char *needs;     // of those, the ones that must hold a text
    int returns;           // a Kind mask (above) of what it returns
    const char *result;    // in words
    const char *windows;   // how it differs on Windows, or ""
};
const Service *check_service(int number);   // null for an unknown number
extern const Service check_services[];
extern const int check_service_count;

/* ---- pipeline.cpp: the parse and then the analyses, the one way to check a script ---- */
Flow check_script(Script &s);   // every analysis; the findings in order of place
// The analyses after a parse: flow, values, the findings in order.
Flow check_analyse(Script &s);
// The same after an edit of old's text (see check_reparse).
Flow check_script_edit(Script &s, Script &old, uint64_t at, uint64_t removed,
                       const std::string &added);

/* ---- syntax.cpp ---- */
// The finding for a syntax error (msg: the parser's text) or a stray byte at tok.
void check_syntax_error(Script &s, int tok, const char *msg);
// A quote the scanner found no closing quote for, at tok.
void check_quote_left(Script &s, int tok);
// The one syntax error placed on the last statement rather than where the
// parser stopped (the end): its text says so whatever surrounds it.
inline constexpr char CHECK_NO_LAST_SEMICOLON[] =
    "syntax error at the end: the last statement needs its ';'";

/* ---- hints.cpp ---- */
// A syntax error at tok: its message, with what it most likely means (the
// tokens and the text around it say), and where the finding starts, as the
// fix goes there: at token first, or just after it for a missing ';'.
struct SyntaxHint {
    std::string message;
    int first;
    bool after_first;
};
SyntaxHint check_syntax_hint(const Script &s, int tok);

/* ---- words.cpp ---- */
// A word of letters around the letter at tok where one letter was meant:
// the hint, or false.
bool check_word_hint(const Script &s, int tok, std::string *hint);
int check_word_start(const Script &s, int tok);   // the word's first token

/* ---- report.cpp ---- */
// The shift of quill's lines in force at token tok.
int64_t check_line_shift(const std::vector<LineShift> &shifts, int tok);
int check_quill_line(const Script &s, int tok);   // the line quill names at token tok
Place check_place(const Script &s, uint64_t offset, int quill_line);
// Adds a finding of code over tokens first..last, with the code's
// severity, or with the milder one of a code that has two.
void check_report(Script &s, int first, int last, Code code, const std::string &message);
void check_report(Script &s, int first, int last, Code code, Severity severity,
                  const std::string &message);
const char *check_severity_name(Severity s);
bool check_severity_parse(const char *name, Severity *out);
const CodeInfo &check_code(Code code);   // its row of the table
std::string check_code_name(Code code);   // VTnnn
void check_sort(std::vector<Finding> &findings);
std::string check_gcc_line(const std::string &file, const Finding &f, bool quill_lines);
nlohmann::json check_json(const std::string &file, const Finding &f, bool quill_lines);
// The findings worth showing: once a NUL byte has ended the script, later
// ones go unsaid, and in a file that looks binary everything after it.
std::vector<Finding> check_shown(const Script &s);
// Text of a script or a client quoted in a message: control bytes and bytes
// that are no UTF-8 escaped (\x7f), and no more than about 40 characters.
std::string check_quote(const std::string &text);

#endif

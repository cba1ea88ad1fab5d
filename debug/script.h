/*
 * script.h - the script being debugged as quill-check reads it: where its
 * stop points are (the items that run: statements and label definitions,
 * not empty statements), their places in the text, and their words.
 * quill reports token positions and its own line numbers; this turns them
 * into the editor's lines and columns.
 */
#ifndef DEBUG_SCRIPT_H
#define DEBUG_SCRIPT_H

#include <string>
#include <vector>

#include "check.h"

struct DebugScript {
    Script s;
    std::vector<int> stops;     // first token of each stop point, in order
    std::vector<int> markers;   // tokens quill's stream puts a marker of 65535 lines or more before
};

// Reads and parses the file; false with *why when it cannot be read.
bool script_load(DebugScript &d, const std::string &path, std::string *why);
// The token quill names by stream position pos, and the other way (quill's
// stream also holds a marker before a gap of 65535 lines or more).
int script_token(const DebugScript &d, uint32_t pos);
uint32_t script_stream_pos(const DebugScript &d, int tok);
Place script_place(const DebugScript &d, int tok);
// The first stop point on line or after it: its token, or -1.
int script_stop_from(const DebugScript &d, int line);
// An item's words from tok to its ';' or ':' (the ':' kept), blanks and
// line breaks as one space, shortened.
std::string script_words(const DebugScript &d, int tok);

#endif

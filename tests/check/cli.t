=== JSON, with the lines quill names: a text of two lines puts them one behind
s = "two
lines"; put s;
--- args
--format json --quill-lines script.vt
--- stdout
[
  {
    "code": "VT041",
    "column": 9,
    "endColumn": 14,
    "endLine": 2,
    "file": "script.vt",
    "line": 2,
    "message": "put prints this text's address as a number: puts prints a text",
    "quillEndLine": 1,
    "quillLine": 1,
    "severity": "warning"
  }
]

--- status 1

=== the least severity shown, and codes left out
L: put x;
--- args
-S warning --exclude VT021,30 script.vt
--- status 0

=== only style findings: status 1
L: put 1;
--- args
--severity=style script.vt
--- stdout
script.vt:1:1: style: no jump names `L`: nothing lands on this label [VT021]

--- status 1

=== standard input, and a second file; a file that cannot be read
put 1;
--- args
- script.vt missing.vt
--- stdin
put 2 3;
--- stdout
-:1:7: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]

--- stderr
quill-check: cannot read missing.vt: No such file or directory

--- status 3

=== usage errors
--- args
--format xml script.vt
--- stderr
quill-check: --format takes gcc or json
Try 'quill-check --help'.

--- status 64

=== no file at all
--- args
-S warning
--- stderr
quill-check: no script named (- reads standard input)
Try 'quill-check --help'.

--- status 64

=== an unknown option
--- args
--fix script.vt
--- stderr
quill-check: unknown option --fix
Try 'quill-check --help'.

--- status 64

=== the version and the help go to standard output, with status 0
--- args
-V
--- stdout re
quill-check [0-9]+\.[0-9]+\.[0-9]+

=== the help
--- args
--help
--- stdout re
usage: quill-check \[OPTIONS\] FILE\.\.\.
.*  -a, --all              every finding: without it, a file shows 10 of each code
.*Exit status: 0 no finding, 1 findings but no error, 2 at least one error,
3 a file could not be read \(or is larger than 64 MiB\) or the findings not
written, 64 a usage error\.

=== JSON with a file name that is no UTF-8: U+FFFD in its place, the next file's findings too
below E;
--- args
--format json café.vt script.vt
--- file café.vt
put 1 2;
--- stdout
[
  {
    "code": "VT001",
    "column": 7,
    "endColumn": 8,
    "endLine": 1,
    "file": "cafï¿½.vt",
    "line": 1,
    "message": "syntax error: two values side by side: is an operator or a ';' missing between them?",
    "severity": "error"
  },
  {
    "code": "VT010",
    "column": 7,
    "endColumn": 8,
    "endLine": 1,
    "file": "script.vt",
    "line": 1,
    "message": "no `E:` after this jump: the search skips the rest of the script without a word",
    "severity": "error"
  }
]

--- status 2
--- only posix
Windows names files in UTF-16: a name of bytes that are no UTF-8 comes from a Linux file system

=== an input without end stops at 64 MiB; the other files are still checked
below E;
--- args
/dev/zero script.vt
--- stdout
script.vt:1:7: error: no `E:` after this jump: the search skips the rest of the script without a word [VT010]

--- stderr
quill-check: cannot read /dev/zero: larger than 64 MiB: not checked

--- status 3

=== ten findings of one code in a file, then their count; --all shows every one
put 1 2; put 1 2; put 1 2; put 1 2; put 1 2; put 1 2;
put 1 2; put 1 2; put 1 2; put 1 2; put 1 2; put 1 2;
--- args
script.vt -
--- stdin
put 1 2;
--- stdout
script.vt:1:7: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:1:16: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:1:25: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:1:34: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:1:43: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:1:52: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:2:7: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:2:16: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:2:25: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt:2:34: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]
script.vt: 2 more VT001 findings not shown (--all shows them)
-:1:7: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]

--- status 2

=== --all
put 1 2; put 1 2; put 1 2; put 1 2; put 1 2; put 1 2;
put 1 2; put 1 2; put 1 2; put 1 2; put 1 2; put 1 2;
--- args
--all script.vt
--- stdout re
(script\.vt:[12]:[0-9]+: error: syntax error: two values [^\n]*\n){12}
--- status 2

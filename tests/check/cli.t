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
.*Exit status: 0 no finding, 1 findings but no error, 2 at least one error,
3 a file could not be read or the findings not written, 64 a usage error\.


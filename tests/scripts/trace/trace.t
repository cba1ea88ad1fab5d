=== a = 1 + 2; traces six lines in action order
a = 1 + 2;
--- args
-g -f {script}
--- stderr re
\[    1\] VARIAVLE \(addr\):0\((\d+)\)
\[    1\] NUMBER:1\(1\)
\[    1\] NUMBER:2\(2\)
\[    1\] expr OPADD expr:1,2\(3\)
\[    1\] VARIABLE OPSET expr:\1,3\(3\)
\[    1\] list expr NL:3

--- status 3

=== without -g nothing is traced
a = 1 + 2; put a;
--- stdout
3
--- status 3

=== every operator family's format
a = 7; b = 2;
a - b; a * b; a / b; a % b; a && b; a || b; -a; (a);
a > b; a < b; a >= b; a <= b; a == b; a != b; !a;
--- args
-g -f {script}
--- stderr re
(?:[^\n]*\n){9}\[    2\] variable:7\(7\)
.*\[    2\] expr OPSUB expr:7,2\(5\)
.*\[    2\] expr OPMUL expr:7,2\(14\)
.*\[    2\] expr OPDIV expr:7,2\(3\)
.*\[    2\] expr OPMOD expr:7,2\(1\)
.*\[    2\] expr OPAND expr:7,2\(1\)
.*\[    2\] expr OPOR expr:7,2\(1\)
.*\[    2\] MINUS expr:7\(-7\)
.*\[    2\] LP expr RP:7\(7\)
.*\[    3\] expr OPGT expr:7,2\(1\)
.*\[    3\] expr OPLT expr:7,2\(0\)
.*\[    3\] expr OPGE expr:7,2\(1\)
.*\[    3\] expr OPLE expr:7,2\(0\)
.*\[    3\] expr OPEQ expr:7,2\(0\)
.*\[    3\] expr OPNE expr:7,2\(1\)
.*\[    3\] OPNO expr:7\(0\)
\[    3\] list expr NL:0

--- status 0

=== variables, elements, strings, put and puts
x = new 2; x[1] = 5; put x[1]; s = "hi"; t ~ s; puts t; z = 0;
--- args
-g -f {script}
--- stdout
5hi
--- stderr re
\[    1\] VARIAVLE \(addr\):23\(\d+\)
\[    1\] NUMBER:2\(2\)
\[    1\] OPNEW expr:2\((\d+)\)
\[    1\] VARIABLE OPSET expr:\d+,\1\(\1\)
\[    1\] list expr NL:\1
\[    1\] NUMBER:1\(1\)
\[    1\] VARIABLE LB expr RB \(addr\):23,1\((\d+)\)
\[    1\] NUMBER:5\(5\)
\[    1\] VARIABLE OPSET expr:\2,5\(5\)
\[    1\] list expr NL:5
\[    1\] NUMBER:1\(1\)
\[    1\] VARIABLE LB expr RB:23,1\(5\)
\[    1\] variable:5\(5\)
\[    1\] PRINT expr:5\(5\)
\[    1\] list expr NL:5
\[    1\] VARIAVLE \(addr\):18\(\d+\)
\[    1\] STRING:hi\(hi\)
\[    1\] VARIABLE OPSET expr:\d+,\d+\(\d+\)
\[    1\] list expr NL:\d+
\[    1\] VARIAVLE \(addr\):19\(\d+\)
\[    1\] VERIABLE:18\(\d+\)
\[    1\] variable:\d+\(\d+\)
\[    1\] VARIABLE OPSTRCP expr:\d+,hi\(hi\)
\[    1\] list expr NL:\d+
\[    1\] VERIABLE:19\(\d+\)
\[    1\] variable:\d+\(\d+\)
\[    1\] PRINTS expr:hi\(hi\)
\[    1\] list expr NL:\d+
\[    1\] VARIAVLE \(addr\):25\(\d+\)
\[    1\] NUMBER:0\(0\)
\[    1\] VARIABLE OPSET expr:\d+,0\(0\)
\[    1\] list expr NL:0

--- status 0

=== puts 0 and b ~ 0 trace (null)
puts 0; b ~ 0;
--- args
-g -f {script}
--- stderr re
.*\[    1\] PRINTS expr:\(null\)\(\(null\)\)
.*\[    1\] VARIABLE OPSTRCP expr:\d+,\(null\)\(\(null\)\)
\[    1\] list expr NL:0

--- status 0

=== jumps trace when they run; skipped statements show as list NL and label lines
if 0 A; if 1 @ 2 A;
put 5;
A: A: below B; below @ 3 B;
B; B: B: B: above C;
C:
--- args
-g -f {script}
--- stderr
[    1] NUMBER:0(0)
[    1] OPIF expr LABEL:0,0
[    1] list expr NL:0
[    1] NUMBER:1(1)
[    1] NUMBER:2(2)
[    1] OPIF expr ATMARK expr LABEL:1,2,0
[    1] list expr NL:1
[    2] list NL
[    3] list LABEL COL:0
[    3] list LABEL COL:0
[    3] OPBELOW LABEL:1
[    3] list expr NL:1
[    3] list LABEL NL:0,1
[    4] list LABEL NL:0,1
[    4] list LABEL COL:1
[    4] list LABEL COL:1
[    4] list LABEL COL:1
[    4] OPABOVE LABEL:2
[    4] list expr NL:2
[    1] --top--
[    1] list LABEL NL:0,0
[    1] list LABEL NL:0,0
[    2] list NL
[    3] list LABEL COL:0
[    3] list LABEL COL:0
[    3] list LABEL NL:0,1
[    3] list LABEL NL:0,1
[    4] list LABEL NL:0,1
[    4] list LABEL COL:1
[    4] list LABEL COL:1
[    4] list LABEL COL:1
[    4] list LABEL NL:0,2
[    5] list LABEL COL:2

--- status 2

=== above @ n and func trace; the rewind skips what precedes Z
func 99; n = n + 1; if n > 1 E; above @ 1 Z; Z: E:
--- args
-g -f {script}
--- stdout
Invalid Function No!

--- stderr re
\[    1\] NUMBER:99\(99\)
\[    1\] FUNC expr:99\(0\)
.*\[    1\] OPABOVE ATMARK expr LABEL:1,25
\[    1\] list expr NL:1
\[    1\] --top--
\[    1\] list NL
\[    1\] list NL
\[    1\] list LABEL NL:0,4
\[    1\] list LABEL NL:0,25
\[    1\] list LABEL COL:25
\[    1\] list LABEL COL:4

--- status 1

=== each print comes between its statement's trace lines, both into one file
put 1; put 2;
--- args
-g -f {script}
--- merged
[    1] NUMBER:1(1)
1[    1] PRINT expr:1(1)
[    1] list expr NL:1
[    1] NUMBER:2(2)
2[    1] PRINT expr:2(2)
[    1] list expr NL:2

--- status 2

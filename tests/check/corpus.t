# A corpus of scripts written the way the guide teaches: each "plant" case
# holds one mistake, which must be found on its line with its code; each
# "correct" case, some of them tricky, must get no finding at all.

=== plant VT001 line 3: a ';' left out at a line's end
n = "
";
i = 0
L: put i; puts n;
   i = i + 1;
   if i >= 5 E;
   above L;
E:
--- stdout
script.vt:3:6: error: syntax error: is the ';' missing at the end of line 3? [VT001]

--- status 2

=== plant VT001 line 3: print from another language
n = "
";
print "hello, world";
puts n;
--- stdout
script.vt:3:1: error: syntax error: `print` is no keyword: put prints numbers, puts texts [VT001]

--- status 2

=== plant VT001 line 4: a while loop
n = "
";
i = 1;
while i <= 3 L;
L: put i; puts n; i = i + 1;
--- stdout
script.vt:4:1: error: syntax error: Vantor has no `while`: a loop is a label, a body and `above X;` back to it [VT001]
script.vt:5:1: style: no jump names `L`: nothing lands on this label [VT021]

--- status 2

=== plant VT001 line 6: an else
n = "
";
e = "USER"; u = func 3;
if u K;
puts "no user"; puts n;
else puts u;
K: z = 0;
--- stdout
script.vt:6:1: error: syntax error: Vantor has no `else`: `if c X;` only jumps forward to `X:` when c is not 0 [VT001]

--- status 2

=== plant VT001 line 4: k++ for an increment
n = "
";
k = 0;
L: k++;
   if k >= 10 E;
   above L;
E: put k; puts n;
--- stdout
script.vt:4:6: error: syntax error: Vantor has no `++`: `k = k + 1;` [VT001]

--- status 2

=== plant VT001 line 5: an operator with nothing after it
n = "
";
t = 0; i = 1;
L: i = i + 1;
   t = t +;
   if i >= 4 E;
   above L;
E: put t; puts n;
--- stdout
script.vt:5:11: error: syntax error: `+` has no value after it [VT001]

--- status 2

=== plant VT001 line 3: a bracket left open
n = "
";
a = 3; b = 4; c = (a * a + b * b;
put c; puts n;
--- stdout
script.vt:3:33: error: syntax error: a `(` is still open here: is its `)` missing? [VT001]
script.vt:4:5: warning: `c` is read before anything sets it: it is 0 on every run that gets here [VT030]

--- status 2

=== plant VT001 line 5: a comparison with a label instead of a value
n = "
";
q = 7;
c = func 2;
if c == Q;
puts "not seven"; puts n;
--- stdout
script.vt:5:9: error: syntax error: `Q` is a label, a place to jump to, where a value belongs: is `q` meant? The label comes after the condition: `if c == 1 Q;` [VT001]

--- status 2

=== plant VT001 line 4: the newline text named with a capital
n = "
";
puts "line one";
puts N;
puts "line two"; puts n;
--- stdout
script.vt:4:6: error: syntax error: `N` is a label, a place to jump to, where a value belongs: is `n` meant? [VT001]

--- status 2

=== plant VT001 line 5: a closing quote left out in the middle
n = "
";
i = 0;
L: i = i + 1;
   puts "step; put i; puts n;
   if i >= 3 E;
   above L;
E: puts "done"; puts n;
--- stdout
script.vt:4:1: style: no jump names `L`: nothing lands on this label [VT021]
script.vt:5:9: error: syntax error: this text runs to line 8, where quill stops: is its closing " missing on line 5? [VT001]
script.vt:8:14: error: this " is never closed: a text runs to the next quote of its kind [VT003]

--- status 2

=== plant VT001 line 4: += from another language
n = "
";
s = 0; i = 0;
L: s += i;
   i = i + 1; if i >= 5 E;
   above L;
E: put s; puts n;
--- stdout
script.vt:4:7: error: syntax error: Vantor has no `+=`: `k = k + n;` [VT001]

--- status 2

=== plant VT001 line 5: and instead of &&
n = "
";
a = func 2; b = func 2;
if a > 0 && b > 0 P;
if a > 0 and b < 0 M;
puts "other"; puts n; below E;
P: puts "both positive"; puts n; below E;
M: puts "mixed"; puts n;
E:
--- stdout
script.vt:5:10: error: syntax error: Vantor has no `and`: the operators are &&, || and ! [VT001]
script.vt:8:1: style: no jump names `M`: nothing lands on this label [VT021]
script.vt:8:4: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]

--- status 2

=== plant VT001 line 6: the last statement without its ;
n = "
";
x = 6; y = 7;
puts "the answer is ";
put x * y; puts n;
z = 0
--- stdout
script.vt:6:5: error: syntax error at the end: the last statement needs its ';' [VT001]

--- status 2

=== plant VT003 line 5: a quote never closed at the end
n = "
";
i = 3;
put i; puts n;
puts "bye; puts n;
--- stdout
script.vt:5:6: error: this " is never closed: a text runs to the next quote of its kind [VT003]

--- status 2

=== plant VT004 line 3: curly quotes pasted from a word processor
n = "
";
puts “hello”; puts n;
put 1;
--- stdout
script.vt:3:6: error: a curly quote ends the script here (nothing after it runs): texts take straight quotes " or ' [VT004]
script.vt:3:14: error: a curly quote ends the script here (nothing after it runs): texts take straight quotes " or ' [VT004]

--- status 2

=== plant VT004 line 3: a non-breaking space
n = "
";
x = 2; put x;
puts n;
--- stdout
script.vt:3:7: error: a non-breaking space ends the script here (nothing after it runs): use a plain blank [VT004]

--- status 2

=== plant VT010 line 6: a mistyped label ends the loop nowhere
n = "
";
i = 0;
L: put i; puts n;
   i = i + 1;
   if i == 3 O;
   above L;
E: puts "done"; puts n;
--- stdout
script.vt:6:14: error: no `O:` after this jump: the search skips the rest of the script without a word [VT010]
script.vt:8:1: style: no jump names `E`: nothing lands on this label [VT021]
script.vt:8:4: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]

--- status 2

=== plant VT010 line 7: above names a label that is not there
n = "
";
i = 0;
L: i = i + 1;
   put i; puts n;
   if i >= 3 E;
   above K;
E: z = 0;
--- stdout
script.vt:4:1: style: no jump names `L`: nothing lands on this label [VT021]
script.vt:7:10: error: no `K:` in the script: the search skips the rest of the script without a word [VT010]

--- status 2

=== plant VT011 line 3: a count larger than the definitions
n = "
";
c = 1; below @ 3 A;
A: puts "first"; puts n; below E;
A: puts "second"; puts n;
E: z = 0;
--- stdout
script.vt:3:18: error: @ 3 needs 3 definitions of `A:` after this jump, there are 2: the search skips the rest of the script [VT011]
script.vt:4:1: style: no jump lands on this `A:` [VT021]
script.vt:4:4: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]
script.vt:5:1: style: no jump lands on this `A:` [VT021]

--- status 2

=== plant VT020 line 8: a label written with ; instead of :
n = "
";
i = 0;
L: i = i + 1;
   if i < 3 M;
   below E;
M: above L;
E; put i; puts n;
--- stdout
script.vt:6:10: error: no `E:` after this jump: the search skips the rest of the script without a word [VT010]
script.vt:8:1: warning: E; does nothing: a label is defined with `E:` [VT020]
script.vt:8:4: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]

--- status 2

=== plant VT022 line 7: a statement between the jump out and the loop label
n = "
";
i = 0;
L: i = i + 1;
   if i < 3 M;
   below E;
   puts "after the loop"; puts n;
M: above L;
E: put i; puts n;
--- stdout
script.vt:7:4: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]

--- status 1

=== plant VT030 line 5: a variable misspelled where it is printed
n = "
";
t = 0; i = 1;
L: t = t + i; i = i + 1; if i > 10 E; above L;
E: put r; puts n;
--- stdout
script.vt:5:8: warning: `r` is read before anything sets it: it is 0 on every run that gets here [VT030]

--- status 1

=== plant VT030 line 5: the loop condition names another variable
n = "
";
i = 0;
L: put i; puts n; i = i + 1;
   if j >= 3 E;
   above L;
E:
--- stdout
script.vt:5:7: warning: `j` is read before anything sets it: it is 0 on every run that gets here [VT030]

--- status 1

=== plant VT031 line 3: a file read without its name
n = "
";
l = func 15;
puts l; puts n;
--- stdout
script.vt:3:5: warning: function 15 reads `f`, which nothing sets before here: it does nothing and returns 0 [VT031]

--- status 1

=== plant VT031 line 3: the environment looked up without a name
n = "
";
v = func 3; if v H;
puts "HOME is not set"; puts n; below E;
H: puts "home: "; puts v; puts n;
E:
--- stdout
script.vt:3:5: warning: function 3 reads `e`, which nothing sets before here: it does nothing and returns 0 [VT031]

--- status 1

=== plant VT040 line 5: an assignment for a comparison
n = "
";
k = 0;
L: k = k + 1;
   if k = 10 E;
   above L;
E: put k; puts n;
--- stdout
script.vt:5:7: warning: the condition is an assignment: = stores, == compares [VT040]

--- status 1

=== plant VT041 line 4: put of a text
n = "
";
s = "quill";
put s; puts n;
--- stdout
script.vt:4:1: warning: put prints this text's address as a number: puts prints a text [VT041]

--- status 1

=== plant VT041 line 4: put of two texts joined
n = "
";
c = "foo"; p = "bar";
put func 11; puts n;
--- stdout
script.vt:4:1: warning: put prints this text's address as a number: puts prints a text [VT041]

--- status 1

=== plant VT041 line 4: put of a copy
n = "
";
s = "original";
t ~ s; put t; puts n;
--- stdout
script.vt:4:8: warning: put prints this text's address as a number: puts prints a text [VT041]

--- status 1

=== plant VT042 line 5: puts of a count
n = "
";
k = 0;
L: k = k + 1; if k >= 4 E; above L;
E: puts k; puts n;
--- stdout
script.vt:5:4: warning: puts of a number prints the text at that address (or stops with Bad address): put prints numbers [VT042]

--- status 1

=== plant VT042 line 3: puts of a number read
n = "
";
puts func 2; puts n;
--- stdout
script.vt:3:1: warning: puts of a number prints the text at that address (or stops with Bad address): put prints numbers [VT042]

--- status 1

=== plant VT043 line 4: an element of a text for its character
n = "
";
s = "hello";
c = s[1];
put c; puts n;
--- stdout
script.vt:4:5: info: an element of a text reads the 4 bytes from 4 times the index on as one number; its character k: `t = s + k; c = (t[0] % 256 + 256) % 256` [VT043]

--- status 1

=== plant VT001 line 3: an array literal
n = "
";
a = [1, 2, 3];
put a[0]; puts n;
--- stdout
script.vt:3:5: error: syntax error: `[` comes only after a variable, as in x[i]: `new n` makes an array [VT001]
script.vt:4:5: warning: `a` is read before anything sets it: it is 0 on every run that gets here [VT030]

--- status 2

=== plant VT001 line 5: goto
n = "
";
i = 0;
L: i = i + 1;
   if i < 3 goto L;
   put i; puts n;
--- stdout
script.vt:4:1: style: no jump names `L`: nothing lands on this label [VT021]
script.vt:5:13: error: syntax error: Vantor has no `goto`: `below X;` jumps forward, `above X;` back, `if c X;` when c holds [VT001]

--- status 2

=== plant VT001 line 3: input from another language
n = "
";
l = input;
puts l; puts n;
--- stdout
script.vt:3:5: error: syntax error: Vantor has no `input`: `l = func 1;` reads a line of standard input as a text [VT001]
script.vt:4:6: warning: `l` is read before anything sets it: it is 0 on every run that gets here [VT030]

--- status 2

=== plant VT001 line 5: exit to stop
n = "
";
e = "HOME"; h = func 3;
if h H;
exit;
H: puts h; puts n;
--- stdout
script.vt:5:1: error: syntax error: Vantor has no `exit`: jump past the script's end (`below E;` ... `E:`) to stop [VT001]

--- status 2

=== plant VT001 line 7: a label defined in lower case
n = "
";
i = 0;
L: i = i + 1; put i; puts n;
   if i == 2 E;
   above L;
e: z = 0;
--- stdout
script.vt:5:14: error: no `E:` after this jump: the search skips the rest of the script without a word [VT010]
script.vt:7:2: error: syntax error: only a label (A-Z) is defined with ':' [VT001]

--- status 2

=== plant VT001 line 3: two statements with no ; between them
n = "
";
x = 1; y = 2 put x + y;
puts n;
--- stdout
script.vt:3:14: error: syntax error: two values side by side: is an operator or a ';' missing between them? [VT001]

--- status 2

=== plant VT001 line 4: k-- for a decrement
n = "
";
k = 3;
L: put k; puts n; k--;
   if k <= 0 E;
   above L;
E:
--- stdout
script.vt:4:22: error: syntax error: Vantor has no `--`: `k = k - 1;` [VT001]

--- status 2

=== plant VT010 line 6: a menu choice jumps to a label spelt otherwise
n = "
";
puts "1) add  2) quit  0) leave"; puts n;
c = func 2;
if c == 1 A;
if c == 2 Q;
if c == 0 O;
puts "no such choice"; puts n; below E;
A: puts "adding"; puts n; below E;
O: puts "bye"; puts n;
E:
--- stdout
script.vt:6:11: error: no `Q:` after this jump: the search skips the rest of the script without a word [VT010]

--- status 2

=== correct: hello with a line break
n = "
";
puts "hello, world"; puts n;
--- stdout

--- status 0

=== correct: a counting loop as the guide writes it
n = "
";
i = 0;
L:
  put i; puts n;
  i = i + 1;
  if i < 3 A;
  below B;
A: above L;
B:
--- stdout

--- status 0

=== correct: adding up numbers until the input ends
s = 0;
L: a = func 1; if !a E;
   s = s + func 9; above L;
E: put s;
--- stdout

--- status 0

=== correct: a file with line numbers
n = "
";
e = "FILE"; f = func 3;
if !f U;
k = 1;
L: l = func 15; if !l E;
   put k; puts ": "; puts l; puts n;
   k = k + 1; above L;
E: below Z;
U: puts "set FILE"; puts n;
Z:
--- stdout

--- status 0

=== correct: an array filled and printed
n = "
";
x = new 5; i = 0;
F: x[i] = i * i; i = i + 1; if i < 5 G; below H;
G: above F;
H: i = 0;
P: put x[i]; puts " "; i = i + 1; if i < 5 Q; below R;
Q: above P;
R: puts n;
--- stdout

--- status 0

=== correct: one character of a text
s = "hey"; i = 1;
t = s + i; c = (t[0] % 256 + 256) % 256;
put c;
--- stdout

--- status 0

=== correct: an environment variable with a default
n = "
";
e = "GREETING"; g = func 3;
if g G;
g = "hello";
G: puts g; puts n;
--- stdout

--- status 0

=== correct: a number formatted
n = "
";
i = 42; f = "[%5d]";
puts func 10; puts n;
--- stdout

--- status 0

=== correct: two texts joined and printed
n = "
";
c = "foo"; p = "bar";
j = func 11; puts j; puts n;
--- stdout

--- status 0

=== correct: a computed count picks a branch
n = "
";
k = 2;
below @ k A;
A: puts "one"; puts n; below E;
A: puts "two"; puts n; below E;
A: puts "three"; puts n;
E:
--- stdout

--- status 0

=== correct: above @ 0 restarts the script a few times
n = "
";
r = r + 1;
put r; puts n;
if r >= 3 E;
above @ 0 X;
E: z = 0;
--- stdout

--- status 0

=== correct: a text that spans lines on purpose
puts "first line
second line
";
put 1;
--- stdout

--- status 0

=== correct: texts and comments holding ; # and labels
n = "
";
puts "a; b # not a comment, A: not a label"; puts n;
# below A; is only a comment
puts "it's"; puts n;
--- stdout

--- status 0

=== correct: several exits from one test
n = "
";
a = func 2;
if a < 0 N;
if a == 0 Z;
puts "positive"; puts n; below E;
N: puts "negative"; puts n; below E;
Z: puts "zero"; puts n;
E:
--- stdout

--- status 0

=== correct: texts compared with function 4
n = "
";
c = "apple"; p = "apple";
if func 4 == 0 S;
puts "different"; puts n; below E;
S: puts "same"; puts n;
E:
--- stdout

--- status 0

=== correct: put of what function 2 reads
n = "
";
x = func 2;
put x * 2; puts n;
--- stdout

--- status 0

=== correct: an exit status of 0 at the end
put 7;
z = 0;
--- stdout

--- status 0

=== correct: a directory listed
n = "
";
f = "*.vt";
L: m = func 13; if !m E;
   puts m; puts n; above L;
E: z = 0;
--- stdout

--- status 0

=== correct: a sum that starts from nothing
n = "
";
i = 1;
L: s = s + i; i = i + 1; if i > 4 E; above L;
E: put s; puts n;
--- stdout

--- status 0

=== correct: Fibonacci in an array
n = "
";
a = new 10; a[0] = 0; a[1] = 1; i = 2;
L: a[i] = a[i - 1] + a[i - 2]; i = i + 1; if i >= 10 E; above L;
E: put a[9]; puts n;
--- stdout

--- status 0

=== correct: a length read with function 17 and printed
n = "
";
f = "/etc/hostname";
put func 17; puts " bytes"; puts n;
--- stdout

--- status 0

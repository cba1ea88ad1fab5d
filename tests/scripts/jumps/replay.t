=== a statement run again and again reports a later pass's error with its line
n = "
";
i = 0;
L: i = i + 1;
put 100 / (5 - i); puts n;
above L;
--- stdout
25
33
50
100

--- stderr

line:4 Division by zero.

--- status 1

=== a literal copied on every pass wraps the pool with its line
L: i = i + 1;
s = "abcdefghij";
if i >= 8 E;
above L;
E: puts s; z = 0;
--- args
-s 64 -f {script}
--- stdout
abcdefghij
--- stderr

line:2 Pool over. (string)

=== an element written and read on every pass until it leaves the pool
x = new 4;
L: x[i] = i * 10;
put x[i];
i = i + 1;
above L;
--- args
-s 64 -f {script}
--- stdout
0102030405060708090100110120130140150
--- stderr

line:2 Bad address. (array)

--- status 1

=== a jump followed by more tokens parses by its condition on every pass
L: c = i % 2;
i = i + 1;
put i;
if c A + 100;
put 0;
A: if i >= 6 E;
above L;
E: z = 0;
--- stdout
102304506
=== a count that changes from pass to pass
n = "
";
L: i = i + 1;
below @ i % 3 K;
put 1;
K: put 2;
K: put 3;
K: puts n;
if i >= 7 E;
above L;
E: z = 0;
--- stdout
23
3
123
23
3
123
23

=== regression: an if inside a statement leaves ev to the statement, also replayed
L: i = i + 1;
p = 7 + if i > 9 E;
q = 1 - if i > 5 E;
above L;
--- status 0

=== counted loops: each comparison, steps up and down by constants and by registers, a step past the largest number, a way into the compare from elsewhere; the status is the last comparison
n = "
";
i = 0; B: i = i + 3; if i >= 51 A; above B;
A: put i; i = 0; C: i = i + 3; if i > 51 A; above C;
A: put i; i = 0; D: i = i + 3; if i == 60 A; above D;
A: put i; i = 30; E: i = i - 2; if i < -36 A; above E;
A: put i; i = 30; F: i = i - 128; if i <= -4962 A; above F;
A: put i; i = 0; m = 0; G: m = m + 127 + (m >= 1270); i = i + 127; if i != m A; above G;
A: put i; puts n;
s = 7; m = 100; j = 0; H: j = j + s; if j >= m A; above H;
A: put j; j = 0; I: j = j + s; if j > 100 A; above I;
A: put j; j = 0; J: j = j + 1; if j > m A; above J;
A: put j; j = 1; K: j = j + j; if j > 10000 A; above K;
A: put j; j = 0; L: j = j + 128; if j > 10000 A; above L;
A: put j; puts n;
i = 2147483000; N: i = i + 100; if i < 0 A; above N;
A: put i; puts n;
i = 0; c = 0; O: c = 1 - c; if c M; i = i + 1;
M: if i >= 50 A; above O;
A: put i; put c; puts n;
i = 0; P: i = i + 2; if i >= 99 A; above P;
A:
--- stdout
515460-38-49621397
1051051011638410112
-2147483596
500

--- status 1

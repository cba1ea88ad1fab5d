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

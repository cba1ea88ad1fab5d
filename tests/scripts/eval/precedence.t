=== multiplication before addition, left to right within a level
a = 1 + 2 * 3; put a; puts " "; put 1 - 2 - 3; puts " "; put 12 / 2 / 3; puts " "; put 7 % 4 * 2;
--- stdout
7 -4 2 6
--- status 6

=== ! stands on the comparison level
put !1 == 0; put !0 + 1; put !2 * 0; put !0 < 5;
--- stdout
1011
--- status 1

=== !a && b is (!a) && b
a = 0; b = 1; put !a && b;
--- stdout
1
--- status 1

=== && and || share one level, left to right
put 1 || 0 && 0; put 0 && 0 || 1;
--- stdout
01
--- status 1

=== comparisons share one level: a < b == c
a = 1; b = 2; c = 0; put a < b == c;
--- stdout
0
--- status 0

=== unary minus binds tighter than * / %
put -2 * 3; put - - 4; put -7 / 2; put -7 % 2;
--- stdout
-64-3-1
--- status 1

=== func and new take only the next primary
a = new 0; x = new 3 * 2; b = new 0; put b - a;
--- stdout
12
--- status 12

=== func -1 + 2 is (func (-1)) + 2
a = func -2 + 5; put a;
--- stdout
version 1.2.9_001
5
--- status 5

=== put takes everything to its right, assignments included
put a + 1; x = put 1 + 2; put x; put a = 5; put a; b = 1 + put 2 * 3; put b;
--- stdout
1335567
--- status 7

=== assignment is right-associative
a = b = 3; put a; put b;
--- stdout
33
--- status 3

=== an assignment may stand wherever an operand may
put 1 + a = 2 + 3; put a;
--- stdout
65
--- status 5

=== !a = 0 is !(a = 0)
a = 9; put !a = 0; put a;
--- stdout
10
--- status 0

=== 2 * a = 3 || 0 is 2 * (a = (3 || 0))
put 2 * a = 3 || 0; put a;
--- stdout
21
--- status 1

=== if c A + 1 is (if c A) + 1, and the search drops the rest
x = if 0 A + 1; put x;
A:
--- stdout
1
--- status 1

=== if a = 1 A assigns, then tests
if a = 1 A; put 9;
A: put a;
--- stdout
1
--- status 1

=== && and || evaluate both sides, right operand first printed
put 0 && put 7; put 1 || put 8;
--- stdout
7081
--- status 1

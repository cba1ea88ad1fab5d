=== a loop from if, below and above prints 012
i = 0;
L:
put i;
i = i + 1;
if i < 3 A;
below B;
A:
above L;
B:
--- stdout
012
--- status 0

=== the same loop with the script on a pipe
--- args
--- stdin
i = 0;
L:
put i;
i = i + 1;
if i < 3 A;
below B;
A:
above L;
B:
--- stdout
012
--- status 0

=== below @ 2 resumes after the second definition
below @ 2 A; A: put 1; A: put 2;
--- stdout
2
--- status 2

=== a skipped statement prints nothing
below A; puts "x"; A: put 2;
--- stdout
2
--- status 2

=== a label never defined skips the rest quietly
below Q; put 1;
--- status 0

=== a count whose low 8 bits are 0 starts no search
below @ 256 A; put 1; A: put 2;
--- stdout
12
--- status 2

=== a count of 200 is negative as 8 bits: ends at the next definition
below @ 200 A; put 1; A: put 2; A: put 3;
--- stdout
23
--- status 3

=== -1 as a count also ends at the next definition
below @ -1 A; put 1; A: put 2;
--- stdout
2
--- status 2

=== put below C starts the search and prints the label's index
put below C; put 9; C: put 1;
--- stdout
21
--- status 1

=== put below @ 3 C prints the stored count
put below @ 3 C; C: C: C: put 1;
--- stdout
31
--- status 1

=== below @ n yields the stored counter read back as signed 8 bits
x = below @ 258 C; C: C: put x;
y = below @ 200 C; C: put y;
--- stdout
2-56
--- status 56

=== x = below A + 1 stores A's index; the rest is dropped
x = below A + 1; A: put x;
--- stdout
0
--- status 0

=== if with a false and a true condition
if 0 A; put 1; A: put 2;
if 5 B; put 3; B: put 4;
--- stdout
124
--- status 4

=== if c @ 0 does nothing; the count is evaluated even when c is 0
if 1 @ 0 A; put 1; A: put 2;
if 0 @ put 7 B; B:
--- stdout
127
--- status 7

=== above @ 0 restarts the script without a search
n = n + 1;
put n;
if n > 2 A;
above @ 0 Z;
A:
--- stdout
123
--- status 1

=== above @ 2 counts definitions from the top
n = n + 1;
if n > 1 E;
below S;
Z: put 1;
Z: put 2;
E: below F;
S: above @ 2 Z;
F:
--- stdout
2
--- status 2

=== after a rewind, messages count lines from 1 again
n = n + 1;
if n > 1 A;
above B;
B:
A:
put 1 2;
--- stdout
1
--- stderr

#line:6 syntax error
   (more sample infomation '-H')

--- status 1

=== a search passes over labels in strings and comments
below A; s = "A:"; # A:
put 1;
A: put 2;
--- stdout
2
--- status 2

=== execution resumes right after the colon on the same line
below A; put 1; A: put 2; put 3;
--- stdout
23
--- status 3

=== two searches pending: a jump as another jump's condition
if below B A; put 1; A: put 2; B: put 3; A: put 4;
--- stdout
34
--- status 4

=== a jump inside parentheses drops the ) : syntax error
below @ (below B) A;
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 0

=== && with a jump on the right: the search starts, the statement completes
x = 1 && below B; put x; B: put x;
--- stdout
1
--- status 1

=== a jump statement ending the input without ; is a syntax error
below A
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 0

=== a loop's search passes a broken item on a later pass: the error has its line
n = n + 1;
put n;
if n > 1 S;
x = if 0 A + if 0 B;
S: above @ 0 Z;
--- stdout
12
--- stderr

#line:4 syntax error
   (more sample infomation '-H')

--- status 1

=== after the search of a loop, messages name the lines landed on
L:
i = i + 1;
# padding

put 10 / (3 - i);
above L;
--- stdout
510
--- stderr

line:5 Division by zero.

--- status 1

=== while searching, a label, a number and a colon are a definition
i = i + 1;
if i > 3 E;
above L;
X: L 5 : put i; above @ 0 Z;
--- stdout
123
--- status 1

=== a negative count ends the search at the first definition from the top
M: i = i + 1; if i > 4 E;
M: put i;
above @ -1 M;
--- stdout
1234
--- status 1

=== a search lands on "L 2:", whose 2 it drops; read as an item, the 2 would be a syntax error
i = 0;
L: i = i + 1;
if i < 3 M;
below E;
M 2: above L;
E: put i;
--- stdout
3
--- status 3

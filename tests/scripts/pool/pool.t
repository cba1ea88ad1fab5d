=== a text that does not fit wraps to the pool's start with a message
a = "abc";
b = "defghijklmno";
puts a; put a == b;
--- args
-s 16 -f {script}
--- stdout
defghijklmno1
--- stderr

line:2 Pool over. (string)

--- status 1

=== a text that exactly fills the rest is stored without a message
a = "abcdefg"; b = "1234567";
c = "x";
put c == a;
--- args
-s 16 -f {script}
--- stdout
1
--- stderr

line:2 Pool over. (string)

--- status 1

=== an array that does not fit wraps
s = "0123456789"; x = new 2; put x == s;
--- args
-s 16 -f {script}
--- stdout
1
--- stderr

line:1 Pool over. (array)

--- status 1

=== new of the whole pool succeeds, one more element is fatal
x = new 4;
y = new 5;
put 1;
--- args
-s 16 -f {script}
--- stderr

line:2 Cannot allocation. (array)

--- status 1

=== new -1 is fatal
x = new -1;
--- stderr

line:1 Cannot allocation. (array)

--- status 1

=== new 262144 fits the default pool exactly; 262145 does not
x = new 262144; put 1;
y = new 262145;
--- stdout
1
--- stderr

line:2 Cannot allocation. (array)

--- status 1

=== new 1073741824 is larger than the pool, not 0 bytes
x = new 1073741824;
--- stderr

line:1 Cannot allocation. (array)

--- status 1

=== a text longer than the whole pool is refused
a = "12345678";
--- args
-s 8 -f {script}
--- stderr

line:1 Cannot allocation. (string)

--- status 1

=== a loop takes fresh pool space each pass and wraps
i = 0;
L: s = "abcdefgh"; i = i + 1; if i < 3 M; below E;
M: above L;
E: puts s; z = 0;
--- args
-s 20 -f {script}
--- stdout
abcdefgh
--- stderr

line:2 Pool over. (string)

--- status 0

=== ~ from a text to an overlapping place copies the old bytes
a = "abcdefghij"; b ~ a; c ~ b; puts c; z = 0;
--- args
-s 24 -f {script}
--- stdout
abcdefghij
--- stderr

line:1 Pool over. (string)

--- status 0

=== display_pool of a fresh 20-byte pool
func 0;
--- args
-s 20 -f {script}
--- stderr re

 a\(        0\)  b\(        0\)  c\(        0\)  d\(        0\)  e\(        0\) 
 f\(        0\)  g\(        0\)  h\(        0\)  i\(        0\)  j\(        0\) 
 k\(        0\)  l\(        0\)  m\(        0\)  n\(        0\)  o\(        0\) 
 p\(        0\)  q\(        0\)  r\(        0\)  s\(        0\)  t\(        0\) 
 u\(        0\)  v\(        0\)  w\(        0\)  x\(        0\)  y\(        0\) 
 z\(        0\) 

 \d{9}:    \. \. \. \. \. \. \. \.    \. \. \. \. \. \. \. \. 
 \d{9}:    \. \. \. \. 
--- status 0

=== display_pool shows the printable range 0x21..0x7d, variables as values
a = "hi"; b = -5; c = "} ~!"; func 0;
--- args
-s 16 -f {script}
--- stderr re

 a\( *\d+\)  b\(       -5\)  c\( *\d+\)  d\(        0\)  e\(        0\) 
.*
 z\(        0\) 

 \d{9}:    h i \. \} \. \. ! \.    \. \. \. \. \. \. \. \. 
--- status 0

=== display_pool's line headers are the numbers variables hold
a = "x"; func 0;
--- args
-s 32 -f {script}
--- stderr re
\n a\((\d+)\) .*\n 0*\1:    x \. .*
--- status 0

=== output before a pool message comes first, both into one file
put 1; a = "abc";
b = "defghijklmno"; put 2;
--- args
-s 16 -f {script}
--- merged
1
line:2 Pool over. (string)
2
--- status 2

=== the first new and a literal after new 1; puts ","; keep their addresses
a = new 1; puts ","; b = "x"; put a; put b;
--- stdout
,268444032268444038
--- status 134

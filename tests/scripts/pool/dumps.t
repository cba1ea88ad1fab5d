=== func 6 lists an array's elements
x = new 3; x[1] = 5; i = 23; s = 3; func 6;
--- stderr
 x[0](        0)
 x[1](        5)
 x[2](        0)

--- status 0

=== func 6 with negative and wide values
a = new 2; a[0] = -1; a[1] = 2147483647; s = 2; func 6;
--- stderr
 a[0](       -1)
 a[1](2147483647)

--- status 0

=== func 6 with a count of 0 writes nothing
x = new 3; i = 23; func 6;
--- status 0

=== func 6 refuses a variable number outside a..z
x = new 3; i = 26; s = 1; func 6; i = -1; func 6;
--- status 0

=== func 6 refuses an array that runs past the pool
x = new 2; i = 23; s = 3; func 6;
--- args
-s 8 -f {script}
--- status 0

=== func 0 on an empty pool dumps the variables only
b = 7; func 0;
--- args
-s 0 -f {script}
--- stderr

 a(        0)  b(        7)  c(        0)  d(        0)  e(        0) 
 f(        0)  g(        0)  h(        0)  i(        0)  j(        0) 
 k(        0)  l(        0)  m(        0)  n(        0)  o(        0) 
 p(        0)  q(        0)  r(        0)  s(        0)  t(        0) 
 u(        0)  v(        0)  w(        0)  x(        0)  y(        0) 
 z(        0) 

--- status 0

=== the dump of the default pool has 65536 lines of 16 bytes
func 0;
--- args
-f {script}
--- stderr re
(?:[^\n]*\n){8}(?: \d{9}:    (?:\. ){8}   (?:\. ){8}\n){65535} \d{9}:    (?:\. ){8}   (?:\. ){8}
--- status 0

=== version, usage list and invalid numbers
func -2; func -3; func 19; a = 5;
--- stdout
version 1.2.9_001
Invalid Function No!
Invalid Function No!

--- status 5

=== division by zero ends the run with status 1
put 1;
put 1 / 0;
put 2;
--- stdout
1
--- stderr

line:2 Division by zero.

--- status 1

=== remainder by zero too
a = 0; put 5 % a;
--- stderr

line:1 Division by zero.

--- status 1

=== an element read outside the pool
x = new 1; put x[1];
--- args
-s 4 -f {script}
--- stderr

line:1 Bad address. (array)

--- status 1

=== an element write through a variable that holds no address
put 1; y[0] = 5;
--- stdout
1
--- stderr

line:1 Bad address. (array)

--- status 1

=== an element whose last byte passes the pool's end
x = new 1; x = x + 1; x[0] = 1;
--- args
-s 4 -f {script}
--- stderr

line:1 Bad address. (array)

--- status 1

=== a huge index wraps in 32 bits back onto the same element
x = new 1; x[0] = 7; put x[1073741824];
--- stdout
7
--- status 7

=== a negative index before the pool
x = new 1; put x[-1];
--- stderr

line:1 Bad address. (array)

--- status 1

=== puts of a number that is no text
puts 12345;
--- stderr

line:1 Bad address. (string)

--- status 1

=== puts of a text with no NUL before the pool's end
x = new 2; x[0] = 0x41414141; x[1] = 0x41414141; puts x;
--- args
-s 8 -f {script}
--- stderr

line:1 Bad address. (string)

--- status 1

=== ~ from a value that is no text
a = 7; b ~ a;
--- stderr

line:1 Bad address. (string)

--- status 1

=== a negative value is no text
puts -1;
--- stderr

line:1 Bad address. (string)

--- status 1

=== the error names the line after a rewind
n = n + 1;
if n > 1 A;
above B;
B:
A:
put 1 / 0;
--- stderr

line:6 Division by zero.

--- status 1

=== any text with -s 0 cannot be stored
a = "";
--- args
-s 0 -f {script}
--- stderr

line:1 Cannot allocation. (string)

--- status 1

=== new 0 on an empty pool is fine
x = new 0; put x != 0;
--- args
-s 0 -f {script}
--- stdout
1
--- status 1

=== regression: an element write through an address outside the pool is refused, also where a variable lies
s = "x";
v = s - 8320;
v[0] = 7;
put a;
--- stderr

line:3 Bad address. (array)

--- status 1

=== regression: an element string copy through an address outside the pool is refused, also where a variable lies
s = "x";
v = s - 8320;
v[25] ~ s;
put z;
--- stderr

line:3 Bad address. (array)

--- status 1

=== an element write outside the pool on a loop's fourth pass, a recorded statement by then
a = new 4; i = 0;
L: put i;
a[i % 4] = i;
a[i / 3 * 10000000] = 7;
i = i + 1; if i > 5 E; above L;
E:
--- stdout
0123
--- stderr

line:4 Bad address. (array)

--- status 1

=== the same with a value computed after the slot, checked with the write
a = new 4; i = 0;
L: put i;
a[i / 3 * 10000000] = i * 2;
i = i + 1; if i > 5 E; above L;
E:
--- stdout
0123
--- stderr

line:3 Bad address. (array)

--- status 1

=== an element read at an index less a constant, negative on a recorded pass
a = new 4; i = 6;
L: i = i - 1; put a[i - 2];
if i < 0 E; above L;
E:
--- stdout
0000
--- stderr

line:2 Bad address. (array)

--- status 1

=== output before a runtime error comes first, both into one file
put 1; puts "
"; put 2; a = 1 / 0;
--- merged
1
2
line:1 Division by zero.

--- status 1

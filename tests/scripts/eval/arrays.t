=== a new array is zero-filled and its elements read and write
x = new 3; put x[0] + x[1] + x[2]; x[1] = 5; put x[1]; put x[0];
--- stdout
050
--- status 0

=== new 0 reserves nothing: two in a row are equal
a = new 0; b = new 0; put a == b;
--- stdout
1
--- status 1

=== an array after a one-character string sits at an odd offset
a = new 0; s = "z"; x = new 3; put x - a; x[0] = -1; x[1] = 65536; x[2] = 2147483647; put x[0]; put x[1]; put x[2]; puts s; z = 1;
--- stdout
2-1655362147483647z
--- status 1

=== writing an element leaves its neighbours alone, also unaligned
s = "abc"; x = new 2; x[0] = 0x41424344; puts s; put x[1]; y = new 1; put y - x;
--- stdout
abc08
--- status 8

=== the index is evaluated before the right-hand side
x = new 4; i = 1; x[i] = i = 3; put x[1]; put x[3]; put i;
--- stdout
303
--- status 3

=== any address can be indexed: s[0] reads a text's first four bytes
s = "ABCD"; put s[0];
--- stdout
1145258561
--- status 65

=== a string's bytes seen through an element write
s = "....."; s[0] = 0x64636261; puts s; z = 0;
--- stdout
abcd.
--- status 0

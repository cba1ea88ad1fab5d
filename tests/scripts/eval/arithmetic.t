=== division truncates toward zero; remainder has the dividend's sign
put 7 / 2; puts " "; put -7 / 2; puts " "; put -7 % 2; puts " "; put 7 % -2;
--- stdout
3 -3 -1 1
--- status 1

=== addition, subtraction and multiplication wrap modulo 2^32
put 2147483647 + 1; puts ","; put 0 - 2147483647 - 2; puts ","; put 65536 * 65536; puts ","; put 2147483647 * 3;
--- stdout
-2147483648,2147483647,0,2147483645
--- status 253

=== negating -2147483648 gives -2147483648
a = -2147483647 - 1; put -a;
--- stdout
-2147483648
--- status 0

=== -2147483648 / -1 wraps; % -1 is 0
a = -2147483647 - 1; put a / -1; put a % -1;
--- stdout
-21474836480
--- status 0

=== logic yields exactly 0 or 1
put 2 && 3; put 0 || -4; put !5; put !0; put -3 > -4; put 5 != 5; put 4 >= 4; put 4 <= 3;
--- stdout
11011010
--- status 0

=== comparisons are signed
put -1 < 1; put 2147483647 > -2147483647;
--- stdout
11
--- status 1

=== put 1; put 2; prints 12 on one line
put 1; put 2;
--- stdout
12
--- status 2

=== number literals in three bases, clamped
put 010; puts ","; put 0x1f; puts ","; put 0X1F; puts ","; put 2147483648; puts ","; put 0;
--- stdout
8,31,31,2147483647,0
--- status 0

=== variables start at 0 and are one letter each
put a; put z;
--- stdout
00
--- status 0

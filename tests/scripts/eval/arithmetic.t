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

=== a loop divides edge values by constants: each quotient rounds toward 0, each remainder takes the sign of the dividend
v = new 12; n = "
"; b = " ";
v[0] = -2147483647 - 1; v[1] = -2147483647; v[2] = -1000004; v[3] = -65537; v[4] = -7; v[5] = -1;
v[6] = 0; v[7] = 1; v[8] = 6; v[9] = 127773; v[10] = 1000003; v[11] = 2147483647;
i = 0;
L: x = v[i];
put x / 2; puts b; put x % 2; puts b; put x / 3; puts b; put x % 3; puts b; put x / 7; puts b; put x % 7; puts b;
put x / 10; puts b; put x % 1000; puts b; put x / 1000003; puts b; put x % 127773; puts b; put x / 65536; puts b;
put x % 2147483647; puts b; put x / -3; puts b; put x % -7; puts b; put x / -2; puts b; put x / 1; puts b; put x % 1; puts n;
i = i + 1;
if i >= 12 E; above L;
E: z = 0;
--- stdout
-1073741824 0 -715827882 -2 -306783378 -2 -214748364 -648 -2147 -2837 -32768 -1 715827882 -2 1073741824 -2147483648 0
-1073741823 -1 -715827882 -1 -306783378 -1 -214748364 -647 -2147 -2836 -32767 0 715827882 -1 1073741823 -2147483647 0
-500002 0 -333334 -2 -142857 -5 -100000 -4 -1 -105593 -15 -1000004 333334 -5 500002 -1000004 0
-32768 -1 -21845 -2 -9362 -3 -6553 -537 0 -65537 -1 -65537 21845 -3 32768 -65537 0
-3 -1 -2 -1 -1 0 0 -7 0 -7 0 -7 2 0 3 -7 0
0 -1 0 -1 0 -1 0 -1 0 -1 0 -1 0 -1 0 -1 0
0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0
0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0
3 0 2 0 0 6 0 6 0 6 0 6 -2 6 -3 6 0
63886 1 42591 0 18253 2 12777 773 0 0 1 127773 -42591 2 -63886 127773 0
500001 1 333334 1 142857 4 100000 3 1 105592 15 1000003 -333334 4 -500001 1000003 0
1073741823 1 715827882 1 306783378 1 214748364 647 2147 2836 32767 0 -715827882 1 -1073741823 2147483647 0


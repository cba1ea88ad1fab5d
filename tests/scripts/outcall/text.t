=== getenv: a set variable, an empty one, and an unset one leaving the pool alone
n = "
";
e = "OC_SET"; r = func 3; puts r; puts n;
e = "OC_EMPTY"; r = func 3; put r != 0; puts "["; puts r; puts "]"; puts n;
e = "OC_UNSET_FOR_SURE"; x = "a"; r = func 3; y = "b";
put r; put y - x; puts n;
z = 0;
--- env
OC_SET=some value
OC_EMPTY=
--- stdout
some value
1[]
02

=== strcmp: equal, before, after, bytes above 127, empty text
c = "abc"; p = "abc"; put func 4; puts " ";
p = "abd"; put func 4 < 0; puts " ";
c = "abe"; put func 4 > 0; puts " ";
c = "é"; p = "z"; put func 4 > 0; puts " ";
c = ""; p = "a"; put func 4 < 0; puts " ";
c = "a"; p = ""; put func 4 > 0;
z = 0;
--- stdout
0 1 1 1 1 1
=== atoi: sign, blanks, trailing junk, no digits, values beyond int
n = " ";
a = "  -42xyz"; put func 9; puts n;
a = "+17"; put func 9; puts n;
a = "	
 5"; put func 9; puts n;
a = "abc"; put func 9; puts n;
a = ""; put func 9; puts n;
a = "99999999999"; put func 9; puts n;
a = "-99999999999"; put func 9;
z = 0;
--- stdout
-42 17 5 0 0 2147483647 -2147483648
=== itoa: default format, flags, width, precision, every conversion
n = "|";
i = -7; r = func 10; puts r; puts n;
f = "%05d"; i = 42; r = func 10; puts r; puts n;
f = "%x"; i = 255; r = func 10; puts r; puts n;
f = "%#X"; r = func 10; puts r; puts n;
f = "%#o"; r = func 10; puts r; puts n;
f = "%o"; i = 0; r = func 10; puts r; puts n;
f = "%.0d"; r = func 10; puts r; puts n;
f = "%#.0o"; r = func 10; puts r; puts n;
f = "%c%c"; i = 65; r = func 10; put r; puts n;
f = "%c"; r = func 10; puts r; puts n;
f = "%-5d"; i = 3; r = func 10; puts r; puts n;
f = "%+d"; r = func 10; puts r; puts n;
f = "% d"; r = func 10; puts r; puts n;
f = "%8.3d"; i = -5; r = func 10; puts r; puts n;
f = "%08.3d"; r = func 10; puts r; puts n;
f = "%u"; i = -1; r = func 10; puts r; puts n;
f = "%+ 06i"; i = 9; r = func 10; puts r; puts n;
f = "%#010x"; i = 255; r = func 10; puts r; puts n;
f = "%%%d%% of %%"; i = 5; r = func 10; puts r; puts n;
f = "%d"; i = -2147483647 - 1; r = func 10; puts r; puts n;
z = 0;
--- stdout
-7|00042|ff|0XFF|0377|0||0|0|A|3    |+3| 3|    -005|    -005|4294967295|+00009|0x000000ff|%5% of %|-2147483648|
=== itoa refuses every format but one integer conversion
i = 1;
f = "%s"; put func 10;
f = "%d %d"; put func 10;
f = "plain"; put func 10;
f = "%%"; put func 10;
f = "%ld"; put func 10;
f = "%hd"; put func 10;
f = "%*d"; put func 10;
f = "%.*d"; put func 10;
f = "%n"; put func 10;
f = "%p"; put func 10;
f = "%f"; put func 10;
f = "%"; put func 10;
f = "abc%5"; put func 10;
f = "%2147483648d"; put func 10;
f = "%.2147483648d"; put func 10;
z = 0;
--- stdout
000000000000000
=== itoa cuts its text at 1023 bytes, however wide the field
n = "|";
f = "%2000d"; i = 42; r = func 10; puts r; puts n;
f = "%-2000d"; r = func 10; puts r; puts n;
f = "%.2000d"; r = func 10; puts r; puts n;
f = "%2147483647d"; r = func 10; puts r; puts n;
f = "%1021d%%%%%%"; r = func 10; puts r; puts n;
z = 0;
--- stdout re
 {1023}\|42 {1021}\|0{1023}\| {1023}\| {1019}42%%\|
=== strcat joins with nothing between, empty texts give an empty text, long joins are cut
n = "|";
c = "foo"; p = "bar"; r = func 11; puts r; puts n;
c = ""; p = ""; r = func 11; put r != 0; puts "["; puts r; puts "]"; puts n;
f = "%1000d"; i = 1; c = func 10; f = "%-100d"; i = 2; p = func 10; r = func 11; puts r; puts n;
c = "keep"; r = func 11; puts c; puts n;
z = 0;
--- stdout re
foobar\|1\[\]\| {999}12 {22}\|keep\|

=== 0 where a text is expected: every text-reading function yields 0
put func 3; put func 4; put func 5; put func 7; put func 9; put func 11;
put func 12; put func 13; put func 15; put func 17;
c = "x"; put func 4; put func 11; c = 0; p = "x"; put func 4; put func 11;
w = "x"; put func 7; w = 0; m = "x"; put func 7;
z = 0;
--- stdout
0000000000000000
=== numbers that are no pool address yield 0
e = 5; c = 5; p = 5; a = 5; w = 5; m = 5; f = 5;
put func 3; put func 4; put func 5; put func 7; put func 9; put func 10; put func 11;
put func 12; put func 13; put func 15; put func 17; puts "|";
e = -1; c = -1; p = -1; a = -1; w = -1; m = -1; f = -1;
put func 3; put func 4; put func 5; put func 7; put func 9; put func 10; put func 11;
put func 12; put func 13; put func 15; put func 17; puts "|";
e = 2147483647; c = e; p = e; a = e; w = e; m = e; f = e;
put func 3; put func 4; put func 5; put func 7; put func 9; put func 10; put func 11;
put func 12; put func 13; put func 15; put func 17;
z = 0;
--- stdout
00000000000|00000000000|00000000000
=== a text running into the pool's end without its NUL yields 0
x = new 4; x[0] = 1094795585; x[1] = x[0]; x[2] = x[0]; x[3] = x[0];
e = x + 12; c = e; p = e; a = e; w = e; m = e; f = e;
put func 3; put func 4; put func 5; put func 7; put func 9; put func 10; put func 11;
put func 12; put func 13; put func 15; put func 17;
e = x + 15; c = e; p = e; a = e; w = e; m = e; f = e;
put func 3; put func 4; put func 5; put func 7; put func 9; put func 10; put func 11;
put func 12; put func 13; put func 15; put func 17;
z = 0;
--- args
-s 16 -f {script}
--- stdout
0000000000000000000000
=== an argument vector running into the pool's end without its 0 starts nothing
e = "sh"; x = new 4; x[0] = e; x[1] = e; x[2] = e; x[3] = e; t = 1;
a = x; put func 5; a = x + 12; put func 5; a = x + 13; put func 5;
z = 0;
--- args
-s 19 -f {script}
--- stdout
000

=== waiting: the program's output comes between the script's own output
e = "sh"; a = new 4; a[0] = "sh"; a[1] = "-c"; a[2] = "echo child"; a[3] = 0; t = 1;
put 1; r = func 5; put r;
z = 0;
--- stdout
1child
0
--- only posix
sh is a Unix program; the Windows case below starts argprint
=== the vector reaches the program unchanged: blanks, empty texts, its own argv[0]
e = "printf"; a = new 6; a[0] = "printf"; a[1] = "[%s]"; a[2] = "a b"; a[3] = ""; a[4] = "c"; a[5] = 0; t = 1;
r = func 5;
e = "sh"; a = new 4; a[0] = "given-name"; a[1] = "-c"; a[2] = "echo $0"; a[3] = 0;
r = func 5;
z = 0;
--- stdout
[a b][][c]given-name

--- only posix
printf and sh are Unix programs

=== no vector: the program alone, looked up along PATH
e = "echo"; a = 0; t = 1; r = func 5; put r;
z = 0;
--- stdout

0
--- only posix
echo is a Unix program
=== the exit code is dropped, and a program that can't start yields 0
e = "sh"; a = new 4; a[0] = "sh"; a[1] = "-c"; a[2] = "exit 7"; a[3] = 0; t = 1;
put func 5;
e = "no-such-program-quill-test"; a = 0; put func 5;
e = "/nonexistent/dir/prog"; put func 5;
puts "|done";
z = 0;
--- stdout
000|done
--- only posix
sh is a Unix program
=== not waiting: the call returns at once and the program runs on
e = "sh"; a = new 4; a[0] = "sh"; a[1] = "-c"; a[3] = 0; t = 0;
a[2] = "i=0; until [ -e go ] || [ $i -ge 1500 ]; do sleep 0.02; i=$((i+1)); done; echo late; echo done >done";
put 1; r = func 5; put 2;
e = "touch"; a = new 3; a[0] = "touch"; a[1] = "go"; a[2] = 0; t = 1; r = func 5;
f = "done"; k = 0;
W: i = 20; r = func 8; k = k + 1; l = func 17; if l || k > 1500 D; above W;
D: put 3;
z = 0;
--- stdout
12late
3
--- only posix
sh is a Unix program
=== a vector with an element that is no text starts nothing
e = "echo"; a = new 3; a[0] = "echo"; a[1] = 12345; a[2] = 0; t = 1;
put func 5;
a[1] = -1; put func 5;
a = new 1; a[0] = 0; put func 5;
a = 7; put func 5;
z = 0;
--- stdout
0000
=== regression: a started program inherits only the standard streams, not the script
e = "sh"; a = new 4; a[0] = "sh"; a[1] = "-c"; a[2] = "ls /proc/$$/fd"; a[3] = 0; t = 1;
func 5;
z = 0;
--- stdout
0
1
2

--- only posix
sh and /proc are Linux's
=== Windows: waiting: the program's output comes between the script's own output
e = "argprint"; a = new 3; a[0] = "argprint"; a[1] = "child"; a[2] = 0; t = 1;
put 1; r = func 5; put r;
z = 0;
--- stdout
1[argprint][child]
0
--- only win32
argprint is a test program of the Windows build
=== Windows: the vector arrives unchanged: blanks, empty texts, quotes, backslashes, its own argv[0]
e = "argprint"; a = new 8; a[0] = "given-name"; a[1] = "a b"; a[2] = ""; a[3] = "c";
a[4] = 'say "hi"'; a[5] = "C:\dir\"; a[6] = 'back\\"slash\'; a[7] = 0; t = 1;
r = func 5;
e = "argprint"; a = 0; r = func 5;
z = 0;
--- stdout
[given-name][a b][][c][say "hi"][C:\dir\][back\\"slash\]
[argprint]

--- only win32
argprint is a test program of the Windows build
=== Windows: the exit code is dropped, and a program that can't start yields 0
e = "argprint"; a = new 3; a[0] = "argprint"; a[1] = "x"; a[2] = 0; t = 1;
put func 5;
e = "no-such-program-quill-test"; a = 0; put func 5;
z = 0;
--- stdout
[argprint][x]
00
--- only win32
argprint is a test program of the Windows build
=== Windows: not waiting: the call returns at once and the program runs on
e = "argprint"; a = new 2; a[0] = "argprint"; a[1] = 0; t = 0;
put 1; r = func 5; put 2;
e = "touch"; a = new 3; a[0] = "touch"; a[1] = "go"; a[2] = 0; t = 1; r = func 5;
f = "done"; k = 0;
W: i = 20; r = func 8; k = k + 1; l = func 17; if l || k > 1500 D; above W;
D: put 3;
z = 0;
--- env
ARGPRINT_AWAIT=go
ARGPRINT_DONE=done
--- stdout
12[argprint]
3
--- only win32
argprint is a test program of the Windows build
=== Windows regression: a started program inherits only the standard streams, not the script or a file
f = "three.txt"; l = func 15;
e = "argprint"; a = 0; t = 1; func 5;
z = 0;
--- env
ARGPRINT_FDS=1
--- file three.txt
one
--- stdout
[argprint] 0 1 2

--- only win32
argprint is a test program of the Windows build
=== Windows: a batch file gets each argument whole between quotes, or does not start at all
e = "show"; a = new 9; a[0] = "show"; a[1] = "a b"; a[2] = ""; a[3] = "C:\dir\";
a[4] = "x&echo.INJECTED"; a[5] = "|<>^()!"; a[6] = "a;b,c=d"; a[7] = "tab	here"; a[8] = 0; t = 1;
func 5;
e = "show.bat."; a[1] = "!OS!"; a[2] = 0; func 5;
a[1] = "100%OS%"; put func 5;
a[1] = 'y" & echo INJ2 & "'; put func 5;
a[1] = "two
lines"; put func 5;
e = "50%\show.bat"; a[1] = "x"; put func 5;
z = 0;
--- file show.bat
@echo off
echo [%1][%2][%3][%4][%5][%6][%7][%8][%9]
--- file 50%/show.bat
@echo off
echo INJ3
--- stdout
["a b"][""]["C:\dir\"]["x&echo.INJECTED"]["|<>^()!"]["a;b,c=d"]["tab	here"][][]
["!OS!"][][][][][][][][]
0000
--- only win32
batch files run through cmd.exe, which Linux lacks

=== read a file line by line: three lines, the last with its line feed, then 0
n = "|";
f = "three.txt";
L: l = func 15; if !l E; puts l; puts n; above L;
E: puts "end";
z = 0;
--- file three.txt
one
two
three

--- stdout
one|two|three|end
=== a last line without a line feed is returned like the others
n = "|";
f = "nolf.txt";
L: l = func 15; if !l E; puts l; puts n; above L;
E: puts "end";
z = 0;
--- file nolf.txt
one
two
three
--- stdout
one|two|three|end
=== CR LF lines lose the CR, empty lines are empty texts, not 0
n = "|";
f = "crlf.txt";
L: l = func 15; if !l E; puts l; puts n; above L;
E: puts "end";
z = 0;
--- file crlf.txt esc
alpha\r\n\r\nbeta\r\ngamma\rdelta\r\n
--- stdout esc
alpha||beta|gamma\rdelta|end
=== after the end a new call opens the file f names then
n = "|";
f = "a.txt"; puts func 15; puts n; put func 15; puts n;
f = "b.txt"; puts func 15; puts n; puts func 15; puts n; put func 15; puts n;
f = "a.txt"; puts func 15; puts n;
z = 0;
--- file a.txt
A1
--- file b.txt
B1
B2
--- stdout
A1|0|B1|B2|0|A1|
=== an open file keeps being read whatever f holds; 16 closes it
n = "|";
f = "a.txt"; puts func 15; puts n;
f = "b.txt"; puts func 15; puts n;
put func 16; puts n; put func 16; puts n;
puts func 15; puts n;
z = 0;
--- file a.txt
A1
A2
--- file b.txt
B1
--- stdout
A1|A2|0|0|B1|
=== an empty file, a missing file and a directory give 0 and leave nothing open
n = "|";
f = "empty.txt"; put func 15; puts n;
f = "missing.txt"; put func 15; puts n; put func 17; puts n;
f = "sub"; put func 15; puts n; put func 17; puts n;
f = "b.txt"; put func 17; puts n;
z = 0;
--- file empty.txt
--- file sub/x
--- file b.txt
B1
--- stdout
0|0|0|0|0|2|
=== file length: 17 leaves the file open for 15, whatever f names, until 16
n = "|";
f = "five.txt"; put func 17; puts n;
f = "b.txt"; puts func 15; puts n; put func 17; puts n; puts func 15; puts n;
put func 16; puts n;
puts func 15; puts n; put func 16; puts n;
f = "empty.txt"; put func 17; puts n; put func 16;
z = 0;
--- file five.txt
line 00 .........................................
line 01 .........................................
line 02 .........................................
line 03 .........................................
line 04 .........................................
line 05 .........................................
line 06 .........................................
line 07 .........................................
line 08 .........................................
line 09 .........................................

--- file b.txt
B1
--- file empty.txt
--- stdout
500|line 00 .........................................|500|line 01 .........................................|0|B1|0|0|0
=== regression: a FIFO has no length: 17 returns 0 at once, not waiting for a writer
e = "mkfifo"; a = new 3; a[0] = "mkfifo"; a[1] = "pipe"; a[2] = 0; t = 1; func 5;
f = "pipe"; put func 17;
f = "b.txt"; put func 17;
z = 0;
--- file b.txt
B1
--- stdout
02
--- only posix
mkfifo and FIFOs are Unix's
=== directory search: one match, wildcards, literal brackets, then 0 and a fresh search
n = "|";
f = "sub/a*c.txt"; puts func 13; puts n; put func 13; puts n;
f = "sub/ab?.txt"; puts func 13; puts n; put func 13; puts n;
f = "sub/x[1]*"; puts func 13; puts n; put func 13; puts n;
f = "scr*"; puts func 13; puts n; put func 13; puts n;
f = "/tm?"; puts func 13; puts n; put func 13; puts n;
z = 0;
--- file sub/abbc.txt
--- file sub/abd.txt
--- file sub/ab.c
--- file sub/x[1].txt
--- stdout
abbc.txt|0|abd.txt|0|x[1].txt|0|script.vt|0|tmp|0|
=== directory search: . and .. are entries; no match, no directory, an empty name give 0
n = "|";
f = "sub/.."; puts func 13; puts n; put func 13; puts n;
f = "sub/."; puts func 13; puts n; put func 13; puts n;
f = "sub/*.none"; put func 13; puts n;
f = "nodir/*"; put func 13; puts n;
f = "sub/"; put func 13; puts n;
z = 0;
--- file sub/abd.txt
--- stdout
..|0|.|0|0|0|0|
--- only posix
FindFirstFileA names what sub/.. and sub/. lead to; the Windows case follows
=== Windows: directory search: sub/.. and sub/. give the real names; no match, no directory, an empty name give 0
n = "|";
f = "sub/.."; puts func 13; puts n; put func 13; puts n;
f = "sub/."; puts func 13; puts n; put func 13; puts n;
f = "sub/*.none"; put func 13; puts n;
f = "nodir/*"; put func 13; puts n;
f = "sub/"; put func 13; puts n;
z = 0;
--- file sub/abd.txt
--- stdout re
quill-golden-[^|]+\|0\|sub\|0\|0\|0\|0\|
--- only win32
FindFirstFileA's own rules
=== a new pattern takes effect only after the search ended; 14 ends it
n = "|";
f = "one/*.txt"; puts func 13; puts n;
f = "two/*.txt"; put func 13; puts n;
puts func 13; puts n; put func 14; puts n; put func 14; puts n;
f = "one/*.txt"; puts func 13; puts n;
z = 0;
--- file one/x.txt
--- file two/y.txt
--- stdout
x.txt|0|y.txt|0|0|x.txt|

=== a read loop on standard input ends after the last line, with or without its line feed
n = "|";
L: l = func 1; if !l E; puts l; puts n; above L;
E: puts "end";
z = 0;
--- stdin
one
two

four
--- stdout
one|two||four|end
=== CR LF arrives as one line end; a lone CR stays in the line
n = "|";
L: l = func 1; if !l E; puts l; puts n; above L;
E: puts "end";
z = 0;
--- stdin esc
a\r\nb\rc\n\r\nlast\r
--- stdout esc
a|b\rc||last\r|end
=== end of input: function 1 gives 0, function 2 gives 0 and does not reuse the last line
l = func 1; puts l; puts "|";
put func 2; puts "|";
put func 1;
z = 0;
--- stdin
42
--- stdout
42|0|0
=== fgets as int reads one number per line
n = " ";
put func 2; puts n; put func 2; puts n; put func 2; puts n; put func 2; puts n;
put func 2; puts n; put func 2; puts n; put func 2;
z = 0;
--- stdin esc
12\n-3\r\nabc\n  7x\n99999999999\n-0
--- stdout
12 -3 0 7 2147483647 0 0
=== functions 1 and 2 share the one input stream in call order
a = func 2; b = func 1; c = func 2;
put a + c; puts "|"; puts b;
z = 0;
--- stdin
40
text
2
--- stdout
42|text
=== an empty standard input gives 0 at once
put func 1; put func 2;
z = 0;
--- stdout
00
=== sleep: zero and negative pauses return at once with 0
i = 0; put func 8; i = -1000; put func 8; i = 20; put func 8;
z = 0;
--- stdout
000
=== regression: a CR LF that ends a 999-byte piece is one line end even when the line holds a NUL byte
n = "|";
a = func 1; puts a; puts n;
a = func 1; puts a; puts n;
put func 1; puts n;
f = "data.txt";
a = func 15; puts a; puts n;
a = func 15; puts a; puts n;
put func 15;
z = 0;
--- stdin esc
a\x00xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r\nB\n
--- file data.txt esc
c\x00xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r\nD\n
--- stdout
a|B|0|c|D|0
=== Windows: text mode: Ctrl-Z ends standard input and a file that 15 reads
f = "z.txt"; puts func 15; puts "|"; put func 15; puts "|";
puts func 1; puts "|"; put func 1;
z = 0;
--- file z.txt esc
one\x1atwo\nthree\n
--- stdin esc
in\x1aput\nmore\n
--- stdout
one|0|in|0
--- only win32
Linux has no text mode: there Ctrl-Z is a byte like any other in these lines

=== reads of variables nothing has set, and services given no text
put x;
e = "HOME"; v = func 3; puts v;
q = func 15;
k = k + 1;
t = 0; L: t = t + w; w = 1; if t < 3 M; below E; M: above L; E:
--- stdout
script.vt:1:5: warning: `x` is read before anything sets it: it is 0 on every run that gets here [VT030]
script.vt:3:5: warning: function 15 reads `f`, which nothing sets before here: it does nothing and returns 0 [VT031]

--- status 1

=== numbers where texts are meant, and the other way round
if a = 1 B;
B: s = "hi"; put s; x = new 3; put x;
puts 5; puts i + 1; puts s + 1; puts 0;
c = s[1];
--- stdout
script.vt:1:4: warning: the condition is an assignment: = stores, == compares [VT040]
script.vt:2:14: warning: put prints this text's address as a number: puts prints a text [VT041]
script.vt:2:32: warning: put prints this array's address as a number: puts prints a text [VT041]
script.vt:3:1: warning: puts of a number prints the text at that address (or stops with Bad address): put prints numbers [VT042]
script.vt:3:9: warning: puts of a number prints the text at that address (or stops with Bad address): put prints numbers [VT042]
script.vt:3:14: warning: `i` is read before anything sets it: it is 0 on every run that gets here [VT030]
script.vt:4:5: info: an element of a text reads the 4 bytes from 4 times the index on as one number; its character k: `t = s + k; c = (t[0] % 256 + 256) % 256` [VT043]

--- status 1

=== regression: put of a text a service or ~ made
c = "a"; p = "b";
g = func 11; put g;
put func 1; e = "HOME"; put func 3; i = 5; put func 10; f = "*"; put func 13; put func 15;
t ~ c; put t;
a = "7"; put func 2; put func 9; put func 17;
--- stdout
script.vt:2:14: warning: put prints this text's address as a number: puts prints a text [VT041]
script.vt:3:1: warning: put prints this text's address as a number: puts prints a text [VT041]
script.vt:3:25: warning: put prints this text's address as a number: puts prints a text [VT041]
script.vt:3:44: warning: put prints this text's address as a number: puts prints a text [VT041]
script.vt:3:66: warning: put prints this text's address as a number: puts prints a text [VT041]
script.vt:3:79: warning: put prints this text's address as a number: puts prints a text [VT041]
script.vt:4:8: warning: put prints this text's address as a number: puts prints a text [VT041]

--- status 1

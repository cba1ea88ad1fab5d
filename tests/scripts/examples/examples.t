=== hello.vt greets and counts down
--- args
-f {root}/examples/hello.vt
--- stdout
Hello from quill!
3 2 1 liftoff

--- status 0

=== strings.vt shows sharing and copying
--- args
-f {root}/examples/strings.vt
--- stdout
a and b are the same text: 1
a and c are different copies: 1
the copy reads: quill

--- status 0

=== arrays.vt prints squares and their sum
--- args
-f {root}/examples/arrays.vt
--- stdout
0 1 4 9 16 25 36 49 64 81 
sum: 285

--- status 0

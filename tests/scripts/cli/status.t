=== an empty script exits 0
--- status 0

=== labels only leave ev at 0
A: B: C:
--- status 0

=== the last value is the status
a = 300;
--- status 44

=== -1 folds to 1
a = -1;
--- status 1

=== -257 folds to 1
a = 0 - 257;
--- status 1

=== -2147483648 folds to 0
a = -2147483647 - 1;
--- status 0

=== 2147483647 folds to 255
a = 2147483647;
--- status 255

=== below keeps ev, below @ n sets it to n as evaluated
a = 300;
below A;
A:
--- status 44

=== below @ 2 sets ev to 2
a = 300;
below @ 2 A;
A: A:
--- status 2

=== below @ 258 leaves ev at 258, not the stored count
a = 7;
below @ 258 A;
A:
--- status 2

=== if leaves the condition's value in ev
if 5 A; A:
--- status 5

=== if with a count leaves the count in ev
if 9 @ 3 A; A: A: A:
--- status 3

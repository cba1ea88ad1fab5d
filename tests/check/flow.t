=== a loop whose exit is mistyped, and what it leaves unreachable
i = 0;
L: put i;
  i = i + 1;
  if i == 3 O;
  above L;
Q: puts "done";
--- stdout
script.vt:4:13: error: no `O:` after this jump: the search skips the rest of the script without a word [VT010]
script.vt:6:1: style: no jump names `Q`: nothing lands on this label [VT021]
script.vt:6:4: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]

--- status 2

=== searches as quill carries them out: counts, labels between, the top
below @ 2 B; B: put 1; B: put 2;
below @ 3 C; C: C:
below K; put 3; K;
above Z;
if 1 @ 256 Q;
--- stdout
script.vt:1:14: style: no jump lands on this `B:` [VT021]
script.vt:1:17: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]
script.vt:2:11: error: @ 3 needs 3 definitions of `C:` after this jump, there are 2: the search skips the rest of the script [VT011]
script.vt:2:14: style: no jump lands on these 2 `C:` [VT021]
script.vt:3:1: warning: this never runs: the statement before always jumps away, and no search lands here [VT022]
script.vt:3:7: error: no `K:` after this jump: the search skips the rest of the script without a word [VT010]
script.vt:3:17: warning: K; does nothing: a label is defined with `K:` [VT020]
script.vt:4:7: error: no `Z:` in the script: the search skips the rest of the script without a word [VT010]

--- status 2

=== statements that break a search or their own jump
m = (below C); C:
x[if m D] = 1; D:
n = if m A + if n B; A: B:
--- stdout
script.vt:1:6: error: this jump always fires inside brackets, the rest of the statement is dropped and quill stops with a syntax error: give the jump a statement of its own [VT014]
script.vt:2:1: warning: `x` is read before anything sets it: it is 0 on every run that gets here [VT030]
script.vt:2:3: warning: when this jump fires inside brackets, the rest of the statement is dropped and quill stops with a syntax error: give the jump a statement of its own [VT014]
script.vt:3:19: error: a second label in one statement: any search that passes over it stops the script with a syntax error here [VT012]
script.vt:3:22: style: no jump lands on this `A:` [VT021]

--- status 2

=== a correct loop: nothing to say
i = 0;
L: put i; i = i + 1;
   if i < 3 M; below E;
M: above L;
E: z = 0;
--- status 0

=== above @ 0 restarts the script: what it skips still runs
n = n + 1; put n;
if n > 2 A;
above @ 0 Z;
A:
--- status 0

=== run.vt passes its arguments, waits, then lets a program run on, whose line may come anywhere after
--- args
-f {root}/examples/run.vt
--- stdout re
before
greeter got: \[one two\] \[\]
after
(not waiting
from the background
done|not waiting
done
from the background|from the background
not waiting
done)

--- only posix
run.vt starts sh, which Windows lacks
=== readfile.vt numbers the lines of a file and gives its length
--- args
-f {root}/examples/readfile.vt
--- env
FILE=notes.txt
--- file notes.txt esc
first\r\nsecond\n\nlast
--- stdout
   1  first
   2  second
   3  
   4  last
19 bytes

=== readfile.vt with an empty FILE says what it needs
--- args
-f {root}/examples/readfile.vt
--- env
FILE=
--- stdout
set FILE to the file to print

--- status 1
=== listdir.vt lists the entries a pattern matches
--- args
-f {root}/examples/listdir.vt
--- env
LIST=d/*.txt
--- file d/only.txt
--- file d/other.log
--- stdout
only.txt
1 entries


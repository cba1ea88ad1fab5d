=== guess.vt answers higher and lower and counts the guesses
--- args
-f {root}/examples/guess.vt
--- env
SECRET=42
--- stdin
50
10
42
--- stdout
Guess my number (1-100).
> lower
> higher
> right, in 3 guesses

--- status 0

=== guess.vt gives up at the end of input
--- args
-f {root}/examples/guess.vt
--- env
SECRET
--- stdin
1
--- stdout
Guess my number (1-100).
> higher
> 
the number was 37

--- status 0

=== countlines.vt counts lines, the last one without a line feed too
--- args
-f {root}/examples/countlines.vt
--- env
FILE=notes.txt
--- file notes.txt
one
two
three
--- stdout
3 notes.txt

--- status 0

=== countlines.vt without FILE
--- args
-f {root}/examples/countlines.vt
--- env
FILE
--- stdout
set FILE to the file to count

--- status 0

=== clipboard.vt without a display says nothing was sent
--- args
-f {root}/examples/clipboard.vt
--- env
CLIP=some text
OS
DISPLAY
WAYLAND_DISPLAY
--- stdout
sent to the clipboard: some text
(no display here, so nothing was sent)

--- status 0
--- only posix
Windows always has a clipboard: the case below
=== Windows: clipboard.vt sends without asking for a display
--- args
-f {root}/examples/clipboard.vt
--- env
CLIP=some text
DISPLAY
--- stdout
sent to the clipboard: some text

--- status 0
--- only win32
the display question is Linux's

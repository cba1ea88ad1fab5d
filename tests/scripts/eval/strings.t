=== = shares a text, ~ copies it
a = "hi"; b ~ a; puts b; c = a; put a == b; put a == c;
--- stdout
hi01
--- status 1

=== put of a string prints its pool address
x = "x"; y = put x; put y == x;
--- stdout re
\d+1
--- status 1

=== a string may span lines and holds the line feed
n = "
"; puts "a"; puts n; puts 'b'; puts n; z = 0;
--- stdout
a
b

--- status 0

=== no escapes: backslashes stay, quotes of the other kind are plain
puts "it's \n"; puts 'say "hi"'; z = 0;
--- stdout
it's \nsay "hi"
--- status 0

=== empty strings are texts, not 0
a = ""; b = ''; put a != 0; put b != 0; puts a; put a == b;
--- stdout
110
--- status 0

=== puts 0 prints nothing and yields 0
x = puts 0; put x;
--- stdout
0
--- status 0

=== b ~ 0 stores 0 and takes no pool space
a = new 0; b ~ 0; c = new 0; put b; put a == c;
--- stdout
01
--- status 1

=== a ~ "hi" copies the literal twice
a = new 0; b ~ "hi"; c = new 0; put c - a;
--- stdout
6
--- status 6

=== an unclosed quote is a character token: syntax error
puts "abc;
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 0

=== a string literal inside a skipped statement is not copied
a = new 0; below A; puts "skipped text"; A: b = new 0; put b - a;
--- stdout
0
--- status 0

=== strings with every printable byte survive the pool
s = "!~ }{|`_^]\[@?>=<;:/.-,+*)('&%$#"; puts s; z = 0;
--- stdout
!~ }{|`_^]\[@?>=<;:/.-,+*)('&%$#
--- status 0

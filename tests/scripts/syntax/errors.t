=== put 1 2; prints 1, then the report on stderr
put 1 2;
--- stdout
1
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 1

=== put 1 put 2; prints 1 then reports
put 1 put 2;
--- stdout
1
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 1

=== 5 = 3; is an error: only a variable may be assigned
5 = 3;
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 5

=== (a) = 1; is an error
(a) = 1;
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 0

=== a = ; is an error on the line of the ; (ev holds a's slot address, page aligned)
a = 1;

a =
;
--- stderr re
\n#line:4 syntax error\n   \(more sample infomation '-H'\)\n
--- status 0

=== 1 2; is an error
1 2;
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 1

=== a missing last ; runs the statement, then fails at the end of input
put 4;
put 5
--- stdout
45
--- stderr

#line:2 syntax error
   (more sample infomation '-H')

--- status 5

=== the end-of-input error line counts every line feed read
put 5


--- stdout
5
--- stderr

#line:3 syntax error
   (more sample infomation '-H')

--- status 5

=== ; alone and A; alone do nothing
;
A;
;;
--- status 0

=== $ outside strings is a syntax error
put 1; $
--- stdout
1
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 1

=== . , { and a lone CR are rejected
a = 1.5;
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 1

=== a lone CR is a character token
--- script esc
put 2;\rput 3;
--- stdout
2
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 2

=== a byte of 0x80 or more ends the script as end of input
--- script esc
put 2;\xe9 put 3;
--- stdout
2
--- status 2

=== a NUL byte ends the script as end of input
--- script esc
put 2;\x00 put 3;
--- stdout
2
--- status 2

=== a byte above 0x7f inside a statement ends it early: error at end of input
--- script esc
put 2 \xff;
--- stdout
2
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 2

=== nothing after the error runs
put 1;
1 + ;
put 2;
--- stdout
1
--- stderr

#line:2 syntax error
   (more sample infomation '-H')

--- status 1

=== keywords need no blanks: putx is put x, puts is the keyword
x = 3; putx; put x;
--- stdout
33
--- status 3

=== two label tokens in a row in a skipped statement are an error
below B;
if a A + below B;
B:
put 1;
--- stderr

#line:2 syntax error
   (more sample infomation '-H')

--- status 0

=== a label between a jump and its ; is an error
below A B;
A:
--- stderr

#line:1 syntax error
   (more sample infomation '-H')

--- status 0

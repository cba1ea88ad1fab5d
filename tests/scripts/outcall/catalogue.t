=== usage list of -1, byte for byte, and its result 0
r = func -1;
put r;
--- stdout
(  -1)NAME         : usage list ---------------
      PARAMETER    : none
      RETURN VALUE : none

(   0)NAME         : display_pool -------------
      PARAMETER    : none
      RETURN VALUE : none

(   1)NAME         : fgets as string ----------
      PARAMETER    : none
      RETURN VALUE : string

(   2)NAME         : fgets as int -------------
      PARAMETER    : none
      RETURN VALUE : int

(   3)NAME         : getenv -------------------
      PARAMETER    : e (env name)
      RETURN VALUE : value string

(   4)NAME         : strcmp -------------------
      PARAMETER    : c (1st string)
      PARAMETER    : p (2nd string)
      RETURN VALUE : 0(match), !=0(no-match)0

(   5)NAME         : execute ------------------
      PARAMETER    : e (command)
      PARAMETER    : a (argv[] last is NULL)
      PARAMETER    : t (wait)
      RETURN VALUE : none0

(   6)NAME         : display_pool_as_int ------
      PARAMETER    : i (array)
      PARAMETER    : s (size)
      RETURN VALUE : none

(   7)NAME         : SendMessage --------------
      PARAMETER    : w (window title)
      PARAMETER    : m (message string)
      RETURN VALUE : none

(   8)NAME         : sleep --------------------
      PARAMETER    : i (interval mili-sec)
      RETURN VALUE : none

(   9)NAME         : atoi ---------------------
      PARAMETER    : a (string)
      RETURN VALUE : int

(  10)NAME         : itoa ---------------------
      PARAMETER    : i (int)
      PARAMETER    : f (format)
      RETURN VALUE : string

(  11)NAME         : strcat -------------------
      PARAMETER    : c (1st string)
      PARAMETER    : p (2nd string)
      RETURN VALUE : string

(  12)NAME         : sendclipboard ------------
      PARAMETER    : p (string)
      RETURN VALUE : none

(  13)NAME         : open/readdir ------------
      PARAMETER    : f (wild string)
      RETURN VALUE : string

(  14)NAME         : closedir ------------
      PARAMETER    : none
      RETURN VALUE : none

(  15)NAME         : open/readfile ------------
      PARAMETER    : f (filepath)
      RETURN VALUE : string

(  16)NAME         : closefile ------------
      PARAMETER    : none
      RETURN VALUE : none

(  17)NAME         : open/get file size ------------
      PARAMETER    : f (filepath)
      RETURN VALUE : int

(  18)NAME         : beep ------------
      PARAMETER    : none
      RETURN VALUE : none

0
=== version from -2 yields 0
r = func -2; put r;
--- stdout
version 1.2.9_001
0
=== numbers outside -2..18 print the message and yield 0
r = func -3; put r; r = func 19; put r; r = func 2147483647; put r; r = func -2147483648; put r;
--- stdout
Invalid Function No!
0Invalid Function No!
0Invalid Function No!
0Invalid Function No!
0
=== services leave every variable as it was
n = "
";
a = "12"; c = "x"; e = "HOME"; f = 0; i = 7; m = "m"; p = "y"; s = 0; t = 1; w = "nobody-listens-here";
b = a; d = c; g = e; h = i; j = m; k = p; l = t; o = w;
r = func 3; r = func 4; r = func 9; r = func 10; r = func 11; r = func 7; r = func 14; r = func 16;
put (a == b) + (c == d) + (e == g) + (f == 0) + (i == h) + (m == j) + (p == k) + (s == 0) + (t == l) + (w == o);
--- stdout
10
--- status 10

=== regression: the text of functions -1 and -2 came after a later message
r = func -2; a = 1 / 0;
--- merged
version 1.2.9_001

line:1 Division by zero.

--- status 1

=== script from standard input with the default pool
put 1;
--- args
--- stdin
put 1 + 1; func 0;
--- stdout
2
--- stderr re
\n a\(        0\) .*
--- status 0

=== missing script file: message, no usage, status 1
--- args
-f missing.txt
--- stderr
#cannot open file (missing.txt).

--- status 1

=== -f and -s alone, a stray argument, unknown options: usage, status 1
--- args
-f
--- stderr re
\nVantor 1\.2\.9b\n.*Remainder <= 255 \)\.\n
--- status 1

=== -s alone prints usage
--- args
-s
--- stderr re
\nVantor 1\.2\.9b\n.*Remainder <= 255 \)\.\n
--- status 1

=== --help is no option
--- args
--help
--- stderr re
\nVantor 1\.2\.9b\n.*
--- status 1

=== -F is no option
--- args
-F
--- stderr re
\nVantor 1\.2\.9b\n.*
--- status 1

=== an extra argument after -f file stops the run before anything executes
put 7;
--- args
-f {script} extra
--- stderr re
\nVantor 1\.2\.9b\n.*
--- status 1

=== the last -f wins
put 1;
--- args
-f {script} -f other.vt
--- file other.vt
put 2;
--- stdout
2
--- status 2

=== -s 0x400 gives a 1024-byte pool
x = new 256; y = new 1; a = 0;
--- args
-s 0x400 -f {script}
--- stderr

line:1 Pool over. (array)

--- status 0

=== -s 010 is octal: 8 bytes
x = new 2; x = new 3;
--- args
-s 010 -f {script}
--- stderr

line:1 Cannot allocation. (array)

--- status 1

=== -s 1k reads the leading digits only
a = "";
b = "x";
--- args
-s 1k -f {script}
--- stderr

line:2 Cannot allocation. (string)

--- status 1

=== -s abc is an empty pool: any text fails
a = "";
--- args
-s abc -f {script}
--- stderr

line:1 Cannot allocation. (string)

--- status 1

=== -s -g 5: pool of 0 bytes, tracing on, 5 skipped
put 3;
--- args
-s -g 5 -f {script}
--- stdout
3
--- stderr
[    1] NUMBER:3(3)
[    1] PRINT expr:3(3)
[    1] list expr NL:3

--- status 3

=== -s 64 -g 5: 64 is skipped, 5 is unexpected
--- args
-s 64 -g 5
--- stderr re
\nVantor 1\.2\.9b\n.*
--- status 1

=== a negative pool cannot be had
put 1;
--- args
-s -1 -f {script}
--- stderr
#cannot allocate pool (-1 bytes).

--- status 1

=== a pool larger than the low 2 GiB cannot be had
put 1;
--- args
-s 2147483647 -f {script}
--- stderr
#cannot allocate pool (2147483647 bytes).

--- status 1

=== -s 99999999999 is clamped and then too large
put 1;
--- args
-s 99999999999 -f {script}
--- stderr
#cannot allocate pool (2147483647 bytes).

--- status 1

=== -s 1 holds exactly one empty text
a = "";
b = "";
put a == b;
--- args
-s 1 -f {script}
--- stdout
1
--- stderr

line:2 Pool over. (string)

--- status 1

=== -s 15 is too small for four integers
x = new 3;
y = new 4;
--- args
-s 15 -f {script}
--- stderr

line:2 Cannot allocation. (array)

--- status 1

=== -h prints the usage text on stderr only
--- args
-h
--- stderr

Vantor 1.2.9b

   Usage: quill.exe [-f file] [-s size] [-g] [-h] [-H]

          -f file     : specify source file. If not specify, stdin is used.
          -s size     : specify pool size (Byte). Default is 1048576.
          -g          : debug.
          -h          : display this help message.
          -H          : display more information.

   Variable : a-z     ( variable is signed integer. )
   String   : "", ''                 Operator : = ~ + - * / % && ||
   Label    : A-Z                               () == != < > <= >= !
   Sequence : if, below, above, @    Comment  : #
   Array    : new, []                Print    : put, puts

   External Function: func(no) in outcall.dll  for more informaion '-H'.

      int outcall( int no, int var[] )
                  var[26] correspond to 'a-z'.

   Exit Value: Last Access Value ( 0 <= Remainder <= 255 ).

--- status 1

=== -H prints the three blocks and no usage text
--- args
-H
--- stderr esc


/* 
 * Import Function in outcall(), set_func() in outcall.dll 
 */
typedef int (*ASSIGN_STR_PTR)(intptr_t);
typedef int (*ASSIGN_ARRAY_PTR)(void *, int);
typedef int (*DISPLAY_POOL_PTR)();
typedef int (*DISPLAY_POOL_AS_INT_PTR)(int, int);

ASSIGN_STR_PTR          assign_str;
ASSIGN_ARRAY_PTR        assign_array;
DISPLAY_POOL_PTR        display_pool;
DISPLAY_POOL_AS_INT_PTR display_pool_as_int;

void set_func(ASSIGN_STR_PTR p1,
              ASSIGN_ARRAY_PTR p2,
              DISPLAY_POOL_PTR p3,
              DISPLAY_POOL_AS_INT_PTR p4) {
  assign_str = p1;
  assign_array = p2;
  display_pool = p3;
  display_pool_as_int = p4;
}

int outcall(int no, int var[]) {
  switch (no) {
  case -2:
\tprintf("version 1.2.9\\n");
\tbreak;
  default:
\tprintf("Invalid Function No!\\n"); fflush(stdout);
  }
  return 0;
}



/* 
 * outcall.def : module definition of outcall.dll for MinGW gcc
 */
EXPORTS
\toutcall  @ 1 ; 
\tset_func @ 2 ; 

gcc -shared -o outcall.dll outcall.o outcall.def -mwindows


##### Syntax Sample #####
n = "
";
x = new 1;
Z:
x[0] = func2;
if x[0] > 0 A;
  puts "x[0]<=0";
  puts n;
  below B; # The same meaning "below @1 B;"
A:
  puts "x[0]>0";
  puts n;
B:
if x[0] == -1 C;
above Z;   # The same meaning "above @1 Z;"
C:
  puts "exit";
  puts n;


--- status 1

=== the first help option wins: -H -h
--- args
-H -h
--- stderr re
\n\n/\* \n.*##### Syntax Sample #####.*puts n;\n\n
--- status 1

=== the first help option wins: -h -H, and -g before it changes nothing
--- args
-g -h -H
--- stderr re
\nVantor 1\.2\.9b\n.*\( 0 <= Remainder <= 255 \)\.\n
--- status 1

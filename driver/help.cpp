/*
 * help.cpp - the usage text (-h) and the extended help (-H). Both are the
 * system's own words, misspellings and all: compare them byte for byte.
 */
#include "quill.h"

void usage(void)
{
    std::fprintf(stderr, "\nVantor 1.2.9b\n\n");
    std::fprintf(stderr, "   Usage: quill.exe [-f file] [-s size] [-g] [-h] [-H]\n\n");
    std::fprintf(stderr, "          -f file     : specify source file. If not specify, stdin is used.\n");
    std::fprintf(stderr, "          -s size     : specify pool size (Byte). Default is 1048576.\n");
    std::fprintf(stderr, "          -g          : debug.\n");
    std::fprintf(stderr, "          -h          : display this help message.\n");
    std::fprintf(stderr, "          -H          : display more information.\n\n");
    std::fprintf(stderr, "   Variable : a-z     ( variable is signed integer. )\n");
    std::fprintf(stderr, "   String   : \"\", ''                 Operator : = ~ + - * / %% && ||\n");
    std::fprintf(stderr, "   Label    : A-Z                               () == != < > <= >= !\n");
    std::fprintf(stderr, "   Sequence : if, below, above, @    Comment  : #\n");
    std::fprintf(stderr, "   Array    : new, []                Print    : put, puts\n\n");
    std::fprintf(stderr, "   External Function: func(no) in outcall.dll  for more informaion '-H'.\n\n");  /* sic */
    std::fprintf(stderr, "      int outcall( int no, int var[] )\n");
    std::fprintf(stderr, "                  var[26] correspond to 'a-z'.\n\n");
    std::fprintf(stderr, "   Exit Value: Last Access Value ( 0 <= Remainder <= 255 ).\n");
}

// A compilable C source of an extension library, given <stdio.h> and <stdint.h>.
static const char SAMPLE_SOURCE[] =
    "\n"
    "\n"
    "/* \n"
    " * Import Function in outcall(), set_func() in outcall.dll \n"
    " */\n"
    "typedef int (*ASSIGN_STR_PTR)(intptr_t);\n"
    "typedef int (*ASSIGN_ARRAY_PTR)(void *, int);\n"
    "typedef int (*DISPLAY_POOL_PTR)();\n"
    "typedef int (*DISPLAY_POOL_AS_INT_PTR)(int, int);\n"
    "\n"
    "ASSIGN_STR_PTR          assign_str;\n"
    "ASSIGN_ARRAY_PTR        assign_array;\n"
    "DISPLAY_POOL_PTR        display_pool;\n"
    "DISPLAY_POOL_AS_INT_PTR display_pool_as_int;\n"
    "\n"
    "void set_func(ASSIGN_STR_PTR p1,\n"
    "              ASSIGN_ARRAY_PTR p2,\n"
    "              DISPLAY_POOL_PTR p3,\n"
    "              DISPLAY_POOL_AS_INT_PTR p4) {\n"
    "  assign_str = p1;\n"
    "  assign_array = p2;\n"
    "  display_pool = p3;\n"
    "  display_pool_as_int = p4;\n"
    "}\n"
    "\n"
    "int outcall(int no, int var[]) {\n"
    "  switch (no) {\n"
    "  case -2:\n"
    "\tprintf(\"version 1.2.9\\n\");\n"
    "\tbreak;\n"
    "  default:\n"
    "\tprintf(\"Invalid Function No!\\n\"); fflush(stdout);\n"
    "  }\n"
    "  return 0;\n"
    "}\n";

static const char SAMPLE_DEF[] =
    "\n"
    "\n"
    "\n"
    "/* \n"
    " * outcall.def : module definition of outcall.dll for MinGW gcc\n"
    " */\n"
    "EXPORTS\n"
    "\toutcall  @ 1 ; \n"
    "\tset_func @ 2 ; \n"
    "\n"
    "gcc -shared -o outcall.dll outcall.o outcall.def -mwindows\n";

void moreinfo(void)
{
    std::fprintf(stderr, "%s", SAMPLE_SOURCE);
    std::fprintf(stderr, "%s", SAMPLE_DEF);
    std::fprintf(stderr, "\n\n##### Syntax Sample #####\n");
    std::fprintf(stderr, "n = \"\n");
    std::fprintf(stderr, "\";\n");
    std::fprintf(stderr, "x = new 1;\n");
    std::fprintf(stderr, "Z:\n");
    std::fprintf(stderr, "x[0] = func2;\n");
    std::fprintf(stderr, "if x[0] > 0 A;\n");
    std::fprintf(stderr, "  puts \"x[0]<=0\";\n");
    std::fprintf(stderr, "  puts n;\n");
    std::fprintf(stderr, "  below B; # The same meaning \"below @1 B;\"\n");
    std::fprintf(stderr, "A:\n");
    std::fprintf(stderr, "  puts \"x[0]>0\";\n");
    std::fprintf(stderr, "  puts n;\n");
    std::fprintf(stderr, "B:\n");
    std::fprintf(stderr, "if x[0] == -1 C;\n");
    std::fprintf(stderr, "above Z;   # The same meaning \"above @1 Z;\"\n");
    std::fprintf(stderr, "C:\n");
    std::fprintf(stderr, "  puts \"exit\";\n");
    std::fprintf(stderr, "  puts n;\n\n");
}

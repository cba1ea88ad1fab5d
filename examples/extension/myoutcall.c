/*
 * myoutcall.c - a small extension library for quill. It keeps the stock
 * numbers -2 and -1 and adds two services of its own:
 *   100  returns the text in variable c in upper case
 *   101  returns the sum of the s integers of the array in variable a
 */
#include <outcall.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

static ASSIGN_STR_PTR assign_str;
static char buf[1024];

OUTCALL_API void set_func(ASSIGN_STR_PTR p1, ASSIGN_ARRAY_PTR p2,
                          DISPLAY_POOL_PTR p3, DISPLAY_POOL_AS_INT_PTR p4)
{
    (void)p2, (void)p3, (void)p4;
    assign_str = p1;
}

/* Script values are 32-bit addresses inside quill's pool. */
static const char *text_at(int value)
{
    return (const char *)(uintptr_t)(uint32_t)value;
}

OUTCALL_API int outcall(int no, int var[])
{
    switch (no) {
    case -2:
        printf("myoutcall 1.0\n");
        return 0;
    case -1:
        printf("100: upper case of c\n101: sum of s elements of a\n");
        return 0;
    case 100: {
        const char *c = var['c' - 'a'] ? text_at(var['c' - 'a']) : "";
        size_t n = strlen(c) < sizeof buf - 1 ? strlen(c) : sizeof buf - 1;
        for (size_t i = 0; i < n; i++)
            buf[i] = (char)toupper((unsigned char)c[i]);
        buf[n] = '\0';
        return assign_str ? assign_str((intptr_t)buf) : 0;
    }
    case 101: {
        const int *a = (const int *)text_at(var['a' - 'a']);
        long long sum = 0;
        for (int i = 0; a && i < var['s' - 'a']; i++) {
            int v;
            memcpy(&v, a + i, sizeof v); /* arrays may start at any byte */
            sum += v;
        }
        return (int)sum;
    }
    default:
        printf("Invalid Function No!\n");
        fflush(stdout);
        return 0;
    }
}

/* Which calls neither show nor read anything: quill may then leave what the
   script printed waiting across them (fewer writes). -2 and -1 print through
   stdout without flushing it, 100 and 101 only compute. Leave this function
   out and quill writes what waits before every call. */
OUTCALL_API int outcall_quiet(int no)
{
    return no == -2 || no == -1 || no == 100 || no == 101;
}

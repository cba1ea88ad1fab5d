#!/usr/bin/env python3
"""Whole-process benchmarks: quill against the interpreters a console user
has, each task written the same way in every language. Runs are paired
(quill, peer, peer, ..., quill, peer, ... in turn), so every ratio compares
medians taken under the same load. Prints a Markdown table: the median cpu
time (user and system, of the whole process; --clock wall for wall time)
and the ratio to mawk's median of the same run. Tasks that print into a
pipe also count each program's write calls (strace, once each).

    python3 bench/run.py [--quill PATH] [--runs N] [--tasks a,b] [--peers a,b]
                         [--budget SECONDS] [--limit SECONDS] [--callgrind] [--base PEER]
                         [--clock cpu|wall] [--suite loops]

Peer luai is Lua 5.4 written idiomatically (locals, numeric for), where a
task has such a version; peers luajit and c (gcc -O2) run the loop suite's
programs, and peer ops the same quill with its loops kept on the ops
(QUILL_NATIVE=0). --suite loops runs that suite against them, ratios to quill, and
the geometric means of quill's time over each peer's.

A peer whose first run of a task takes longer than the budget is run once;
a run longer than the limit is stopped.
--callgrind adds the instructions per pass of the count loop and those of an
empty script (valgrind).
"""
import argparse
import datetime
import os
import platform
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS = ['mawk', 'gawk', 'lua5.4', 'luai', 'perl', 'python3', 'dash', 'bash']

# Each task is (title, {language: program text}); a program may use {N}.
# Vantor's variables are global, so the peers use globals too.


def vantor_loop(body, n, exit_line='z = 0;'):
    """body runs n times; the loop is the usual above/if pair."""
    return f'L:\n{body}\ni = i + 1;\nif i >= {n} E;\nabove L;\nE:\n{exit_line}\n'


def count_loop(n):
    return {
        'quill': 'i = 0;\n' + vantor_loop('', n),
        'awk': f'BEGIN {{ i = 0; while (i < {n}) i = i + 1 }}',
        'lua': f'i = 0 while i < {n} do i = i + 1 end',
        'perl': f'$i = 0; while ($i < {n}) {{ $i = $i + 1 }}',
        'python3': f'i = 0\nwhile i < {n}:\n    i = i + 1\n',
        'sh': f'i=0; while [ $i -lt {n} ]; do i=$((i + 1)); done',
    }


def arithmetic_loop(n):
    return {
        'quill': vantor_loop('s = s + i * 3 % 7;', n),
        'awk': f'BEGIN {{ while (i < {n}) {{ s = s + i * 3 % 7; i = i + 1 }} }}',
        'lua': f'i = 0 s = 0 while i < {n} do s = s + i * 3 % 7 i = i + 1 end',
        'perl': f'$i = 0; $s = 0; while ($i < {n}) {{ $s = $s + $i * 3 % 7; $i = $i + 1 }}',
        'python3': f'i = 0\ns = 0\nwhile i < {n}:\n    s = s + i * 3 % 7\n    i = i + 1\n',
        'sh': f'i=0; s=0; while [ $i -lt {n} ]; do s=$((s + i * 3 % 7)); i=$((i + 1)); done',
    }


def array_loop(n):
    fill_sum = (f'x = new {n};\nF: x[i] = i * i;\ni = i + 1;\nif i >= {n} S;\nabove F;\n'
                f'S: i = 0;\nM: s = s + x[i];\ni = i + 1;\nif i >= {n} E;\nabove M;\nE: z = 0;\n')
    return {
        'quill': fill_sum,
        'awk': f'BEGIN {{ while (i < {n}) {{ x[i] = i * i; i = i + 1 }} i = 0; '
               f'while (i < {n}) {{ s = s + x[i]; i = i + 1 }} }}',
        'lua': f'x = {{}} i = 0 while i < {n} do x[i] = i * i i = i + 1 end '
               f's = 0 i = 0 while i < {n} do s = s + x[i] i = i + 1 end',
        'perl': f'$i = 0; while ($i < {n}) {{ $x[$i] = $i * $i; $i = $i + 1 }} '
                f'$s = 0; $i = 0; while ($i < {n}) {{ $s = $s + $x[$i]; $i = $i + 1 }}',
        'python3': f'x = [0] * {n}\ni = 0\nwhile i < {n}:\n    x[i] = i * i\n    i = i + 1\n'
                   f's = 0\ni = 0\nwhile i < {n}:\n    s = s + x[i]\n    i = i + 1\n',
        'bash': f'i=0; while [ $i -lt {n} ]; do x[i]=$((i * i)); i=$((i + 1)); done; '
                f's=0; i=0; while [ $i -lt {n} ]; do s=$((s + x[i])); i=$((i + 1)); done',
    }


# Programs of the kind users write, with Lua 5.4 also written idiomatically
# (locals, numeric for: peer luai) beside the globals version every peer has.

def sort_task(n):
    q = f'''n = {n}; v = new n; x = 12345; i = 0;
F: x = 16807 * (x % 127773) - 2836 * (x / 127773);
   if x > 0 P; x = x + 2147483647;
P: v[i] = x % 1000; i = i + 1;
   if i >= n G; above F;
G: i = 0;
O: j = 0; m = n - 1 - i;
I: if v[j] <= v[j + 1] K;
   t = v[j]; v[j] = v[j + 1]; v[j + 1] = t;
K: j = j + 1;
   if j >= m J; above I;
J: i = i + 1;
   if i >= n - 1 T; above O;
T: s = 0; i = 0;
S: s = s + v[i] * (i + 1); i = i + 1;
   if i >= n R; above S;
R: put s; z = 0;
'''
    luai = f'''local n = {n}
local v = {{}}
local x = 12345
for i = 0, n - 1 do
  x = 16807 * (x % 127773) - 2836 * (x // 127773)
  if x <= 0 then x = x + 2147483647 end
  v[i] = x % 1000
end
for i = 0, n - 2 do
  for j = 0, n - 2 - i do
    if v[j] > v[j + 1] then v[j], v[j + 1] = v[j + 1], v[j] end
  end
end
local s = 0
for i = 0, n - 1 do s = s + v[i] * (i + 1) end
print(s)
'''
    lua = f'''n = {n} v = {{}} x = 12345 i = 0
while i < n do
  x = 16807 * (x % 127773) - 2836 * (x // 127773)
  if x <= 0 then x = x + 2147483647 end
  v[i] = x % 1000 i = i + 1
end
i = 0
while i < n - 1 do
  j = 0 m = n - 1 - i
  while j < m do
    if v[j] > v[j + 1] then t = v[j] v[j] = v[j + 1] v[j + 1] = t end
    j = j + 1
  end
  i = i + 1
end
s = 0 i = 0
while i < n do s = s + v[i] * (i + 1) i = i + 1 end
print(s)
'''
    awk = f'''BEGIN {{ n = {n}; x = 12345
  for (i = 0; i < n; i++) {{ x = 16807 * (x % 127773) - 2836 * int(x / 127773); if (x <= 0) x += 2147483647; v[i] = x % 1000 }}
  for (i = 0; i < n - 1; i++) for (j = 0; j < n - 1 - i; j++) if (v[j] > v[j + 1]) {{ t = v[j]; v[j] = v[j + 1]; v[j + 1] = t }}
  s = 0; for (i = 0; i < n; i++) s += v[i] * (i + 1); print s }}'''
    return {'quill': q, 'lua': lua, 'luai': luai, 'awk': awk}

def collatz_task(n):
    q = f'''s = 1; c = 0;
A: x = s;
B: if x == 1 D;
   if x % 2 == 0 H;
   x = 3 * x + 1; c = c + 1; above B;
H: x = x / 2; c = c + 1; above B;
D: s = s + 1;
   if s > {n} E; above A;
E: put c; z = 0;
'''
    luai = f'''local c = 0
for s = 1, {n} do
  local x = s
  while x ~= 1 do
    if x % 2 == 0 then x = x // 2 else x = 3 * x + 1 end
    c = c + 1
  end
end
print(c)
'''
    lua = f'''c = 0 s = 1
while s <= {n} do
  x = s
  while x ~= 1 do
    if x % 2 == 0 then x = x // 2 else x = 3 * x + 1 end
    c = c + 1
  end
  s = s + 1
end
print(c)
'''
    awk = f'''BEGIN {{ c = 0; for (s = 1; s <= {n}; s++) {{ x = s; while (x != 1) {{ if (x % 2 == 0) x = x / 2; else x = 3 * x + 1; c++ }} }} print c }}'''
    return {'quill': q, 'lua': lua, 'luai': luai, 'awk': awk}

def primes_task(n):
    q = f'''n = 2; c = 0;
A: i = 2;
B: if i * i > n P;
   if n % i == 0 N;
   i = i + 1; above B;
P: c = c + 1;
N: n = n + 1;
   if n >= {n} E; above A;
E: put c; z = 0;
'''
    luai = f'''local c = 0
for n = 2, {n} - 1 do
  local i = 2
  local prime = true
  while i * i <= n do
    if n % i == 0 then prime = false break end
    i = i + 1
  end
  if prime then c = c + 1 end
end
print(c)
'''
    lua = f'''c = 0 n = 2
while n < {n} do
  i = 2 p = 1
  while i * i <= n do
    if n % i == 0 then p = 0 break end
    i = i + 1
  end
  c = c + p
  n = n + 1
end
print(c)
'''
    awk = f'''BEGIN {{ c = 0; for (n = 2; n < {n}; n++) {{ p = 1; for (i = 2; i * i <= n; i++) if (n % i == 0) {{ p = 0; break }} c += p }} print c }}'''
    return {'quill': q, 'lua': lua, 'luai': luai, 'awk': awk}

def fizz_task(n):
    q = f'''p = 1;
L: a = p % 3 == 0; b = p % 5 == 0;
   if p % 15 == 0 C;
   f = f + (a == 1); g = g + b; below D;
C: h = h + 1;
D: p = p + 1;
   if p > {n} E; above L;
E: put f; put g; put h; z = 0;
'''
    luai = f'''local f, g, h = 0, 0, 0
for p = 1, {n} do
  local a = p % 3 == 0 and 1 or 0
  local b = p % 5 == 0 and 1 or 0
  if p % 15 == 0 then h = h + 1 else f = f + a g = g + b end
end
print(f, g, h)
'''
    lua = f'''f = 0 g = 0 h = 0 p = 1
while p <= {n} do
  if p % 3 == 0 then a = 1 else a = 0 end
  if p % 5 == 0 then b = 1 else b = 0 end
  if p % 15 == 0 then h = h + 1 else f = f + a g = g + b end
  p = p + 1
end
print(f, g, h)
'''
    awk = f'''BEGIN {{ for (p = 1; p <= {n}; p++) {{ a = p % 3 == 0; b = p % 5 == 0; if (p % 15 == 0) h++; else {{ f += a; g += b }} }} print f, g, h }}'''
    return {'quill': q, 'lua': lua, 'luai': luai, 'awk': awk}

def fib_task(n):
    q = f'''a = 0; b = 1; i = 0;
L: t = a + b; a = b; b = t % 1000000007;
   i = i + 1;
   if i >= {n} E; above L;
E: put a; z = 0;
'''
    luai = f'''local a, b = 0, 1
for i = 1, {n} do a, b = b, (a + b) % 1000000007 end
print(a)
'''
    lua = f'''a = 0 b = 1 i = 0
while i < {n} do t = a + b a = b b = t % 1000000007 i = i + 1 end
print(a)
'''
    awk = f'''BEGIN {{ a = 0; b = 1; for (i = 0; i < {n}; i++) {{ t = a + b; a = b; b = t % 1000000007 }} print a }}'''
    return {'quill': q, 'lua': lua, 'luai': luai, 'awk': awk}


# The loop suite (--suite loops): six programs of the kinds people time a
# language on, each in Vantor, Lua 5.4 with locals (peer luai), the same for
# LuaJIT (no //: math.floor of a quotient of numbers that stay below 2^53)
# and C compiled with gcc -O2 (peer c, the compile not timed). Sized so that
# lua5.4 takes 0.3-0.6 s; every version prints the same number (Vantor's
# integers are 32 bits: the checksums stay below 2^31).

def sieve_task(n):
    q = f"""n = {n}; s = new n; i = 2;
A: if i * i >= n C;
   if s[i] B;
   j = i * i;
M: s[j] = 1; j = j + i;
   if j >= n B; above M;
B: i = i + 1; above A;
C: c = 0; i = 2;
D: if s[i] F; c = c + 1;
F: i = i + 1;
   if i >= n G; above D;
G: put c; z = 0;
"""
    luai = f"""local n = {n}
local s = {{}}
for i = 0, n - 1 do s[i] = false end
for i = 2, n - 1 do
  if i * i >= n then break end
  if not s[i] then for j = i * i, n - 1, i do s[j] = true end end
end
local c = 0
for i = 2, n - 1 do if not s[i] then c = c + 1 end end
print(c)
"""
    c = f"""#include <stdio.h>
#include <stdlib.h>
int main(void) {{
  int n = {n}, c = 0; char *s = calloc(n, 1);
  for (int i = 2; i * i < n; i++) if (!s[i]) for (int j = i * i; j < n; j += i) s[j] = 1;
  for (int i = 2; i < n; i++) if (!s[i]) c++;
  printf("%d\\n", c); return 0; }}
"""
    return {'quill': q, 'luai': luai, 'luajit': luai, 'c': c, 'pool': 4 * n + (1 << 20)}


def bubble_task(n):
    # sort_task's programs, the checksum kept below 2^31 so that every version agrees
    p = sort_task(n)
    q = p['quill'].replace('S: s = s + v[i] * (i + 1);', 'S: s = (s + v[i] * (i + 1)) % 1000003;')
    luai = p['luai'].replace('s = s + v[i] * (i + 1) end', 's = (s + v[i] * (i + 1)) % 1000003 end')
    assert q != p['quill'] and luai != p['luai']
    c = f"""#include <stdio.h>
int v[{n}];
int main(void) {{
  int n = {n}, x = 12345, s = 0;
  for (int i = 0; i < n; i++) {{
    x = 16807 * (x % 127773) - 2836 * (x / 127773); if (x <= 0) x += 2147483647; v[i] = x % 1000; }}
  for (int i = 0; i < n - 1; i++) for (int j = 0; j < n - 1 - i; j++)
    if (v[j] > v[j + 1]) {{ int t = v[j]; v[j] = v[j + 1]; v[j + 1] = t; }}
  for (int i = 0; i < n; i++) s = (s + v[i] * (i + 1)) % 1000003;
  printf("%d\\n", s); return 0; }}
"""
    return {'quill': q, 'luai': luai, 'luajit': luai.replace('(x // 127773)', 'math.floor(x / 127773)'),
            'c': c, 'pool': 4 * n + (1 << 20)}


def sequence_task(n):
    p = fib_task(n)
    p['luajit'] = p['luai']
    p['c'] = f"""#include <stdio.h>
int main(void) {{
  int a = 0, b = 1;
  for (int i = 0; i < {n}; i++) {{ int t = a + b; a = b; b = t % 1000000007; }}
  printf("%d\\n", a); return 0; }}
"""
    return p


def collatz_search(n, rounds):
    # below 113383 no value passes 2^31: collatz_task's search is repeated instead
    p = collatz_task(n)
    q = p['quill'].replace('s = 1; c = 0;\nA:', 'r = 0; c = 0;\nR: s = 1;\nA:').replace(
        f'if s > {n} E; above A;\nE:',
        f'if s > {n} N; above A;\nN: r = r + 1;\n   if r >= {rounds} E; above R;\nE:')
    luai = p['luai'].replace(f'for s = 1, {n} do', f'for r = 1, {rounds} do for s = 1, {n} do').replace(
        'end\nprint(c)', 'end end\nprint(c)')
    assert q.count('R:') == 1 and 'above R' in q and luai.count('for r') == 1
    c = f"""#include <stdio.h>
int main(void) {{
  int c = 0;
  for (int r = 0; r < {rounds}; r++) for (int s = 1; s <= {n}; s++) {{
    int x = s; while (x != 1) {{ if (x % 2 == 0) x = x / 2; else x = 3 * x + 1; c++; }} }}
  printf("%d\\n", c); return 0; }}
"""
    return {'quill': q, 'luai': luai, 'luajit': luai.replace('x // 2', 'x / 2'), 'c': c}


def gcd_task(n):
    q = f"""s = 0; i = 1;
A: j = 1;
B: a = i; b = j;
G: if b == 0 H;
   t = a % b; a = b; b = t; above G;
H: s = s + a; j = j + 1;
   if j > {n} I; above B;
I: i = i + 1;
   if i > {n} E; above A;
E: put s; z = 0;
"""
    luai = f"""local s = 0
for i = 1, {n} do
  for j = 1, {n} do
    local a, b = i, j
    while b ~= 0 do a, b = b, a % b end
    s = s + a
  end
end
print(s)
"""
    c = f"""#include <stdio.h>
int main(void) {{
  int s = 0;
  for (int i = 1; i <= {n}; i++) for (int j = 1; j <= {n}; j++) {{
    int a = i, b = j; while (b != 0) {{ int t = a % b; a = b; b = t; }} s += a; }}
  printf("%d\\n", s); return 0; }}
"""
    return {'quill': q, 'luai': luai, 'luajit': luai, 'c': c}


def table_task(n):
    # each row of the multiplication table built into an array, then checksummed
    q = f"""n = {n}; r = new n + 1; s = 0; i = 1;
A: j = 1;
B: r[j] = i * j; j = j + 1;
   if j > n C; above B;
C: j = 1;
D: s = (s + r[j] % 1000 * j) % 1000003; j = j + 1;
   if j > n F; above D;
F: i = i + 1;
   if i > n E; above A;
E: put s; z = 0;
"""
    luai = f"""local n = {n}
local r, s = {{}}, 0
for i = 1, n do
  for j = 1, n do r[j] = i * j end
  for j = 1, n do s = (s + r[j] % 1000 * j) % 1000003 end
end
print(s)
"""
    c = f"""#include <stdio.h>
int r[{n} + 1];
int main(void) {{
  int n = {n}, s = 0;
  for (int i = 1; i <= n; i++) {{
    for (int j = 1; j <= n; j++) r[j] = i * j;
    for (int j = 1; j <= n; j++) s = (s + r[j] % 1000 * j) % 1000003; }}
  printf("%d\\n", s); return 0; }}
"""
    return {'quill': q, 'luai': luai, 'luajit': luai, 'c': c}


def idiomatic_loops(programs, body):
    """A loop task's Lua with locals and a numeric for."""
    programs['luai'] = body
    return programs


def padding(lines):
    """Other statements, one per line, in each language."""
    return {
        'quill': ''.join(f'x = {k};\n' for k in range(lines)),
        'awk': ''.join(f'x = {k}\n' for k in range(lines)),
        'lua': ''.join(f'x = {k}\n' for k in range(lines)),
        'perl': ''.join(f'$x = {k};\n' for k in range(lines)),
        'python3': ''.join(f'x = {k}\n' for k in range(lines)),
        'sh': ''.join(f'x={k}\n' for k in range(lines)),
    }


def wrap_awk(programs):
    return {k: ('BEGIN {\n' + v + '\n}' if k == 'awk' else v) for k, v in programs.items()}


def loop_beside(n, lines, after):
    """The count loop placed after (or before) lines of other statements."""
    pad = padding(lines)
    loop = count_loop(n)
    loop['awk'] = f'i = 0; while (i < {n}) i = i + 1\n'
    loop['sh'] += '\n'
    loop['lua'] += '\n'
    loop['perl'] += '\n'
    out = {}
    for k in loop:
        if k == 'quill' and not after:
            # the loop first; its exit jump passes the lines once
            out[k] = 'i = 0;\n' + vantor_loop('', n, pad[k])
        else:
            out[k] = pad[k] + loop[k] if after else loop[k] + pad[k]
    return wrap_awk(out)


def lines_alone(lines):
    return wrap_awk(padding(lines))


def printing(n):
    return {
        'quill': 'n = "\n";\ni = 0;\n' + vantor_loop('put i;\nputs n;', n),
        'awk': f'BEGIN {{ i = 0; while (i < {n}) {{ print i; fflush(); i = i + 1 }} }}',
        'lua': f'io.stdout:setvbuf("line") i = 0 while i < {n} do print(i) i = i + 1 end',
        'perl': f'$| = 1; $i = 0; while ($i < {n}) {{ print "$i\\n"; $i = $i + 1 }}',
        'python3': f'i = 0\nwhile i < {n}:\n    print(i, flush=True)\n    i = i + 1\n',
        'sh': f'i=0; while [ $i -lt {n} ]; do echo $i; i=$((i + 1)); done',
    }


def printing_to_pipe(n):
    """The same into a pipe, each language left to buffer as it does there."""
    return {
        'quill': 'n = "\n";\ni = 0;\n' + vantor_loop('put i;\nputs n;', n),
        'awk': f'BEGIN {{ i = 0; while (i < {n}) {{ print i; i = i + 1 }} }}',
        'lua': f'i = 0 while i < {n} do print(i) i = i + 1 end',
        'perl': f'$i = 0; while ($i < {n}) {{ print "$i\\n"; $i = $i + 1 }}',
        'python3': f'i = 0\nwhile i < {n}:\n    print(i)\n    i = i + 1\n',
        'sh': f'i=0; while [ $i -lt {n} ]; do echo $i; i=$((i + 1)); done',
    }


def printing_one_text(n):
    """The same with one text per line: function 10 formats i by f (a call
    the library declares quiet, so what waits is not written before it)."""
    programs = printing(n)
    programs['quill'] = 'f = "%d\n";\ni = 0;\n' + vantor_loop('puts func 10;', n)
    return programs


def report(n):
    """n lines of four numbers formatted to a width (function 10), into a pipe."""
    return {
        'quill': 'f = "%6d";\ns = " ";\nn = "\n";\n'   # 28 bytes of pool a line: no wrap
                 'L: i = k; puts func 10; puts s; i = k * 3; puts func 10; puts s;\n'
                 'i = k * 7; puts func 10; puts s; i = k % 13; puts func 10; puts n;\n'
                 f'k = k + 1;\nif k >= {n} E;\nabove L;\nE: z = 0;\n',
        'awk': f'BEGIN {{ for (k = 0; k < {n}; k++) '
               f'printf("%6d %6d %6d %6d\\n", k, k * 3, k * 7, k % 13) }}',
        'lua': f'for k = 0, {n - 1} do io.write(string.format("%6d %6d %6d %6d\\n", '
               f'k, k * 3, k * 7, k % 13)) end',
        'perl': f'for ($k = 0; $k < {n}; $k++) {{ printf("%6d %6d %6d %6d\\n", '
                f'$k, $k * 3, $k * 7, $k % 13) }}',
        'python3': f'for k in range({n}):\n    print("%6d %6d %6d %6d" % '
                   f'(k, k * 3, k * 7, k % 13))\n',
    }


def text_building(lines, per_line):
    """Lines of numbers joined by blanks (functions 10 and 11), the pool
    wrapping now and then; texts are made anew after a wrap, as they must be."""
    return {
        'quill': f'L: c = ""; j = 0;\n'
                 f'M: i = k * 7 + j; p = func 10; c = func 11; p = " "; c = func 11;\n'
                 f'j = j + 1;\nif j >= {per_line} P;\nabove M;\n'
                 f'P: puts c; puts "\n";\nk = k + 1;\nif k >= {lines} E;\nabove L;\nE: z = 0;\n',
        'awk': f'BEGIN {{ for (k = 0; k < {lines}; k++) {{ c = ""; '
               f'for (j = 0; j < {per_line}; j++) c = c (k * 7 + j) " "; print c }} }}',
        'lua': f'for k = 0, {lines - 1} do local c = "" for j = 0, {per_line - 1} do '
               f'c = c .. string.format("%d", k * 7 + j) .. " " end print(c) end',
        'perl': f'for ($k = 0; $k < {lines}; $k++) {{ $c = ""; '
                f'for ($j = 0; $j < {per_line}; $j++) {{ $c = $c . ($k * 7 + $j) . " " }} '
                f'print "$c\\n" }}',
        'python3': f'for k in range({lines}):\n    c = ""\n    for j in range({per_line}):\n'
                   f'        c = c + str(k * 7 + j) + " "\n    print(c)\n',
    }


def startup():
    return {'quill': '', 'awk': 'BEGIN { }', 'lua': '', 'perl': '', 'python3': '', 'sh': ':'}


def straight_line(megabytes):
    """A long script without loops, one short statement and a comment a line."""
    stmt = {
        'quill': 'a = a + 1; # a comment to make the line longer\n',
        'awk': 'a = a + 1 # a comment to make the line longer\n',
        'lua': 'a = a + 1 -- a comment to make the line longer\n',
        'perl': '$a = $a + 1; # a comment to make the line longer\n',
        'python3': 'a = a + 1  # a comment to make the line longer\n',
        'sh': 'a=$((a + 1)) # a comment to make the line longer\n',
    }
    size = megabytes * 1024 * 1024
    out = {k: s * (size // len(s)) for k, s in stmt.items()}
    out['lua'] = 'a = 0\n' + out['lua']
    out['python3'] = 'a = 0\n' + out['python3']
    return wrap_awk(out)


TASKS = {
    'count-1e6': ('count loop, 10^6 passes', lambda: idiomatic_loops(
        count_loop(10**6), 'local i = 0 for k = 1, 1000000 do i = i + 1 end')),
    'count-1e7': ('count loop, 10^7 passes', lambda: idiomatic_loops(
        count_loop(10**7), 'local i = 0 for k = 1, 10000000 do i = i + 1 end')),
    'arith-1e6': ('arithmetic loop `s = s + i * 3 % 7`, 10^6', lambda: arithmetic_loop(10**6)),
    'arith-1e7': ('arithmetic loop `s = s + i * 3 % 7`, 10^7', lambda: idiomatic_loops(
        arithmetic_loop(10**7), 'local s = 0 for i = 0, 10000000 - 1 do s = s + i * 3 % 7 end')),
    'array-1e6': ('array loop: fill `x[i] = i * i`, sum it back, 10^6', lambda: array_loop(10**6)),
    'array-1e7': ('array loop: fill `x[i] = i * i`, sum it back, 10^7', lambda: array_loop(10**7)),
    'sort': ('bubble sort of 3000 numbers (element swaps, comparisons of elements)',
             lambda: sort_task(3000)),
    'collatz': ('Collatz steps of 1..10^5 (`x = 3 * x + 1`, `%`)', lambda: collatz_task(10**5)),
    'primes': ('primes below 2*10^5 by trial division (`if i * i > n`, `if n % i == 0`)',
               lambda: primes_task(2 * 10**5)),
    'fizz': ('FizzBuzz classes to 3*10^6 (`c = c + (a == 1)`)', lambda: fizz_task(3 * 10**6)),
    'fib': ('Fibonacci modulo a prime, 5*10^6 steps (plain copies)', lambda: fib_task(5 * 10**6)),
    'after-1e4': ('count loop 10^6 after 10^4 lines', lambda: loop_beside(10**6, 10**4, True)),
    'before-1e4': ('count loop 10^6 before 10^4 lines', lambda: loop_beside(10**6, 10**4, False)),
    'after-1e5': ('count loop 10^6 after 10^5 lines', lambda: loop_beside(10**6, 10**5, True)),
    'lines-1e5': ('the 10^5 lines alone', lambda: lines_alone(10**5)),
    'print-1e5': ('print 10^5 numbers into /dev/null, the peers flushing each line '
                  '(quill: `put i; puts n;`)', lambda: printing(10**5)),
    'pipe-1e5': ('print 10^5 numbers into a pipe (`put i; puts n;`; no flush asked for)',
                 lambda: printing_to_pipe(10**5)),
    'print1-1e5': ('the same with `puts func 10;` in quill (a quiet call: no write)',
                   lambda: printing_one_text(10**5)),
    'report': ('report: 20,000 lines of four numbers formatted by width, into a pipe '
               '(quill: function 10)', lambda: report(20000)),
    'text': ('text: 2,000 lines of 100 numbers joined by blanks, into a pipe '
             '(quill: functions 10 and 11, the pool wrapping)', lambda: text_building(2000, 100)),
    'sieve': ('sieve of Eratosthenes over 6*10^6 numbers', lambda: sieve_task(6 * 10**6)),
    'bubble': ('bubble sort of 6,000 numbers', lambda: bubble_task(6000)),
    'sequence': ('Fibonacci modulo a prime, 4*10^7 steps', lambda: sequence_task(4 * 10**7)),
    'collatz-search': ('Collatz steps of 1..110,000, twice', lambda: collatz_search(110000, 2)),
    'gcd': ('gcds of all pairs in 1..2,200 (Euclid)', lambda: gcd_task(2200)),
    'table': ('multiplication table 4,500 x 4,500, row by row in an array',
              lambda: table_task(4500)),
    'startup': ('start-up, empty script', startup),
    'script-10mb': ('10 MB straight-line script', lambda: straight_line(10)),
}
LOOPS = ['sieve', 'bubble', 'sequence', 'collatz-search', 'gcd', 'table']
LOOP_PEERS = ['ops', 'luai', 'luajit', 'c']   # ops: quill with its loops kept on the ops
DEFAULT_TASKS = [t for t in TASKS if t not in ('arith-1e6', 'array-1e6') and t not in LOOPS]


def command(peer, quill, path, task, programs):
    """argv that runs the program in file path for peer (C: compiled first)."""
    if peer in ('quill', 'ops'):
        pool = 80000000 if task.startswith('array') else programs.get('pool')
        ops = ['env', 'QUILL_NATIVE=0'] if peer == 'ops' else []   # env execs quill: one process
        return [*ops, quill, *(['-s', str(pool)] if pool else []), '-f', path]
    if peer == 'c':
        subprocess.run(['gcc', '-O2', '-o', path + '.bin', path], check=True)
        return [path + '.bin']
    if peer in ('mawk', 'gawk'):
        return [peer, '-f', path]
    if peer == 'luai':
        return ['lua5.4', path]
    return [peer, path]


def program(programs, peer):
    """The peer's program for a task, or None; bash runs the sh one unless it has its own."""
    if peer == 'bash' and 'bash' not in programs:
        peer = 'dash'
    return programs.get({'mawk': 'awk', 'gawk': 'awk', 'lua5.4': 'lua', 'dash': 'sh', 'ops': 'quill'}.get(peer, peer))


PIPED = ('pipe', 'report', 'text')   # tasks whose output goes into a pipe


def run_once(argv, limit, pipe=False, clock='cpu'):
    """Cpu time (user and system) or wall time in seconds of one whole run;
    infinity past the limit. With pipe, standard output is a pipe that this
    process drains."""
    start = time.perf_counter()
    p = subprocess.Popen(argv, stdout=subprocess.PIPE if pipe else subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    if pipe:
        while p.stdout.read(65536):
            if time.perf_counter() - start > limit:
                p.kill()
        p.stdout.close()
    try:
        p.wait(timeout=max(0.0, limit - (time.perf_counter() - start)))
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
        return float('inf')
    elapsed = time.perf_counter() - start
    if p.returncode < 0:
        raise RuntimeError(f'{argv[0]} died')
    if clock == 'wall':
        return elapsed
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    spent = usage.ru_utime + usage.ru_stime - run_once.children
    run_once.children = usage.ru_utime + usage.ru_stime
    return spent


run_once.children = 0.0


def write_calls(argv):
    """The write system calls of one run into a pipe, by strace; None without it."""
    if not shutil.which('strace'):
        return None
    p = subprocess.run(['strace', '-f', '-c', '-e', 'trace=write', '-o', '/dev/stderr', *argv],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    for line in p.stderr.splitlines():
        if line.split() and line.split()[-1] == 'write':
            return int(line.split()[3])
    return 0


def peak_memory(argv):
    """Peak memory in KB, by GNU time: a child forked from this process
    would count this process's own pages before its exec."""
    p = subprocess.run(['/usr/bin/time', '-f', '%M', *argv], stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    return int(p.stderr.strip().splitlines()[-1])


def bench_task(task, quill, peers, runs, budget, limit, tmp, clock='cpu'):
    programs = TASKS[task][1]()
    argvs = {}
    for peer in ['quill'] + peers:
        text = program(programs, peer)
        if text is None:
            continue
        path = os.path.join(tmp, f'{task}.{peer}')
        with open(path, 'w') as f:
            f.write(text)
        argvs[peer] = command(peer, quill, path, task, programs)
    if task in LOOPS:   # the same algorithm everywhere: the same number printed
        printed = {p: subprocess.run(argv, capture_output=True, text=True).stdout.strip()
                   for p, argv in argvs.items()}
        if len(set(printed.values())) > 1:
            sys.exit(f'{task}: the programs disagree: {printed}')
    times = {p: [] for p in argvs}
    for r in range(runs):
        for peer, argv in argvs.items():
            if r > 0 and times[peer][0] > budget:
                continue   # too slow to repeat
            times[peer].append(run_once(argv, limit, task.startswith(PIPED), clock))
    peak, writes = {}, {}
    if task == 'script-10mb' and os.path.exists('/usr/bin/time'):   # Debian's package time
        peak = {p: peak_memory(argv) for p, argv in argvs.items()}
    if task.startswith(PIPED):
        writes = {p: write_calls(argv) for p, argv in argvs.items()}
    return {p: statistics.median(v) for p, v in times.items()}, peak, writes


def instructions(peer, quill, programs, tmp):
    """Instructions a whole run of the peer's program takes, by callgrind."""
    path = os.path.join(tmp, f'cg.{peer}')
    with open(path, 'w') as f:
        f.write(program(programs, peer))
    p = subprocess.run(['valgrind', '--tool=callgrind', '--callgrind-out-file=/dev/null',
                        *command(peer, quill, path, 'count', programs)],
                       capture_output=True, text=True)
    refs = [l for l in p.stderr.splitlines() if 'Collected' in l]
    return int(refs[-1].split()[-1].replace(',', ''))


def callgrind_counts(quill, tmp):
    """Instructions per pass of the count loop (the difference between 10^5
    and 2*10^5 passes, so start-up cancels out), and of an empty script."""
    if not shutil.which('valgrind'):
        return {}, {}
    per_pass, startup_ = {}, {}
    for peer in ['quill', 'mawk', 'lua5.4']:
        if peer != 'quill' and not shutil.which(peer):
            continue
        runs = [instructions(peer, quill, count_loop(n), tmp) for n in (10**5, 2 * 10**5)]
        per_pass[peer] = (runs[1] - runs[0]) / 10**5
        startup_[peer] = instructions(peer, quill, startup(), tmp)
    return per_pass, startup_


def cell(seconds, base):
    if seconds == float('inf'):
        return 'stopped'
    t = (f'{seconds * 1000:.1f} ms' if seconds < 0.1 else
         f'{seconds * 1000:.0f} ms' if seconds < 10 else f'{seconds:.1f} s')
    return f'{t} ({seconds / base:.2g}×)' if base else t


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--quill', default=os.path.join(HERE, '..', 'build', 'bin', 'quill'))
    ap.add_argument('--runs', type=int, default=5)
    ap.add_argument('--tasks', default=','.join(DEFAULT_TASKS))
    ap.add_argument('--peers', default=','.join(PEERS))
    ap.add_argument('--budget', type=float, default=10.0)
    ap.add_argument('--limit', type=float, default=60.0, help='seconds before a run is stopped')
    ap.add_argument('--callgrind', action='store_true')
    ap.add_argument('--base', default='mawk', help='the peer the ratios are to')
    ap.add_argument('--clock', choices=('cpu', 'wall'), default='cpu')
    ap.add_argument('--suite', choices=('loops',),
                    help='the loop programs against lua5.4 (locals), LuaJIT and C, ratios to quill')
    opts = ap.parse_args()
    if opts.suite:
        opts.tasks, opts.peers, opts.base = ','.join(LOOPS), ','.join(LOOP_PEERS), 'quill'
    quill = os.path.abspath(opts.quill)
    peers = [p for p in opts.peers.split(',')
             if shutil.which({'luai': 'lua5.4', 'c': 'gcc', 'ops': 'env'}.get(p, p))]
    cpu = next((l.split(':', 1)[1].strip() for l in open('/proc/cpuinfo')
                if l.startswith('model name')), platform.machine())
    print(f'{datetime.date.today()}, {platform.node()}: {cpu}, {os.cpu_count()} cores, '
          f'{opts.runs} paired runs, medians of {opts.clock} time; ratios to {opts.base}\n')
    print('| task | ' + ' | '.join(['quill'] + peers) + ' |')
    print('|---' * (len(peers) + 2) + '|')
    quotients = {p: [] for p in peers}   # quill's time over the peer's, per task
    on_ops = {p: [] for p in peers if p != 'ops'}   # the same for quill on the ops alone
    with tempfile.TemporaryDirectory(prefix='quill-bench-') as tmp:
        for task in opts.tasks.split(','):
            medians, peak, writes = bench_task(task, quill, peers, opts.runs, opts.budget,
                                               opts.limit, tmp, opts.clock)
            for p in peers:
                if medians.get(p) and medians.get('quill') not in (None, float('inf')):
                    quotients[p].append(medians['quill'] / medians[p])
                if p in on_ops and medians.get(p) and medians.get('ops') not in (None, float('inf')):
                    on_ops[p].append(medians['ops'] / medians[p])
            base = medians.get(opts.base)
            row = [cell(medians[p], base) if p in medians else '–' for p in ['quill'] + peers]
            print(f'| {TASKS[task][0]} | ' + ' | '.join(row) + ' |', flush=True)
            if peak:
                mem = [f'{peak[p] / 1024:.1f} MB' if p in peak else '–' for p in ['quill'] + peers]
                print('| 10 MB script, peak memory | ' + ' | '.join(mem) + ' |', flush=True)
            if any(v is not None for v in writes.values()):
                calls = [f'{writes[p]:,}' if writes.get(p) is not None else '–'
                         for p in ['quill'] + peers]
                print('| the same, write calls | ' + ' | '.join(calls) + ' |', flush=True)
        if opts.suite:
            print('\nquill\'s time over each peer\'s, geometric mean (least, most): ' + ', '.join(
                f'{p} {statistics.geometric_mean(q):.2f} ({min(q):.2f}, {max(q):.2f})'
                for p, q in quotients.items() if q))
            if 'ops' in peers:
                print('The same for quill on the ops alone (QUILL_NATIVE=0): ' + ', '.join(
                    f'{p} {statistics.geometric_mean(q):.2f} ({min(q):.2f}, {max(q):.2f})'
                    for p, q in on_ops.items() if q))
        if opts.callgrind:
            per_pass, empty = callgrind_counts(quill, tmp)
            print('\nInstructions per pass of the count loop (callgrind): ' +
                  ', '.join(f'{p} {v:.0f}' for p, v in per_pass.items()))
            print('Instructions of an empty script, start to end (callgrind): ' +
                  ', '.join(f'{p} {v:,}' for p, v in empty.items()))
    return 0


if __name__ == '__main__':
    sys.exit(main())

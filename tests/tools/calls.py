#!/usr/bin/env python3
"""Calls run one way: in quill, driver, then core, then scanner (and outcall)
below; in quill-check, main and the language server, then the analyses, then
the parse, then scanner/ below. Reads the object files with nm and fails on
any circle of calls between files, and on any call from scanner/ out into
the layers above it. Only functions count: bison's yylval and the shared
state are data.

    calls.py PROGRAM: OBJ... [PROGRAM: OBJ...]
    calls.py OBJ...

Each program's objects are read on their own: the interpreter and the
checker both define the grammar's helpers (eval_binary, yylex, ...), and a
call goes to the file of its own program that defines it. A folder stands
for every object under it; with no PROGRAM: all the objects are one."""
import collections
import glob
import os
import subprocess
import sys


def short(obj):
    """quillcheck/check/lsp for .../CMakeFiles/quillcheck.dir/check/lsp.cpp.o"""
    parts = obj.replace('.cpp.o', '').split(os.sep)
    for i, p in enumerate(parts):
        if p.endswith('.dir'):
            return '/'.join([p[:-4]] + parts[i + 1:])
    return obj


def in_scanner(obj):
    # scanner/*.o and flex's scanner.cpp.o are the token stream's library
    return 'quillscan.dir' in obj


def symbols(obj, which):
    out = subprocess.run(['nm', which, obj], capture_output=True, text=True, check=True).stdout
    return [line.split()[-1] for line in out.splitlines() if line.strip()]


def defined_functions(obj):
    out = subprocess.run(['nm', '--defined-only', obj], capture_output=True, text=True,
                         check=True).stdout
    return [p[2] for p in (line.split() for line in out.splitlines())
            if len(p) == 3 and p[1] in 'TW']


def circles(edges):
    """Strongly connected groups of more than one file (Tarjan)."""
    index, low, stack, on, found, counter = {}, {}, [], set(), [], [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in edges[v]:
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for v in list(edges):
        if v not in index:
            visit(v)
    return found


def programs(args):
    """{name: [object files]} from the command line."""
    named, name = collections.defaultdict(list), ''
    for a in args:
        if a.endswith(':'):
            name = a[:-1]
            named[name]
            continue
        named[name] += [a] if a.endswith('.o') else glob.glob(os.path.join(a, '**', '*.o'),
                                                              recursive=True)
    return {n: sorted(set(os.path.abspath(o) for o in objs)) for n, objs in named.items()}


def check(name, objs):
    """The failures of one program's objects."""
    owner = {}
    for obj in objs:
        for sym in defined_functions(obj):
            owner.setdefault(sym, obj)
    edges = collections.defaultdict(set)
    for obj in objs:
        edges[obj]
        for sym in symbols(obj, '-u'):
            if sym in owner and owner[sym] != obj:
                edges[obj].add(owner[sym])
    where = f'{name}: ' if name else ''
    failures = [f'{where}these files call each other in a circle: {", ".join(map(short, g))}'
                for g in circles(edges)]
    for obj in objs:
        out = sorted(short(d) for d in edges[obj] if in_scanner(obj) and not in_scanner(d))
        if out:
            failures.append(f'{where}{short(obj)} calls up out of scanner/: {", ".join(out)}')
    return failures


def main():
    named = programs(sys.argv[1:])
    passed = failed = 0
    for name, objs in named.items():
        failures = check(name, objs) if objs else [f'{name or "the program"}: no object files']
        for f in failures:
            print('FAIL:', f)
        failed += len(failures)
        passed += not failures
    print(f'{passed} passed, {failed} failed')
    return 1 if failed or not named else 0


if __name__ == '__main__':
    sys.exit(main())

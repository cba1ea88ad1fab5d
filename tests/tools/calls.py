#!/usr/bin/env python3
"""Calls run one way: driver, then core, then scanner (and outcall) below.
Reads the object files of the interpreter's library with nm and fails on any
circle of calls between files, and on any call from scanner/ into core/.
Only functions count: bison's yylval and the shared state are data."""
import collections
import glob
import os
import subprocess
import sys


def short(obj):
    for d in OBJDIRS:
        if obj.startswith(d):
            return os.path.relpath(obj, d).replace('.cpp.o', '')
    return obj


def layer(obj):
    # scanner/*.o and flex's scanner.cpp.o are the token stream's library
    return 'scanner' if 'quillscan.dir' in obj else 'core'


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


# the object files of the build (a folder stands for every object under it)
ARGS = sys.argv[1:]
OBJDIRS = [os.path.dirname(os.path.commonpath([os.path.abspath(a) for a in ARGS]))]


def main():
    objs = sorted(os.path.abspath(o) for a in ARGS for o in (
        [a] if a.endswith('.o') else glob.glob(os.path.join(a, '**', '*.o'), recursive=True)))
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
    failed = 0
    for group in circles(edges):
        print('FAIL: these files call each other in a circle:', ', '.join(map(short, group)))
        failed += 1
    for obj in objs:
        up = [short(d) for d in edges[obj] if layer(obj) == 'scanner' and layer(d) == 'core']
        if up:
            print(f'FAIL: {short(obj)} calls up into core: {", ".join(sorted(up))}')
            failed += 1
    checked = 2 if objs else 0
    print(f'{checked - min(failed, checked)} passed, {failed} failed')
    return 1 if failed or not objs else 0


if __name__ == '__main__':
    sys.exit(main())

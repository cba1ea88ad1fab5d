#!/usr/bin/env python3
"""Runs every example of the language guide, so the guide cannot drift.

A ```vantor block is a script; its info string may add command-line
arguments and stdin="..." (with \\n escapes). An ```output block right after
it is the exact standard output (its final newline belongs to the block, not
to the output), a ```status block the exit status (default: not checked).
Examples run in a directory holding notes.txt (three lines) and data.csv."""
import os
import re
import shlex
import subprocess
import sys
import tempfile

FENCE = re.compile(r'^```(\w*)([^\n]*)\n(.*?)^```\n', re.S | re.M)


def examples(text):
    blocks = [(m.group(1), m.group(2).strip(), m.group(3)) for m in FENCE.finditer(text)]
    for i, (kind, info, body) in enumerate(blocks):
        if kind != 'vantor':
            continue
        want = {}
        for k, _, b in blocks[i + 1:i + 3]:
            if k in ('output', 'status') and k not in want:
                want[k] = b
            else:
                break
        yield info, body, want


def main():
    quill = os.path.abspath(sys.argv[1])
    guide = sys.argv[2]
    passed = failed = 0
    for n, (info, body, want) in enumerate(examples(open(guide).read()), 1):
        words = shlex.split(info)
        stdin = b''
        args = []
        for w in words:
            if w.startswith('stdin='):
                stdin = w[6:].encode().decode('unicode_escape').encode()
            else:
                args.append(w)
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, 'notes.txt'), 'w') as f:
                f.write('one\ntwo\nthree\n')
            with open(os.path.join(tmp, 'data.csv'), 'w') as f:
                f.write('a,b\n1,2\n')
            with open(os.path.join(tmp, 'example.vt'), 'w') as f:
                f.write(body)
            p = subprocess.run([quill, *args, '-f', 'example.vt'], input=stdin,
                               capture_output=True, cwd=tmp, timeout=20,
                               env={k: v for k, v in os.environ.items()
                                    if k not in ('QUILL_GUIDE', 'DISPLAY', 'WAYLAND_DISPLAY')})
        problems = []
        if 'output' in want and p.stdout.decode(errors='replace') != want['output'][:-1]:
            problems.append(f'output {p.stdout!r}, the guide says {want["output"][:-1]!r}')
        if 'status' in want and p.returncode != int(want['status']):
            problems.append(f'status {p.returncode}, the guide says {want["status"].strip()}')
        if 'output' not in want and 'status' not in want:
            problems.append('an example with no output or status block checks nothing')
        if problems:
            failed += 1
            print(f'FAIL example {n}:\n{body}  ' + '\n  '.join(problems))
        else:
            passed += 1
    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())

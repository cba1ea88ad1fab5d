#!/usr/bin/env python3
"""Runs every example of the language guide (Markdown) or the man page (roff),
so neither can drift from what quill does.

An example is a `vantor` script, run as `quill ARGS -f example.vt` (or, with
the word by=quill-check, as `quill-check ARGS example.vt`), or an `sh`
command line, run by sh with quill and quill-check first in PATH. Its words
may add command-line arguments, NAME=VALUE for the environment, stdin="..."
(with \\n escapes) and only=posix or only=win32 for an example of one build.
What follows it says what it must do: an `output` block is the exact
standard output, a `stderr` block the exact standard error, a `status` the
exit status, `codes` the codes of the checker's findings in its output, in
order (VT010 VT021); an example must say at least one of these.

Markdown: ```vantor WORDS / ```sh blocks, then ```output, ```stderr, ```status
blocks (an output block's final newline belongs to the block, not to the text;
stderr is whole lines, so its final newline is part of it).
roff: a comment `.\\" vantor WORDS` or `.\\" sh`, `.\\" output`, `.\\" stderr`
before an .EX/.EE block, and `.\\" status N` or `.\\" codes CODE...` after one;
output is its lines joined by line feeds, stderr the same with a line feed after
each line. Every .EX block of the
man page needs such a comment (`.\\" text` for one that is only shown).

Examples run in a directory holding notes.txt (three lines) and data.csv. A
Windows build is run by QUILL_RUNNER (wine), also as the `quill` and
`quill-check` of sh examples, and its CR LF line ends are read as LF."""
import os
import re
import shlex
import subprocess
import sys
import tempfile

from checks import RUNNER, WINDOWS, text  # noqa: E402

FENCE = re.compile(r'^```(\w*)([^\n]*)\n(.*?)^```\n', re.S | re.M)
RUNS = ('vantor', 'sh')
WANTS = ('output', 'stderr', 'status', 'codes')
ROFF = {'-': '-', 'e': '\\', '\\': '\\', '&': '', '(aq': "'", '(dq': '"', '(ti': '~',
        '(ha': '^', '(ga': '`'}


def markdown(text):
    """(kind, words, body, wants) for each example, and problems."""
    blocks = [(m.group(1), m.group(2).strip(), m.group(3)) for m in FENCE.finditer(text)]
    found = []
    for i, (kind, info, body) in enumerate(blocks):
        if kind not in RUNS:
            continue
        wants = {}
        for k, _, b in blocks[i + 1:i + 4]:
            if k not in WANTS or k in wants:
                break
            wants[k] = {'output': b[:-1], 'stderr': b, 'status': b.strip(), 'codes': b.split()}[k]
        found.append((kind, info, body, wants))
    return found, []


def unroff(line):
    def one(m):
        if m.group(1) in ROFF:
            return ROFF[m.group(1)]
        if m.group(1).startswith('[u'):
            return chr(int(m.group(1)[2:-1], 16))
        raise ValueError(f'roff escape \\{m.group(1)} in an example: {line!r}')
    return re.sub(r'\\(\(..|\[u[0-9A-Fa-f]{4}\]|.)', one, line)


def roff(text):
    found, problems, note, lines = [], [], None, text.split('\n')
    i = 0
    while i < len(lines):
        line = lines[i]
        m = re.match(r'^\.\\" (vantor|sh|output|stderr|status|codes|text)\b ?(.*)$', line)
        if m:
            note = m.groups()
            if note[0] == 'status':
                found[-1][3]['status'] = note[1].strip()
                note = None
            elif note[0] == 'codes':
                found[-1][3]['codes'] = note[1].split()
                note = None
        elif line == '.EX':
            end = lines.index('.EE', i)
            body = [unroff(b) for b in lines[i + 1:end]]
            i = end
            if note is None:
                problems.append('an example that nothing runs: ' + ' / '.join(body))
            elif note[0] in RUNS:
                found.append((note[0], note[1], '\n'.join(body) + '\n', {}))
            elif note[0] == 'output':
                found[-1][3]['output'] = '\n'.join(body)
            elif note[0] == 'stderr':
                found[-1][3]['stderr'] = ''.join(b + '\n' for b in body)
            note = None
        elif line == '.nf':
            problems.append('a .nf block: examples go in .EX/.EE, where they are run')
        i += 1
    return found, problems


def checker(quill):
    """quill-check, built beside quill."""
    name, ext = os.path.splitext(quill)
    return os.path.join(os.path.dirname(name), 'quill-check' + ext)


def run(quill, kind, info, body):
    words = shlex.split(info)
    stdin = b''
    args = []
    program = quill
    env = {k: v for k, v in os.environ.items()
           if k not in ('QUILL_GUIDE', 'DISPLAY', 'WAYLAND_DISPLAY')}
    bindir = os.path.dirname(quill)
    for w in words:
        if w.startswith('stdin='):
            stdin = w[6:].encode().decode('unicode_escape').encode()
        elif w == 'by=quill-check':
            program = checker(quill)
        elif w.startswith('only='):
            pass
        elif re.match(r'^[A-Z_][A-Z0-9_]*=', w):
            env[w.split('=', 1)[0]] = w.split('=', 1)[1]
        else:
            args.append(w)
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, 'notes.txt'), 'w') as f:
            f.write('one\ntwo\nthree\n')
        with open(os.path.join(tmp, 'data.csv'), 'w') as f:
            f.write('a,b\n1,2\n')
        with open(os.path.join(tmp, 'example.vt'), 'w') as f:
            f.write(body)
        if WINDOWS:   # sh examples call quill by name: a quill that runs quill.exe
            bindir = os.path.join(tmp, '.bin')
            os.mkdir(bindir)
            for name, exe in (('quill', quill), ('quill-check', checker(quill))):
                with open(os.path.join(bindir, name), 'w') as f:
                    f.write('#!/bin/sh\nexec %s "$@"\n' % shlex.join(RUNNER + [exe]))
                os.chmod(os.path.join(bindir, name), 0o755)
        env['PATH'] = bindir + os.pathsep + env.get('PATH', '')
        if kind == 'sh':
            argv = ['sh', 'example.vt']
        elif program == quill:
            argv = RUNNER + [quill, *args, '-f', 'example.vt']
        else:
            argv = RUNNER + [program, *args, 'example.vt']
        p = subprocess.run(argv, input=stdin, capture_output=True, cwd=tmp, timeout=20,
                           env=env)
        return subprocess.CompletedProcess(argv, p.returncode, text(p.stdout), text(p.stderr))


def main():
    quill = os.path.abspath(sys.argv[1])
    doc = sys.argv[2]
    with open(doc, encoding='utf-8') as f:
        text = f.read()
    found, problems = (markdown if doc.endswith('.md') else roff)(text)
    if not found:
        problems.append(f'no examples in {doc}')
    for p in problems:
        print('FAIL ' + p)
    passed, failed = 0, len(problems)
    build = 'win32' if WINDOWS else 'posix'
    skipped = 0
    for n, (kind, info, body, want) in enumerate(found, 1):
        only = [w[5:] for w in shlex.split(info) if w.startswith('only=')]
        if only and build not in only:
            skipped += 1
            print(f'SKIP example {n}: only {" ".join(only)}:\n{body}')
            continue
        p = run(quill, kind, info, body)
        wrong = []
        for stream, got in (('output', p.stdout), ('stderr', p.stderr)):
            if stream in want and got.decode(errors='replace') != want[stream]:
                wrong.append(f'{stream} {got!r}, the text says {want[stream]!r}')
        if 'status' in want and p.returncode != int(want['status']):
            wrong.append(f'status {p.returncode}, the text says {want["status"]}')
        codes = re.findall(r'\[(VT\d+)\]', p.stdout.decode(errors='replace'))
        if 'codes' in want and codes != want['codes']:
            wrong.append(f'codes {" ".join(codes)}, the text says {" ".join(want["codes"])}')
        if not want:
            wrong.append('an example with no output, stderr or status checks nothing')
        if wrong:
            failed += 1
            print(f'FAIL example {n}:\n{body}  ' + '\n  '.join(wrong))
        else:
            passed += 1
    print(f'{passed} passed, {failed} failed' + (f', {skipped} skipped' if skipped else ''))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())

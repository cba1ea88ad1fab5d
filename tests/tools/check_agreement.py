#!/usr/bin/env python3
"""quill-check against quill itself, on every golden case, the fuzz seeds
and the examples:

- where quill reports a syntax error (or a parser stack overflow) at line N,
  the checker reports an error at N (quill's way of counting lines);
- in the loop scripts of the fuzz seeds and in the examples, no line the
  checker calls unreachable ever runs (quill -g shows what runs).

    check_agreement.py QUILL QUILL_CHECK SOURCE_ROOT"""
import glob
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import golden  # noqa: E402

QUILL, CHECK, ROOT = (os.path.abspath(a) for a in sys.argv[1:4])
SYNTAX = re.compile(rb'\n#line:(-?\d+) (syntax error|parser stack overflow)\n')
TRACE = re.compile(rb'^\[ *(-?\d+)\] (.*)$', re.M)
NOT_RUN = (b'list NL', b'list LABEL COL', b'list LABEL NL', b'--top--')
failures = []
checked = 0


def findings(path):
    p = subprocess.run([CHECK, '--quill-lines', '--format', 'json', path],
                       capture_output=True, timeout=60)
    if p.returncode not in (0, 1, 2):
        failures.append(f'{path}: quill-check ended with {p.returncode}: {p.stderr[:300]!r}')
        return []
    return json.loads(p.stdout)


def agree_on_syntax(where, script_path, stderr):
    global checked
    m = SYNTAX.search(stderr)
    if not m:
        return
    checked += 1
    line = int(m.group(1))
    errors = [f for f in findings(script_path) if f['severity'] == 'error']
    if not any(f['quillLine'] <= line <= f['quillEndLine'] for f in errors):
        failures.append(f'{where}: quill says "{m.group(2).decode()}" at line {line}; '
                        f'the checker\'s errors are at {[f["quillLine"] for f in errors]}')


def golden_cases():
    for path in sorted(glob.glob(os.path.join(ROOT, 'tests', 'scripts', '**', '*.t'),
                                 recursive=True)):
        for n, case in enumerate(golden.parse(path), 1):
            if golden.skip_reason(case, 'posix'):
                continue
            sec = case['sections']
            args = shlex.split(sec['args'][0].decode()) if 'args' in sec else ['-f', '{script}']
            if '-f' not in args:
                continue   # the script comes from standard input, or nothing runs
            with tempfile.TemporaryDirectory() as tmp:
                script = os.path.join(tmp, 'script.vt')
                with open(script, 'wb') as f:
                    f.write(sec['script'][0])
                argv = [a.replace('{script}', script).replace('{root}', ROOT) for a in args]
                ran = argv[argv.index('-f') + 1] if argv.index('-f') + 1 < len(argv) else None
                if not ran or not os.path.isfile(ran):
                    continue
                try:
                    p = subprocess.run([QUILL] + argv, input=sec.get('stdin', (b'',))[0],
                                       capture_output=True, cwd=tmp, timeout=20)
                except subprocess.TimeoutExpired:
                    continue
                agree_on_syntax(f'{os.path.relpath(path, ROOT)}:{n} {case["title"]}', ran,
                                p.stderr)


def never_runs(path):
    """quill lines the checker says never run, with the text of each line."""
    with open(path, 'rb') as f:
        real = f.read().replace(b'\r\n', b'\n').split(b'\n')
    lines = set()
    for f in findings(path):
        if f['code'] != 'VT022':
            continue
        first, last = f['quillLine'], f['quillEndLine']
        # a first or last line may hold code that runs beside what does not
        head = real[f['line'] - 1][:f['column'] - 1].strip()
        tail = re.sub(rb'#.*', b'', real[f['endLine'] - 1][f['endColumn'] - 1:]).strip()
        lines.update(range(first + (head != b''), last + (tail == b'')))
    return lines


def traced(path, limit=16 << 20):
    """quill -g's trace of a run, or None for a run that never ends: a loop
    that runs forever writes gigabytes of trace in seconds."""
    with tempfile.TemporaryFile() as err:
        p = subprocess.Popen([QUILL, '-g', '-f', path], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=err, cwd=os.path.dirname(path))
        deadline = time.monotonic() + 20
        try:
            while p.poll() is None:
                if os.fstat(err.fileno()).st_size > limit or time.monotonic() > deadline:
                    return None
                time.sleep(0.01)
        finally:
            p.kill()
            p.wait()
        if os.fstat(err.fileno()).st_size > limit:
            return None
        err.seek(0)
        return err.read()


def agree_on_flow(path):
    global checked
    stderr = traced(path)
    if stderr is None:
        return
    checked += 1
    agree_on_syntax(os.path.relpath(path, ROOT), path, stderr)
    ran = {int(m.group(1)) for m in TRACE.finditer(stderr) if m.group(2) not in NOT_RUN
           and not m.group(2).startswith(NOT_RUN)}
    wrong = sorted(ran & never_runs(path))
    if wrong:
        failures.append(f'{os.path.relpath(path, ROOT)}: lines {wrong} run, but the checker '
                        'says they never do')


def main():
    golden_cases()
    for path in sorted(glob.glob(os.path.join(ROOT, 'tests', 'fuzz', 'loops', '*')) +
                       glob.glob(os.path.join(ROOT, 'tests', 'fuzz', 'regressions', '*')) +
                       glob.glob(os.path.join(ROOT, 'examples', '*.vt'))):
        agree_on_flow(path)
    for f in failures:
        print('FAIL', f)
    print(f'{checked - len(failures)} passed, {len(failures)} failed')
    return 1 if failures or not checked else 0


if __name__ == '__main__':
    sys.exit(main())

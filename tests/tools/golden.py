#!/usr/bin/env python3
"""Runs golden cases: a script with optional arguments, standard input and
files, and the exact standard output, standard error and exit status
expected of quill.

A case file holds many cases:

    === title
    script text
    --- args            (default: -f {script}; {script} is the script's path,
                         {root} the source tree)
    --- stdin
    --- file NAME       (a file made in the case's working directory)
    --- env             (NAME=VALUE lines added to the environment; NAME removes)
    --- stdout
    --- stderr
    --- merged          (instead of the two above: both streams into one
                         file, as 2>&1 does, so their order shows)
    --- status N        (default 0)
    --- only PLATFORM   (posix or win32: the case means nothing elsewhere; its
                         text says why, and is printed when it is skipped)

With --differential the first run makes machine code of every loop at its
first pass (QUILL_NATIVE=1), and each case runs again on the ops alone
(QUILL_NATIVE=0) and with the fast paths off (QUILL_SLOW=1): those runs
must give the same bytes and status as the first; a case whose expectation
is a pattern is held to it each way.

A section's text ends before the newline that precedes the next marker, so
output without a final newline is written as it is, and a final newline is
written as an empty last line. Flags after a section name: `re` compares
as a regular expression over the whole text, `esc` decodes \\n, \\r, \\t,
\\xNN and \\\\ first. Unset stdout and stderr must be empty.

For a Windows build, --runner names the program that runs quill.exe (wine)
and --crlf turns the CR LF that text-mode output makes of a line feed back
into LF before comparing. A run whose cases were all skipped exits with 77.
"""
import argparse
import difflib
import os
import re
import shlex
import subprocess
import sys
import socket
import tempfile
import threading

MARK = re.compile(r'^(===|---) ?(.*)$')


def decode(text):
    return re.sub(rb'\\(x[0-9a-fA-F]{2}|[nrt\\])',
                  lambda m: {b'n': b'\n', b'r': b'\r', b't': b'\t', b'\\': b'\\'}.get(
                      m.group(1), None) or bytes([int(m.group(1)[1:], 16)]),
                  text)


def parse(path):
    cases = []
    with open(path, 'rb') as f:
        lines = f.read().split(b'\n')
    if lines and lines[-1] == b'':
        lines.pop()   # the file's own final newline
    cur = None
    section = None
    for raw in lines:
        m = MARK.match(raw.decode('utf-8', 'surrogateescape'))
        if m and m.group(1) == '===':
            cur = {'title': m.group(2), 'sections': {}, 'order': []}
            cases.append(cur)
            section = ('script', [])
            cur['sections']['script'] = section
            continue
        if m and cur is not None:
            words = m.group(2).split()
            name = words[0] if words else ''
            key = ' '.join(words[:2]) if name == 'file' else name
            flags = set(words[2:] if name == 'file' else words[1:])
            if name == 'status':
                cur['status'] = int(words[1])
                section = None
                continue
            section = (key, [], flags)
            cur['sections'][key] = section
            continue
        if section is not None:
            section[1].append(raw)
    for case in cases:
        for key, sec in list(case['sections'].items()):
            body = b'\n'.join(sec[1])
            flags = sec[2] if len(sec) > 2 else set()
            if 'esc' in flags:
                body = decode(body)
            case['sections'][key] = (body, flags)
    return cases


def show(data):
    return data.decode('utf-8', 'backslashreplace').splitlines(keepends=True)


def compare(name, want, flags, got):
    if 're' in flags:
        if re.fullmatch(want, got, re.S):
            return None
        return f'{name} does not match /{want.decode(errors="replace")}/:\n' + ''.join(
            '    ' + l for l in show(got)) + '\n'
    if want == got:
        return None
    diff = difflib.unified_diff(show(want), show(got), f'expected {name}', f'actual {name}')
    return ''.join(l if l.endswith('\n') else l + '\n\\ no newline\n' for l in diff) or \
        f'{name}: {want!r} != {got!r}\n'


SKIPPED = 77
runner = []       # --runner: the program quill runs under
default_args = '-f {script}'   # --args: for cases that name none
crlf = False      # --crlf: output comes from text-mode streams


def execute(quill, case, timeout, extra_env=None):
    """Runs the case's script as the case says; (stdout, stderr, status),
    or None on a timeout."""
    sec = case['sections']
    with tempfile.TemporaryDirectory(prefix='quill-golden-') as tmp:
        script = os.path.join(tmp, 'script.vt')
        with open(script, 'wb') as f:
            f.write(sec['script'][0])
        for key, (body, _) in sec.items():
            if key.startswith('file '):
                path = os.path.join(tmp, key[5:])
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, 'wb') as f:
                    f.write(body)
        # names need not be UTF-8: their bytes go through as they are
        args = sec['args'][0].decode('utf-8', 'surrogateescape') if 'args' in sec else default_args
        root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        argv = runner + [os.path.abspath(quill)] + [
            a.replace('{script}', script).replace('{root}', root) for a in shlex.split(args)]
        env = dict(os.environ)
        if 'env' in sec:
            for line in sec['env'][0].decode().splitlines():
                k, eq, v = line.partition('=')
                if eq:
                    env[k] = v
                else:
                    env.pop(k, None)
        env.update(extra_env or {})
        stdin = sec['stdin'][0] if 'stdin' in sec else b''
        try:
            if 'merged' in sec:
                with tempfile.TemporaryFile() as out:
                    p = subprocess.run(argv, input=stdin, stdout=out, stderr=subprocess.STDOUT,
                                       cwd=tmp, env=env, timeout=timeout)
                    out.seek(0)
                    p.stdout, p.stderr = out.read(), b''
            else:
                p = subprocess.run(argv, input=stdin, capture_output=True, cwd=tmp,
                                   env=env, timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
    if crlf:
        return p.stdout.replace(b'\r\n', b'\n'), p.stderr.replace(b'\r\n', b'\n'), p.returncode
    return p.stdout, p.stderr, p.returncode


def judge(case, got, timeout):
    """What differs between the result got and the case's expectation, or None."""
    if got is None:
        return f'timed out after {timeout} s\n'
    sec = case['sections']
    problems = []
    first = 'merged' if 'merged' in sec else 'stdout'
    for name, out in ((first, got[0]), ('stderr', got[1])):
        want, flags = sec.get(name, (b'', set()))
        problem = compare(name, want, flags, out)
        if problem:
            problems.append(problem)
    if got[2] != case.get('status', 0):
        problems.append(f'status: expected {case.get("status", 0)}, got {got[2]}\n')
    return ''.join(problems) or None


def run_case(quill, case, timeout, extra_env=None):
    return judge(case, execute(quill, case, timeout, extra_env), timeout)


class Watcher:
    """A debugger that attaches to each run and lets it go: quill with its
    agent, its hooks and its history on must do exactly what it does alone."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix='quill-watch-')
        self.path = os.path.join(self.dir, 'channel')
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.bind(self.path)
        self.sock.listen(8)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            conn, _ = self.sock.accept()
            threading.Thread(target=self.one, args=(conn,), daemon=True).start()

    @staticmethod
    def one(conn):
        with conn, conn.makefile('rwb') as f:
            if f.readline():   # hello: no stop of any kind, a history kept, run
                f.write(b'config 20 0 0 0 0 67108864\nbreak\nrun\n')
                f.flush()
                while f.readline():
                    pass


watcher = None   # --watched: the differential runs each case under it too


def run_differential(quill, case, timeout):
    """The expected result with the fast paths, loops as machine code from
    their first pass, then the same bytes and status on the ops alone, without
    the fast paths (QUILL_SLOW set), and under a debugger that only watches
    (--watched). Cases whose expectation is a pattern (times, process ids)
    are held to that pattern each way."""
    fast = execute(quill, case, timeout, {'QUILL_NATIVE': '1'})
    problems = [judge(case, fast, timeout)]
    ways = [('QUILL_NATIVE=0', 'ops', {'QUILL_NATIVE': '0'}), ('QUILL_SLOW=1', 'slow', {'QUILL_SLOW': '1'})]
    if watcher:
        ways.append(('a debugger watching', 'watched', {'QUILL_DEBUG_CHANNEL': watcher.path}))
    for title, word, env in ways:
        if any('re' in flags for _, flags in case['sections'].values()):
            other = run_case(quill, case, timeout, env)
            problems.append(other and f'with {title}: ' + other)
            continue
        other = execute(quill, case, timeout, env)
        if other is None:
            problems.append(f'timed out after {timeout} s with {title}\n')
        elif fast is not None and fast != other:
            problems += [compare(f'{name} ({word} vs fast)', f, set(), o)
                         for name, f, o in zip(('stdout', 'stderr'), fast, other)]
            if fast[2] != other[2]:
                problems.append(f'status: fast {fast[2]}, {word} {other[2]}\n')
    return ''.join(p for p in problems if p) or None


def skip_reason(case, platform):
    """Why the case does not run on this platform, or None."""
    only = case['sections'].get('only')
    if only is None:
        return None
    words = sorted(only[1])
    if platform in words:
        return None
    return f'only {" ".join(words)}: ' + only[0].decode().strip()


def main():
    global runner, crlf, default_args, watcher
    ap = argparse.ArgumentParser()
    ap.add_argument('--quill', help='the quill binary')
    ap.add_argument('--watched', action='store_true',
                    help='with --differential: each case under a debugger that only watches, too')
    ap.add_argument('--differential', action='store_true',
                    help='run each case again without the fast paths; the two must agree')
    ap.add_argument('--timeout', type=float, default=20)
    ap.add_argument('--platform', choices=('posix', 'win32'), default='posix',
                    help='the platform quill was built for')
    ap.add_argument('--runner', default='', help='the program that runs quill (wine)')
    ap.add_argument('--crlf', action='store_true', help='output lines end in CR LF')
    ap.add_argument('--args', default=default_args,
                    help='the arguments of a case that names none (quill-check: script.vt)')
    ap.add_argument('files', nargs='+', help='FILE or FILE:N (1-based case number)')
    opts = ap.parse_args()
    runner = shlex.split(opts.runner)
    crlf = opts.crlf
    default_args = opts.args
    if opts.watched:
        watcher = Watcher()
    passed = failed = skipped = 0
    for spec in opts.files:
        path, _, which = spec.rpartition(':') if re.search(r':\d+$', spec) else (spec, '', '')
        cases = parse(path)
        picked = [int(which)] if which else range(1, len(cases) + 1)
        for n in picked:
            case = cases[n - 1]
            reason = skip_reason(case, opts.platform)
            if reason:
                skipped += 1
                print(f'SKIP {path}:{n} {case["title"]}: {reason}')
                continue
            runner_fn = run_differential if opts.differential else run_case
            problem = runner_fn(opts.quill, case, opts.timeout)
            if problem and runner:
                # wine now and then ends a process at its start with status 1 and
                # not a byte written: a case fails only if it fails twice there
                print(f'AGAIN {path}:{n} {case["title"]}: under {runner[0]}, after\n{problem}')
                problem = runner_fn(opts.quill, case, opts.timeout)
            if problem:
                failed += 1
                print(f'FAIL {path}:{n} {case["title"]}\n{problem}')
            else:
                passed += 1
    print(f'{passed} passed, {failed} failed' + (f', {skipped} skipped' if skipped else ''))
    if failed:
        return 1
    return SKIPPED if skipped and not passed else 0


if __name__ == '__main__':
    sys.exit(main())

"""Shared by the scripted checks: one quill binary, a result per check, a
script runner, and the closing 'N passed, N failed' line.

A Windows build runs under QUILL_RUNNER (wine) with QUILL_PLATFORM=win32:
its text-mode output is turned back from CR LF into LF unless asked raw."""
import os
import shlex
import subprocess
import sys
import tempfile

QUILL = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else 'quill'
RUNNER = shlex.split(os.environ.get('QUILL_RUNNER', ''))
WINDOWS = os.environ.get('QUILL_PLATFORM') == 'win32'
results = []
skipped = []


def check(title, got, want):
    ok = got == want
    results.append(ok)
    if not ok:
        print(f'FAIL {title}\n  expected {want!r:.300}\n  got      {got!r:.300}')


def skip(title, reason):
    skipped.append(title)
    print(f'SKIP {title}: {reason}')


def command(*args):
    """The argument vector that runs quill with args."""
    return RUNNER + [QUILL, *args]


def text(data):
    """Output as a Linux build writes it."""
    return data.replace(b'\r\n', b'\n') if WINDOWS else data


def run(script, args=(), stdin=b'', via_stdin=False, timeout=60, raw=False, **kw):
    """Runs script (bytes) from a file, or from standard input; returns
    (stdout, stderr, status)."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 's.vt')
        with open(path, 'wb') as f:
            f.write(script)
        argv = command(*args, *([] if via_stdin else ['-f', path]))
        p = subprocess.run(argv, input=script if via_stdin else stdin, capture_output=True,
                           timeout=timeout, cwd=tmp, **kw)
    if raw:
        return p.stdout, p.stderr, p.returncode
    return text(p.stdout), text(p.stderr), p.returncode


def finish(*groups):
    for group in groups:
        group()
    passed = sum(results)
    print(f'{passed} passed, {len(results) - passed} failed' +
          (f', {len(skipped)} skipped' if skipped else ''))
    return 0 if passed == len(results) else 1

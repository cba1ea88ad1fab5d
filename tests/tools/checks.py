"""Shared by the scripted checks: one quill binary, a result per check, a
script runner, and the closing 'N passed, N failed' line."""
import os
import subprocess
import sys
import tempfile

QUILL = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else 'quill'
results = []


def check(title, got, want):
    ok = got == want
    results.append(ok)
    if not ok:
        print(f'FAIL {title}\n  expected {want!r:.300}\n  got      {got!r:.300}')


def run(script, args=(), stdin=b'', via_stdin=False, timeout=60, **kw):
    """Runs script (bytes) from a file, or from standard input; returns
    (stdout, stderr, status)."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 's.vt')
        with open(path, 'wb') as f:
            f.write(script)
        argv = [QUILL, *args] + ([] if via_stdin else ['-f', path])
        p = subprocess.run(argv, input=script if via_stdin else stdin, capture_output=True,
                           timeout=timeout, cwd=tmp, **kw)
    return p.stdout, p.stderr, p.returncode


def finish(*groups):
    for group in groups:
        group()
    passed = sum(results)
    print(f'{passed} passed, {len(results) - passed} failed')
    return 0 if passed == len(results) else 1

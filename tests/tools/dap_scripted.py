#!/usr/bin/env python3
"""One scripted DAP session with quill-debug, as an editor would run it, for
the builds VS Code's client cannot reach (the Windows build under wine): a
stop on entry, a breakpoint reached over a backward jump with the jump
trail below it, a variable with its text, the output, and the exit status
quill itself ends with; then terminate, which quill's agent carries out on
Windows (no signal there) as Ctrl-C would end the run.

Usage: dap_scripted.py [--runner CMD] QUILL_DEBUG QUILL
"""
import argparse
import os
import shlex
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from dap_client import Session  # noqa: E402

SCRIPT = 'i = 0;\ns = "hi";\nL: i = i + 1;\nif i < 3 M;\nbelow E;\nM: above L;\nE: put i;\nputs s;\n'

ap = argparse.ArgumentParser()
ap.add_argument('--runner', default='')
ap.add_argument('adapter')
ap.add_argument('quill')
opts = ap.parse_args()
runner = shlex.split(opts.runner)
failures = []


def check(title, got, want):
    if got != want:
        failures.append(title)
        print(f'FAIL {title}\n  expected {want!r}\n  got      {got!r}')


with tempfile.TemporaryDirectory(prefix='quill-dap-') as tmp:
    with open(os.path.join(tmp, 'loop.vt'), 'w') as f:
        f.write(SCRIPT)
    golden = subprocess.run(runner + [opts.quill, '-f', 'loop.vt'], cwd=tmp, capture_output=True)
    s = Session(runner + [opts.adapter], timeout=60)
    s.ask('initialize', adapterID='vantor')
    check('launch', s.ask('launch', program='loop.vt', cwd=tmp, stopOnEntry=True)['success'], True)
    s.wait('initialized')
    s.ask('setBreakpoints', source={'path': os.path.join(tmp, 'loop.vt')}, breakpoints=[{'line': 7}])
    s.ask('configurationDone')
    check('stop on entry', s.wait('stopped')['body']['reason'], 'entry')
    frames = s.ask('stackTrace', threadId=1)['body']['stackFrames']
    check('entry at line 1', frames[0]['line'], 1)
    s.ask('continue', threadId=1)
    check('the breakpoint', s.wait('stopped')['body']['reason'], 'breakpoint')
    frames = s.ask('stackTrace', threadId=1)['body']['stackFrames']
    check('the stack: the stop, then the trail',
          [(f['name'], f['line']) for f in frames[:3]],
          [('E:', 7), ('below E (pass 1)', 5), ('above L (pass 2)', 6)])
    values = {v['name']: v['value'] for v in
              s.ask('variables', variablesReference=1)['body']['variables']}
    check('i', values['i'], '3')
    check('s, with its text', values['s'].endswith(' "hi"'), True)
    s.ask('continue', threadId=1)
    exited = s.wait('exited')
    s.wait('terminated')
    check('exit status', exited['body']['exitCode'], golden.returncode)
    check('output', s.output('stdout', s.events).replace('\r\n', '\n'),
          golden.stdout.decode().replace('\r\n', '\n'))
    check('quill-debug ends cleanly', s.close(), 0)

    with open(os.path.join(tmp, 'forever.vt'), 'w') as f:
        f.write('put 7;\nL: i = i + 1;\nabove L;\n')
    s = Session(runner + [opts.adapter], timeout=60)
    s.ask('initialize', adapterID='vantor')
    s.ask('launch', program='forever.vt', cwd=tmp)
    s.wait('initialized')
    s.ask('configurationDone')
    printed = s.wait('output')['body']
    s.ask('terminate')
    exited = s.wait('exited')
    s.wait('terminated')
    # ended by SIGTERM; on Windows with STATUS_CONTROL_C_EXIT as cmd's %ERRORLEVEL%
    # shows it, not TerminateProcess's 1
    check('terminate: the exit status', exited['body']['exitCode'], -1073741510 if runner else 128 + 15)
    check('terminate: the output', (printed['category'], printed['output']), ('stdout', '7'))
    check('terminate: quill-debug ends cleanly', s.close(), 0)

print(f'{len(failures)} failed' if failures else 'scripted session passed')
sys.exit(1 if failures else 0)

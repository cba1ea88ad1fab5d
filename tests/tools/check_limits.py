#!/usr/bin/env python3
"""quill-check on inputs that stress it rather than its findings: depth that
follows the input, work that grows with the square of it, memory per byte
of script. Each through the command line and the language server.

    check_limits.py QUILL_CHECK"""
import os
import subprocess
import sys
import tempfile

from checks import check, finish, skip  # noqa: E402
from lsp_session import CHECK, DEADLINE, Server  # noqa: E402

TIME = '/usr/bin/time'   # GNU time: a run's peak memory

def run_check(script, *args):
    """quill-check on script (bytes) in a file: (stdout lines, status)."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 's.vt')
        with open(path, 'wb') as f:
            f.write(script)
        p = subprocess.run([CHECK, *args, path], capture_output=True, timeout=120)
    return [l.split('s.vt:', 1)[1] for l in p.stdout.decode().splitlines()], p.returncode


def peak(script, *args):
    """quill-check on script from a file: (status, peak memory in bytes, as
    /usr/bin/time sees it: a child of this process would count its pages
    too); a run still going after a generous deadline is stopped."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 's.vt')
        with open(path, 'wb') as f:
            f.write(script)
        p = subprocess.run([TIME, '-f', '%x %M', CHECK, *args, path], stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, timeout=120)
    status, kilobytes = p.stderr.split()[-2:]
    return int(status), int(kilobytes) * 1024


def opened(text):
    """A server with text open as its only document, and its diagnostics."""
    s = Server()
    s.answer('initialize', {'capabilities': {}})
    s.send('textDocument/didOpen', {'textDocument': {'uri': 'file:///tmp/limits.vt',
                                                     'languageId': 'vantor', 'version': 1,
                                                     'text': text}}, False)
    return s, s.diagnostics()


def codes(diagnostics):
    return sorted({d['code'] for d in diagnostics or []})


def close(s):
    s.p.stdin.close()
    check('the server ends when its client goes', s.p.wait(DEADLINE), 1)


def deep():
    # each walk of a tree (values, jumps, brackets) meets a left-leaning
    # expression as deep as it is long: 1 MB of it
    terms = 125_000
    script = (b'a = (' + b'b + ' * terms + b'(below A)); A:\n'
              b'if ' + b'a + ' * terms + b'1 A; A:\n')
    check('a 1 MB expression: the jump in brackets found, no crash',
          run_check(script, '-Swarning'),
          (['1:6: warning: `b` is read before anything sets it: it is 0 on every run that gets '
            'here [VT030]',
            '1:500007: error: this jump always fires inside brackets, the rest of the statement '
            'is dropped and quill stops with a syntax error: give the jump a statement of its '
            'own [VT014]'], 2))
    nested = b'a = ' + b'(' * 100_000 + b'1' + b')' * 100_000 + b';\nb = ' + \
        b'x[' * 100_000 + b'1' + b']' * 100_000 + b';\n'
    overflow = 'error: nested too deeply: quill stops with "parser stack overflow" [VT002]'
    check('100,000 nested brackets of each kind: as deep as quill goes',
          run_check(nested), ([f'1:10000: {overflow}', f'2:10000: {overflow}'], 2))
    for name, text in (('the 1 MB expression', script), ('the nested brackets', nested)):
        s, found = opened(text.decode())
        check(f'the server checks {name}', codes(found),
              ['VT014', 'VT030'] if text is script else ['VT002'])
        close(s)


def computed_counts():
    # each `above @ k A` may stop at any `A:`: 32,000 of each took minutes
    # and gigabytes when every jump listed every definition
    n = 32_000
    script = b'k = 2;\n' + b'A:\n' * n + b'above @ k A;\n' * n
    if os.path.exists(TIME):
        status, memory = peak(script, '-Swarning')
        check('32,000 computed counts and definitions: checked', status, 1)
        check('... in less than 100 MB', (memory < 100 << 20, memory >> 20), (True, memory >> 20))
    else:
        check('32,000 computed counts and definitions: checked', run_check(script)[1], 1)
        skip('... in less than 100 MB', 'no /usr/bin/time to measure it')
    s, found = opened(script.decode())
    check('the server checks them', codes(found), ['VT022'])
    edit = {'range': {'start': {'line': 0, 'character': 4}, 'end': {'line': 0, 'character': 5}},
            'text': '3'}
    s.send('textDocument/didChange', {'textDocument': {'uri': 'file:///tmp/limits.vt',
                                                       'version': 2},
                                      'contentChanges': [edit]}, False)
    check('and again after an edit', codes(s.diagnostics()), ['VT022'])
    where = s.answer('textDocument/definition', {'textDocument': {'uri': 'file:///tmp/limits.vt'},
                                                 'position': {'line': n + 1, 'character': 10}})
    check('a computed count may land on any definition', len(where['result']), n)
    close(s)


def memory_per_script_byte():
    # every token, node and item the checker keeps: at most 24 bytes a byte
    # of script, on the densest shapes and on a program of all statements
    if os.environ.get('QUILL_SANITIZED') or not os.path.exists(TIME):
        return skip('memory per byte of script', 'peak sizes mean something only for a plain '
                    'build, measured by /usr/bin/time')
    program = (b'a = a + 1; # count\nif a > 10 B;\ns = "hello"; puts s;\nB: put a;\n'
               b'x[i] = x[i] * 2 + (b - c) / 3;\nbelow C; C:\n')
    base = peak(b'')[1]
    for name, script in (('empty statements', b';' * 4_000_000),
                         ('label definitions', b'A:' * 2_000_000),
                         ('a program', program * (10_000_000 // len(program)))):
        per_byte = (peak(script)[1] - base) / len(script)
        check(f'{name}: at most 24 bytes a byte', (per_byte <= 24, round(per_byte, 1)),
              (True, round(per_byte, 1)))


def server_memory():
    # a 10 MB document of labels and jumps, opened and edited three times:
    # the edit takes the old parse's room as it goes, not twice the room
    if os.environ.get('QUILL_SANITIZED') or not os.path.exists('/proc/self/status'):
        return skip('the server\'s memory', 'peak sizes mean something only for a plain Linux build')
    text = 'A: b = b + 1; if b > 5 B;\nB: if b < 3 A;\n' * 250_000 + 'A: put b;\n'
    s, found = opened(text)
    for version, new in ((2, 'x'), (3, 'b'), (4, 'c')):
        edit = {'range': {'start': {'line': 0, 'character': 3}, 'end': {'line': 0, 'character': 4}},
                'text': new}
        s.send('textDocument/didChange', {'textDocument': {'uri': 'file:///tmp/limits.vt',
                                                           'version': version},
                                          'contentChanges': [edit]}, False)
        found = s.diagnostics()
    with open(f'/proc/{s.p.pid}/status') as f:
        peak = [int(l.split()[1]) << 10 for l in f if l.startswith('VmHWM')][0]
    whole = run_check(('A: c' + text[4:]).encode())[0]
    check('a 10 MB document, opened and edited: the findings of the edited text', codes(found),
          sorted({l[l.rindex('[') + 1:-1] for l in whole}))
    check('... in at most 300 MB', (peak <= 300 << 20, peak >> 20), (True, peak >> 20))
    close(s)


if __name__ == '__main__':
    sys.exit(finish(deep, computed_counts, memory_per_script_byte, server_memory))

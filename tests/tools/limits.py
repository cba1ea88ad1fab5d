#!/usr/bin/env python3
"""Scanner and parser limits that need generated input: token lengths around
YYLMAX, deep nesting, long scripts, pipes, terminals and text mode."""
import os
import pty
import select
import subprocess
import sys
import tempfile
import termios
import time

from checks import QUILL, WINDOWS, check, command, finish, run, skip, text  # noqa: E402

TOO_LARGE = b'token too large, exceeds YYLMAX\n'
SYNTAX = b"\n#line:%d %s\n   (more sample infomation '-H')\n"


def token_lengths():
    for n, fatal in ((8190, False), (8191, False), (8192, True), (20000, True)):
        comment = b'#' + b'x' * (n - 1)
        # the statement before the long token has already run
        want = (b'1', TOO_LARGE, 2) if fatal else (b'1', b'', 1)
        # a final line feed settles the comment, so 8191 still fits
        check(f'comment of {n} characters', run(b'put 1;' + comment + b'\n'), want)
        string = b'"' + b'y' * (n - 2) + b'"'
        check(f'string of {n} characters', run(b'put 1; s = ' + string + b'; z = 1;'), want)
    # regression: the closing quote settles a text, also when it is the last byte read
    text = b'"' + b'a' * 8189 + b'"'
    check('a text of 8191 characters ends the input',
          run(b'put 5; x = ' + text)[:2], (b'5', SYNTAX % (1, b'syntax error')))
    check('a text of 8191 characters ends the first read',
          run(b';' + text + b'; put 1;'), (b'1', b'', 1))
    blanks = b' ' * 8192
    check('a run of 8192 blanks', run(b'put 1;' + blanks + b'\n'), (b'1', TOO_LARGE, 2))
    check('a run of 8190 blanks', run(b'put 1;' + b' ' * 8190 + b'\n'), (b'1', b'', 1))
    # everything after an unclosed quote is one unfinished token
    check('unclosed quote, 100 characters after',
          run(b'put 1; "' + b';' * 100), (b'1', SYNTAX % (1, b'syntax error'), 1))
    check('unclosed quote, 8190 characters after',
          run(b'put 1; "' + b';' * 8190), (b'1', TOO_LARGE, 2))


def nesting():
    deep = b'a = ' + b'(' * 100000 + b'1' + b')' * 100000 + b';'
    check('100,000 nested parentheses', run(deep),
          (b'', SYNTAX % (1, b'parser stack overflow'), 0))
    ok = b'put ' + b'(' * 4000 + b'7' + b')' * 4000 + b';'
    check('4,000 nested parentheses fit', run(ok), (b'7', b'', 7))
    negs = b'put ' + b'- ' * 20000 + b'3;'
    check('20,000 prefix minus signs overflow',
          run(negs)[1], SYNTAX % (1, b'parser stack overflow'))


def long_scripts():
    lines = b'\n' * 100001 + b'put 1;'
    out, err, status = run(lines, args=('-g',))
    check('the trace line field widens past 99999',
          err.splitlines()[0], b'[100002] NUMBER:1(1)')
    # a backward jump in a piped script of many blocks replays what was read
    body = b''.join(b'x = %d; # padding padding padding padding\n' % i for i in range(3000))
    script = b'n = n + 1;\n' + body + b'put n;\nif n < 3 A;\nbelow B;\nA: above @ 0 Z;\nB:\n'
    # the last value is the false condition of the if
    check('rewind of a 120 KB script from a pipe', run(script, via_stdin=True), (b'123', b'', 0))
    check('rewind of the same script from a file', run(script), (b'123', b'', 0))


def text_mode():
    lf = b'a = 1;\nput a;\n# comment\nb = "x\ny";\nputs b;\nput 1 2;\n'
    crlf = lf.replace(b'\n', b'\r\n')
    check('CR LF scans exactly like LF', run(crlf), run(lf))
    # a CR at the very end of one 8192-byte read and its LF at the start of the next
    pad = b'#' + b'p' * 8189 + b'\r\nput 7;\r\n'
    check('CR LF split across two reads', run(pad), (b'7', b'', 7))
    # regression: reads came back short by their CRs, which moved the block limits
    filler = b'\n#' + b'x' * 8190 + b'\nput 1;\n'     # the comment fills the first block
    check('a comment filling the first block, LF', run(filler)[1:], (TOO_LARGE, 2))
    check('the same with CR LF reads full blocks too',
          run(filler.replace(b'\n', b'\r\n'))[1:], (TOO_LARGE, 2))
    check('... also from a pipe', run(filler.replace(b'\n', b'\r\n'), via_stdin=True)[1:],
          (TOO_LARGE, 2))
    check('Ctrl-Z ends the script', run(b'put 1;\x1aput 2;'), (b'1', b'', 1))
    check('Ctrl-Z ends a piped script', run(b'put 1;\x1aput 2;', via_stdin=True), (b'1', b'', 1))
    # regression: a UTF-8 byte-order mark made the whole script a silent no-op
    bom = b'\xef\xbb\xbf'
    check('a byte-order mark at the start is skipped', run(bom + b'put 1;'), (b'1', b'', 1))
    check('... from a pipe too', run(bom + b'put 1;', via_stdin=True), (b'1', b'', 1))
    check('... and only at the start', run(b'put 1;' + bom + b'put 2;'), (b'1', b'', 1))
    check('a lone CR is a character token', run(b'put 3;\rput 4;')[1],
          SYNTAX % (1, b'syntax error'))
    if WINDOWS:
        # every other check compares with CR LF turned back: here it must really be there
        check('text mode writes a line feed as CR LF',
              run(b'puts "a\nb\n"; );', raw=True)[:2],
              (b'a\r\nb\r\n', b"\r\n#line:1 syntax error\r\n   (more sample infomation '-H')\r\n"))


def bad_sources():
    with tempfile.TemporaryDirectory() as tmp:
        p = subprocess.run(command('-f', tmp), capture_output=True, timeout=30)
        # Windows opens no directory as a file; Linux opens it and fails to read
        want = (b'', b'#cannot open file (%s).\n' % tmp.encode(), 1) if WINDOWS else \
            (b'', b'#cannot read script input.\n', 2)
        check('a directory as the script', (p.stdout, text(p.stderr), p.returncode), want)


def terminal():
    # A typed line runs before the next one is typed.
    if WINDOWS:
        skip('terminal input', "a Unix terminal is no Windows console: wine's console "
             'reads it through its own layer')
        return
    pid, fd = pty.fork()
    if pid == 0:
        attrs = termios.tcgetattr(0)
        attrs[3] &= ~termios.ECHO   # only the program's own output comes back
        termios.tcsetattr(0, termios.TCSANOW, attrs)
        os.execv(QUILL, [QUILL])
    attrs = termios.tcgetattr(fd)
    attrs[3] &= ~termios.ECHO
    termios.tcsetattr(fd, termios.TCSANOW, attrs)
    seen = b''
    try:
        os.write(fd, b'put 41;\n')
        deadline = time.time() + 30
        while b'41' not in seen and time.time() < deadline:
            if select.select([fd], [], [], 0.2)[0]:
                seen += os.read(fd, 1024)
        check('a terminal line runs at once', seen, b'41')
        os.write(fd, b'puts "a\n')
        os.write(fd, b'b"; put 2;\n\x04')
        deadline = time.time() + 30
        while time.time() < deadline:
            r = select.select([fd], [], [], 0.2)[0]
            if r:
                try:
                    chunk = os.read(fd, 1024)
                except OSError:
                    break
                if not chunk:
                    break
                seen += chunk
    finally:
        _, status = os.waitpid(pid, 0)
    check('a string typed over two lines is one token', seen, b'41a\r\nb2')
    check('end of terminal input ends the run', os.waitstatus_to_exitcode(status), 2)

    # typed at a terminal, printing into a pipe: what a line printed arrives
    # before quill waits for the next line, not when the buffer fills
    master, slave = pty.openpty()
    attrs = termios.tcgetattr(slave)
    attrs[3] &= ~termios.ECHO
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    p = subprocess.Popen([QUILL], stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    os.close(slave)
    seen = b''
    try:
        os.write(master, b'put 41;\n')
        deadline = time.time() + 30
        while b'41' not in seen and time.time() < deadline:
            if select.select([p.stdout], [], [], 0.2)[0]:
                seen += os.read(p.stdout.fileno(), 1024)
        check('a typed line prints into a pipe before the next is read', seen, b'41')
    finally:
        os.write(master, b'\x04')
        p.wait(timeout=30)
        os.close(master)


if __name__ == '__main__':
    sys.exit(finish(token_lengths, nesting, long_scripts, text_mode, bad_sources, terminal))

#!/usr/bin/env python3
"""The extension services against real components: started programs and
their reaping, a Unix-socket receiver, an X server's clipboard, generated
files and directories, the terminal beep, and the library in a foreign host.
A Windows build (QUILL_PLATFORM=win32, run by QUILL_RUNNER) meets a window
and the Windows clipboard instead, through the helpers in tests/win32.

Usage: outcall_live.py QUILL LIBOUTCALL [CHECK...]
"""
import ctypes
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

from checks import QUILL, RUNNER, WINDOWS, text  # noqa: E402

LIB = os.path.abspath(sys.argv[2])
NL = b'n = "\n";\n'
PATIENCE = 30   # seconds to wait for what must happen, on a loaded machine too
results = []


class Skip(Exception):
    pass


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def read(path):
    """The file's bytes; empty while it is not there."""
    try:
        with open(path, 'rb') as f:
            return f.read()
    except FileNotFoundError:
        return b''


def run(script, stdin=b'', env=None, cwd=None, timeout=PATIENCE):
    with tempfile.TemporaryDirectory(prefix='oc-live-') as tmp:
        path = os.path.join(tmp, 's.vt')
        write(path, script)
        p = subprocess.run(RUNNER + [QUILL, '-f', path], input=stdin, capture_output=True,
                           env=env, cwd=cwd or tmp, timeout=timeout)
    assert p.stderr == b'', f'stderr: {p.stderr!r}'
    return text(p.stdout)


def run_timed(script, env=None, watch=None, timeout=PATIENCE, cwd=None):
    """Runs script and stamps every output byte with its arrival time, on
    time.monotonic's clock; watch(p, out), given the process and the output
    so far, is called about every 20 ms while quill runs, and may write to
    its standard input (a pipe then; else none). Fails when quill has not
    ended within timeout."""
    tmp = tempfile.mkdtemp(prefix='oc-live-')
    try:
        path = os.path.join(tmp, 's.vt')
        write(path, script)
        start = time.monotonic()
        p = subprocess.Popen(RUNNER + [QUILL, '-f', path], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, env=env, cwd=cwd or tmp,
                             stdin=subprocess.PIPE if watch else subprocess.DEVNULL)
        out, stamps = b'', []
        fd = p.stdout.fileno()
        while True:
            if time.monotonic() - start > timeout:
                p.kill()
                p.wait()
                raise AssertionError(f'timed out after {timeout} s; output {out!r}')
            ready, _, _ = select.select([fd], [], [], 0.02)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    break
                now = time.monotonic()
                out += chunk
                stamps += [now] * len(chunk)
            if watch:
                watch(p, text(out))
        err = p.stderr.read()
        p.wait()
        if p.stdin:
            p.stdin.close()
        assert err == b'', f'stderr: {err!r}'
        if WINDOWS:   # drop the CR of each CR LF with its stamp
            keep = [i for i in range(len(out)) if out[i:i + 2] != b'\r\n']
            out, stamps = bytes(out[i] for i in keep), [stamps[i] for i in keep]
        return out, stamps
    finally:
        shutil.rmtree(tmp)


def arrival(out, stamps, marker):
    i = out.find(marker)
    assert i >= 0, f'{marker!r} not in {out!r}'
    return stamps[i]


def process_state(pid):
    """The state letter of process pid, or None once it is gone."""
    try:
        with open(f'/proc/{pid}/stat') as f:
            stat = f.read()
    except OSError:
        return None
    return stat[stat.rfind(')') + 2:].split()[0]


def children(pid):
    """(pid, state) of every process whose parent is pid."""
    found = []
    for entry in os.listdir('/proc'):
        if not entry.isdigit():
            continue
        try:
            with open(f'/proc/{entry}/stat') as f:
                stat = f.read()
        except OSError:
            continue
        fields = stat[stat.rfind(')') + 2:].split()
        if int(fields[1]) == pid:
            found.append((int(entry), fields[0]))
    return found


def signal_lines(pid):
    """Blocked, ignored and caught signals, less the C library's own two
    (32 and 33), which it sets up when a process gets its first thread."""
    libc_own = ~(3 << 31)
    with open(f'/proc/{pid}/status') as f:
        return [(l.split(':')[0], int(l.split(':')[1], 16) & libc_own)
                for l in f if l.startswith(('SigIgn', 'SigCgt', 'SigBlk'))]


def argv_script(program, *args, wait=0):
    s = b'e = "%s"; a = new %d; ' % (program, len(args) + 1)
    for k, arg in enumerate(args):
        s += b'a[%d] = "%s"; ' % (k, arg)
    return s + b'a[%d] = 0; t = %d;\n' % (len(args), wait)


# ---- function 5: programs started, waited for or reaped ----

def execute_waits_and_orders_output():
    script = argv_script(b'sh', b'sh', b'-c', b'echo child; sleep 0.4', wait=1)
    out, st = run_timed(script + b'put 1; r = func 5; put 2;\n')
    assert out == b'1child\n2', out
    assert arrival(out, st, b'2') - arrival(out, st, b'1') >= 0.38, 'returned before the end'


def awaiting(flag, quiet=False):
    """A shell command that waits (30 s at most) until file flag exists."""
    return (b'exec >/dev/null 2>&1; ' if quiet else b'') + \
        b'i=0; until [ -e %s ] || [ $i -ge 1500 ]; do sleep 0.02; i=$((i+1)); done' % flag


def deadline_passed(since):
    return time.monotonic() - since > PATIENCE


def execute_without_wait_returns_at_once():
    with tempfile.TemporaryDirectory(prefix='oc-live-') as tmp:
        # the program runs until we let it go, which we do only after the script
        # has ended: had the call waited for it, the script would never end
        script = argv_script(b'sh', b'sh', b'-c', b'echo $$ >pid; ' + awaiting(b'go', True))
        try:
            out, _ = run_timed(script + b'put 1; r = func 5; put 2;\n', cwd=tmp)
            assert out == b'12', out
            start = time.monotonic()
            while not read(os.path.join(tmp, 'pid')).endswith(b'\n'):
                assert not deadline_passed(start), 'the program did not start'
                time.sleep(0.02)
            pid = int(read(os.path.join(tmp, 'pid')))
            assert process_state(pid) not in ('Z', None), 'ended with the script'
        finally:
            write(os.path.join(tmp, 'go'), b'')


def execute_leaves_no_zombie():
    if WINDOWS:
        raise Skip('no zombies on Windows: the handle of a program not waited for is '
                   'closed, which nothing outside the process can see')
    # two programs that run until we let them go, and one that ends at once;
    # then the script waits in one call, reading a line
    with tempfile.TemporaryDirectory(prefix='oc-live-') as tmp:
        script = argv_script(b'sh', b'sh', b'-c', awaiting(b'go'))
        script += b'r = func 5; r = func 5; e = "true"; a = 0; r = func 5;\n'
        script += b'put 1; l = func 1; put 9;\n'
        seen = {}

        def watch(p, out):
            if out != b'1' or 'late' in seen:
                return   # all three started once the script has said 1
            seen['now'] = children(p.pid)
            if 'early' not in seen:
                # while the two run they are quill's children
                if len([c for c in seen['now'] if c[1] != 'Z']) >= 2:
                    seen['early'] = seen['now']
                    write(os.path.join(tmp, 'go'), b'')
            elif seen['now'] == []:
                # all three have ended, and none is left behind as a zombie
                seen['late'] = seen['now']
                seen['signals'] = signal_lines(p.pid)
                p.stdin.close()

        try:
            out, _ = run_timed(script, watch=watch, cwd=tmp)
        except AssertionError as e:
            raise AssertionError(f'{e}; children {seen.get("now")}, '
                                 f'{"let go" if "early" in seen else "never two running"}')
        finally:
            write(os.path.join(tmp, 'go'), b'')
        assert out == b'19', out

    base = {}

    def watch_base(p, out):
        if out == b'1' and 'signals' not in base:
            base['signals'] = signal_lines(p.pid)
            p.stdin.close()

    run_timed(b'put 1; l = func 1; put 9;\n', watch=watch_base)
    assert seen['signals'] == base['signals'], (seen['signals'], base['signals'])


def sleep_pauses():
    # a negative pause is none: one of its length would outlast the bound
    out, st = run_timed(b'put 1; i = 300; r = func 8; put 2; i = -30000; r = func 8; put 3;\n')
    assert out == b'123', out
    assert arrival(out, st, b'2') - arrival(out, st, b'1') >= 0.29
    assert arrival(out, st, b'3') - arrival(out, st, b'2') < 15


# ---- function 7: a Unix-socket receiver ----

def receiver(path, hold=0.3):
    """Listens at path; the returned dict gets the bytes of one connection and
    the time the receiver closed it, after holding it for hold seconds."""
    srv = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    srv.bind(path)
    srv.listen(1)
    got = {}

    def serve():
        conn, _ = srv.accept()
        data = b''
        while True:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
        got['data'] = data
        time.sleep(hold)
        got['closed'] = time.monotonic()
        conn.close()
        srv.close()

    t = threading.Thread(target=serve, daemon=True)
    t.start()
    return got, t


def message_reaches_receiver_and_waits():
    with tempfile.TemporaryDirectory(prefix='oc-sock-') as tmp:
        path = os.path.join(tmp, 'rx')
        got, t = receiver(path)
        out, st = run_timed(b'w = "%s"; m = "hello, receiver"; r = func 7; put r;\n'
                            % path.encode())
        t.join(PATIENCE)
        assert got['data'] == b'hello, receiver\0', got
        assert out == b'0', out
        # the result arrived only after the receiver had closed
        assert arrival(out, st, b'0') >= got['closed'], 'returned before the receiver closed'


def message_names_in_runtime_dir_and_own_folder():
    with tempfile.TemporaryDirectory(prefix='oc-xdg-') as tmp:
        got, t = receiver(os.path.join(tmp, 'named'), hold=0)
        env = dict(os.environ, XDG_RUNTIME_DIR=tmp)
        assert run(b'w = "named"; m = ""; put func 7;', env=env) == b'0'
        t.join(PATIENCE)
        assert got['data'] == b'\0', got
    # without XDG_RUNTIME_DIR: a folder of our own, never bare /tmp
    folder = f'/tmp/outcall-{os.geteuid()}'
    env = {k: v for k, v in os.environ.items() if k != 'XDG_RUNTIME_DIR'}
    run(b'w = "probe"; m = "x"; put func 7;', env=env)   # creates the folder
    st = os.lstat(folder)
    assert (oct(st.st_mode & 0o7777), st.st_uid) == ('0o700', os.geteuid()), st
    path = os.path.join(folder, f'oc-live-{os.getpid()}')
    try:
        got, t = receiver(path, hold=0)
        assert run(b'w = "%s"; m = "x"; put func 7;' % os.path.basename(path).encode(),
                   env=env) == b'0'
        t.join(PATIENCE)
        assert got['data'] == b'x\0', got
    finally:
        os.unlink(path)


def message_refused_to_another_user():
    if os.geteuid() != 0:
        raise Skip('needs root to start a receiver as another user')
    with tempfile.TemporaryDirectory(prefix='oc-other-') as tmp:
        os.chmod(tmp, 0o777)
        path = os.path.join(tmp, 'rx')
        code = ('import socket,sys\ns=socket.socket(socket.AF_UNIX);s.bind(sys.argv[1]);'
                's.listen(1);print(flush=True)\nc,_=s.accept();d=b""\n'
                'while True:\n  k=c.recv(99)\n  if not k: break\n  d+=k\nprint(d)')
        rx = subprocess.Popen(['/usr/bin/python3', '-c', code, path], user='nobody',
                              stdout=subprocess.PIPE)
        rx.stdout.readline()   # listening
        out = run(b'w = "%s"; m = "secret"; put func 7;' % path.encode())
        got = rx.communicate(timeout=PATIENCE)[0]
        assert (out, got) == (b'0', b"b''\n"), (out, got)


def message_without_listener():
    with tempfile.TemporaryDirectory(prefix='oc-sock-') as tmp:
        stale = os.path.join(tmp, 'stale')
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.bind(stale)
        s.close()   # the file stays, nobody listens
        start = time.monotonic()
        out = run(b'm = "x"; w = "%s"; put func 7; w = "%s/none"; put func 7;'
                  % (stale.encode(), tmp.encode()))
        assert out == b'00', out
        assert time.monotonic() - start < PATIENCE / 2, 'waited for nobody'


# ---- function 12: the X clipboard ----

def start_xvfb():
    if not shutil.which('Xvfb') or not shutil.which('xclip'):
        raise Skip('Xvfb or xclip not installed')
    r, w = os.pipe()
    x = subprocess.Popen(['Xvfb', '-displayfd', str(w), '-nolisten', 'tcp'],
                         pass_fds=[w], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    number = b''
    while not number.endswith(b'\n'):
        ready, _, _ = select.select([r], [], [], PATIENCE)
        chunk = os.read(r, 16) if ready else b''
        if not chunk:
            x.kill()
            raise AssertionError('Xvfb did not start')
        number += chunk
    os.close(r)
    return x, ':' + number.decode().strip()


def clipboard_env(display, path=None):
    env = {k: v for k, v in os.environ.items() if k not in ('DISPLAY', 'WAYLAND_DISPLAY')}
    if display:
        env['DISPLAY'] = display
    if path:
        env['PATH'] = path
    return env


def read_clipboard(display, expect=None):
    # the helper's serving process takes the selection a moment after the
    # script has ended; give it that moment on a loaded machine
    start = time.monotonic()
    while True:
        got = subprocess.run(['xclip', '-o', '-selection', 'clipboard'], capture_output=True,
                             env=clipboard_env(display), timeout=PATIENCE).stdout
        if expect is None or got == expect or deadline_passed(start):
            return got
        time.sleep(0.1)


def clipboard_holds_text_after_the_script():
    x, display = start_xvfb()
    try:
        text = 'from quill: caf\u00e9 & co'.encode()
        # captured output: a helper holding our pipes would make this time out
        out = run(b'p = "%s"; put func 12;' % text, env=clipboard_env(display), timeout=PATIENCE)
        assert out == b'0', out
        assert read_clipboard(display, text) == text
        if shutil.which('xsel'):
            with tempfile.TemporaryDirectory(prefix='oc-bin-') as bindir:
                os.symlink(shutil.which('xsel'), os.path.join(bindir, 'xsel'))
                out = run(b'p = "by xsel"; put func 12;',
                          env=clipboard_env(display, bindir), timeout=PATIENCE)
            assert out == b'0', out
            assert read_clipboard(display, b'by xsel') == b'by xsel'
    finally:
        x.kill()
        x.wait()


def clipboard_without_display_does_nothing():
    with tempfile.TemporaryDirectory(prefix='oc-bin-') as bindir:
        marker = os.path.join(bindir, 'called')
        for name in ('xclip', 'xsel', 'wl-copy'):
            helper = os.path.join(bindir, name)
            write(helper, b'#!/bin/sh\ncat >/dev/null; echo %s >> %s\n' % (
                name.encode(), marker.encode()))
            os.chmod(helper, 0o755)
        path = bindir + ':' + os.environ.get('PATH', '/usr/bin:/bin')
        assert run(b'p = "x"; put func 12;', env=clipboard_env(None, path)) == b'0'
        assert not os.path.exists(marker), 'a helper ran without a display'
        # the same helpers are found once a display is named
        assert run(b'p = "x"; put func 12;', env=clipboard_env(':999', path)) == b'0'
        with open(marker) as f:
            assert f.read() == 'xclip\n'


# ---- functions 1, 13 and 15: generated data ----

def read_pieces(script_head, data, use_stdin):
    loop = (b'L: l = func %s; if !l E; puts l; puts "|"; above L; E: z = 0;'
            % (b'1' if use_stdin else b'15'))
    with tempfile.TemporaryDirectory(prefix='oc-lines-') as tmp:
        write(os.path.join(tmp, 'data.txt'), data)
        out = run(script_head + loop, stdin=data if use_stdin else b'', cwd=tmp)
    assert out.endswith(b'|') or out == b'', out
    return out.split(b'|')[:-1]


def prompt_shows_before_the_answer_is_read():
    # the answer is typed only once the prompt is seen: a prompt still held
    # back when function 1 reads would leave both waiting
    def watch(p, out):
        if out == b'name? ' and not p.stdin.closed:
            p.stdin.write(b'Bob\n')
            p.stdin.close()
    out, _ = run_timed(b'puts "name? "; l = func 1; puts "hello, "; puts l;\n', watch=watch)
    assert out == b'name? hello, Bob', out


def long_lines_arrive_in_pieces():
    a, b = b'a' * 2500, b'b' * 998
    c = b'0123456789' * 105                 # 1050 bytes
    data = a + b'\n' + b + b'\r\n' + b'c' * 999 + b'\r\n' + c + b'\r\nend'
    want = [a[:999], a[999:1998], a[1998:], b, b'c' * 999, b'', c[:999], c[999:], b'end']
    for use_stdin in (True, False):
        got = read_pieces(b'f = "data.txt";', data, use_stdin)
        assert got == want, f'stdin={use_stdin}: {[len(x) for x in got]}'


def directory_listing_in_search_order():
    # readdir's order on Linux; FindFirstFileA's on Windows, which is its own
    order = sorted if WINDOWS else list
    with tempfile.TemporaryDirectory(prefix='oc-dir-') as tmp:
        d = os.path.join(tmp, 'd')
        os.mkdir(d)
        os.mkdir(os.path.join(d, 'subdir'))
        for name in ('noext', 'a.txt', '.hidden', 'b.c', 'z z.txt'):
            write(os.path.join(d, name), b'')
        loop = b'L: r = func 13; if !r E; puts r; puts "/"; above L; E: z = 0;'
        want = os.listdir(d)
        for head, cwd in ((b'f = "d/*";', tmp), (b'f = "d/*.*";', tmp),
                          (b'f = "*";', d), (b'f = "%s/*.*";' % d.encode(), tmp)):
            names = run(head + loop, cwd=cwd).decode().split('/')[:-1]
            assert '.' in names and '..' in names, names
            assert order(n for n in names if n not in ('.', '..')) == order(want), \
                (head, names, want)
        got = run(b'f = "d/*.txt";' + loop, cwd=tmp).decode().split('/')[:-1]
        assert order(got) == order(n for n in want if n.endswith('.txt')), got


# ---- function 10 against the C library's own printf ----

def itoa_matches_c_library():
    import random
    rnd = random.Random(1234)
    libc = ctypes.CDLL(None)
    values = [0, 1, -1, 7, 42, -42, 255, 65, 1000000, 2147483647, -2147483648]
    cases = []
    for _ in range(400):
        flags = ''.join(rnd.choice('-+ #0') for _ in range(rnd.randrange(4)))
        width = str(rnd.randrange(25)) if rnd.random() < 0.6 else ''
        prec = '.' + (str(rnd.randrange(15)) if rnd.random() < 0.8 else '') \
            if rnd.random() < 0.5 else ''
        conv = rnd.choice('diouxXc')
        value = rnd.choice(values) if conv != 'c' else rnd.randrange(33, 127)
        fmt = rnd.choice(['', 'x=', '%%']) + '%' + flags + width + prec + conv + \
            rnd.choice(['', '.', ' %%'])
        cases.append((fmt, value))
    script = NL
    for fmt, value in cases:
        v = b'-2147483647 - 1' if value == -2147483648 else str(value).encode()
        script += b'f = "%s"; i = %s; r = func 10; puts r; puts n;\n' % (fmt.encode(), v)
    got = run(script).split(b'\n')[:-1]
    assert len(got) == len(cases), len(got)
    out = ctypes.create_string_buffer(1024)
    for (fmt, value), line in zip(cases, got):
        libc.snprintf(out, 1024, fmt.encode(), ctypes.c_int(value))
        assert line == out.value, (fmt, value, line, out.value)


# ---- function 18: the beep ----

def beep_without_terminal():
    start = time.monotonic()
    with tempfile.TemporaryDirectory(prefix='oc-beep-') as tmp:
        write(os.path.join(tmp, 's.vt'), b'put func 18;')
        p = subprocess.run(RUNNER + [QUILL, '-f', 's.vt'], capture_output=True, cwd=tmp,
                           start_new_session=True, timeout=PATIENCE)
    took = time.monotonic() - start
    assert (p.stdout, p.stderr) == (b'0', b''), p
    assert took >= 0.09, took


def beep_on_terminal():
    if WINDOWS:
        raise Skip("a beep's sound: wine's Beep plays nothing, and quill.exe has no terminal")
    if not shutil.which('script'):
        raise Skip('script(1) not installed')
    with tempfile.TemporaryDirectory(prefix='oc-beep-') as tmp:
        write(os.path.join(tmp, 's.vt'), b'put 1; r = func 18; put 2;')
        cmd = f'{QUILL} -f s.vt >out 2>err'
        start = time.monotonic()
        p = subprocess.run(['script', '-qec', cmd, '/dev/null'], capture_output=True,
                           cwd=tmp, timeout=PATIENCE)
        took = time.monotonic() - start
        with open(os.path.join(tmp, 'out'), 'rb') as f:
            out = f.read()
        with open(os.path.join(tmp, 'err'), 'rb') as f:
            err = f.read()
    assert (out, err) == (b'12', b''), (out, err)
    assert p.stdout.count(b'\x07') == 1, p.stdout
    assert took >= 0.09, took


# ---- the library in a host that is not quill ----

def foreign_host():
    """A ctypes host without the pool hook: calls before set_func yield 0 and
    read nothing; a second set_func replaces the callbacks."""
    if WINDOWS:
        raise Skip('a Linux Python cannot load outcall.dll')
    code = r'''
import ctypes, sys
lib = ctypes.CDLL(sys.argv[1])
var = (ctypes.c_int * 26)()
assert lib.outcall(1, var) == 0 and lib.outcall(10, var) == 0
assert lib.outcall(0, var) == 0 and lib.outcall(6, var) == 0
ASSIGN = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_ssize_t)
ARRAY = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_int)
DUMP = ctypes.CFUNCTYPE(ctypes.c_int)
DUMPI = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_int, ctypes.c_int)
seen = []
first = ASSIGN(lambda a: seen.append(('first', ctypes.string_at(a))) or 11)
second = ASSIGN(lambda a: seen.append(('second', ctypes.string_at(a))) or 22)
keep = [ARRAY(lambda p, n: 0), DUMP(lambda: 0), DUMPI(lambda i, s: 0)]
lib.set_func(first, *keep)
lib.set_func(second, *keep)
var[8] = -1234
r = lib.outcall(10, var)
line = sys.stdin.readline()
print(r, seen, repr(line))
'''
    env = dict(os.environ)
    needed = subprocess.run(['ldd', LIB], capture_output=True).stdout
    if b'libasan' in needed:
        # a sanitizer build of the library needs its runtime loaded first
        asan = subprocess.run(['gcc', '-print-file-name=libasan.so'], capture_output=True,
                              text=True).stdout.strip()
        options = env.get('ASAN_OPTIONS', '')
        env.update(LD_PRELOAD=asan, ASAN_OPTIONS=(options + ':' if options else '') +
                   'detect_leaks=0')  # Python's own allocations are not ours
    p = subprocess.run([sys.executable, '-c', code, LIB], input=b'untouched\n',
                       capture_output=True, env=env, timeout=PATIENCE)
    assert p.returncode == 0, p.stderr.decode()
    assert p.stdout == b"22 [('second', b'-1234')] 'untouched\\n'\n", p.stdout


# ---- the Windows build: programs, a window and the clipboard of tests/win32 ----

def helper(name):
    return RUNNER + [os.path.join(os.environ['QUILL_HELPERS'], name + '.exe')]


def program_waited_for_and_not():
    env = dict(os.environ, ARGPRINT_DELAY='400')
    wait = argv_script(b'argprint', b'argprint', b'one two', wait=1)
    out, st = run_timed(wait + b'put 1; r = func 5; put 2;\n', env=env)
    assert out == b'1[argprint][one two]\n2', out
    assert arrival(out, st, b'2') - arrival(out, st, b'1') >= 0.38, 'returned before the end'
    # the program prints only once we let it go, after the call has returned
    run_on = argv_script(b'argprint', b'argprint', b'late')
    with tempfile.TemporaryDirectory(prefix='oc-live-') as tmp:
        def watch(p, out):
            if out == b'12':
                write(os.path.join(tmp, 'go'), b'')
        out, _ = run_timed(run_on + b'put 1; r = func 5; put 2;\n', watch=watch, cwd=tmp,
                           env=dict(os.environ, ARGPRINT_AWAIT='go'))
    assert out == b'12[argprint][late]\n', out


def window_message_is_handled_before_the_result():
    title = f'quill-receiver-{os.getpid()}'
    # two messages, each held 300 ms by the window before it answers
    rx = subprocess.Popen(helper('receiver') + [title, '2', '300'], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL)
    try:
        assert rx.stdout.readline() == b'ready\n'
        out, st = run_timed(b'w = "%s"; m = "hello, window"; put func 7; m = ""; put func 7;\n'
                            b'w = "no window is called so"; put func 7;' % title.encode())
        assert rx.stdout.read() == b'hello, window\0\0'
        assert out == b'000', out
        assert st[1] - st[0] >= 0.29, 'returned before the window answered'
        # no window, nothing to wait for: far less than a busy machine's worst delay
        assert st[2] - st[1] < 5, 'a missing window was waited for'
    finally:
        rx.kill()
        rx.wait()


def windows_clipboard_holds_text_after_the_script():
    text = 'from quill: caf\u00e9 & co'.encode()
    assert run(b'p = "%s"; put func 12;' % text) == b'0'
    got = subprocess.run(helper('clipread'), capture_output=True, timeout=PATIENCE)
    assert (got.stdout, got.returncode) == (text, 0), got


TESTS = [  # each with the build it is for: None for both
    (execute_waits_and_orders_output, 'posix'),
    (execute_without_wait_returns_at_once, 'posix'),
    (execute_leaves_no_zombie, None),
    (program_waited_for_and_not, 'win32'),
    (sleep_pauses, None),
    (message_reaches_receiver_and_waits, 'posix'),
    (message_names_in_runtime_dir_and_own_folder, 'posix'),
    (message_refused_to_another_user, 'posix'),
    (message_without_listener, 'posix'),
    (window_message_is_handled_before_the_result, 'win32'),
    (clipboard_holds_text_after_the_script, 'posix'),
    (clipboard_without_display_does_nothing, 'posix'),
    (windows_clipboard_holds_text_after_the_script, 'win32'),
    (itoa_matches_c_library, None),
    (prompt_shows_before_the_answer_is_read, None),
    (long_lines_arrive_in_pieces, None),
    (directory_listing_in_search_order, None),
    (beep_without_terminal, None),
    (beep_on_terminal, None),
    (foreign_host, None),
]


def main():
    only = sys.argv[3:]
    passed = failed = 0
    build = 'win32' if WINDOWS else 'posix'
    for test, where in TESTS:
        if where not in (None, build) or only and test.__name__ not in only:
            continue
        try:
            test()
        except Skip as s:
            print(f'SKIP {test.__name__}: {s}')
            continue
        except Exception as e:  # a crash of the check is a failure too
            failed += 1
            print(f'FAIL {test.__name__}: {type(e).__name__}: {e}')
            continue
        passed += 1
        print(f'ok   {test.__name__}')
    print(f'{passed} passed, {failed} failed')
    return 1 if failed or not passed else 0   # nothing checked is no pass


if __name__ == '__main__':
    sys.exit(main())

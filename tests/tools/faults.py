#!/usr/bin/env python3
"""Faults from outside the script: huge scripts, full disks, closed pipes,
closed standard input, files that vanish. Each must end in a defined way."""
import fcntl
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time

from checks import QUILL, WINDOWS, check, command, finish, run, skip, text  # noqa: E402

def big_scripts():
    stmt = b'a = a + 1; # a comment to make the line longer\n'
    script = stmt * (10 * 1024 * 1024 // len(stmt)) + b'put a;'
    start = time.time()
    out, err, status = run(script)
    check('a 10 MB script runs to its end', (out, err, status),
          (str(len(script) // len(stmt)).encode(), b'', len(script) // len(stmt) % 256))
    print(f'  10 MB script: {time.time() - start:.2f} s')
    # regression: a search into what was not yet read looked at every token
    # ahead of it again at each item, hours for a few megabytes
    script = b'below M; ' + b'x;' * 400_000 + b'M: put 7;'
    try:
        result = run(script, timeout=30)
    except subprocess.TimeoutExpired:
        result = 'still searching after 30 s'
    check('a jump over 400,000 items not yet read', result, (b'7', b'', 7))
    line = b's = "' + b'x' * 1_000_000 + b'"; put 1;'
    check('a string of 1,000,000 characters', run(line),
          (b'', b'token too large, exceeds YYLMAX\n', 2))


NO_FULL = '/dev/full is a Linux device; wine gives a Windows program no full disk'


def full_disk():
    if WINDOWS:
        return skip('output to a full device', NO_FULL)
    with open('/dev/full', 'wb') as full:
        p = subprocess.run([QUILL], input=b'put 1; put 2; a = 7;', stdout=full,
                           stderr=subprocess.PIPE, timeout=20)
    check('output to a full device is reported', (p.stderr, p.returncode),
          (b'#cannot write standard output (No space left on device).\n', 1))


def dead_output_ends_a_loop():
    # regression: an endless loop spun on for ever once its output was dead
    loop = b'L: put 1; puts "\n"; above L;'
    if WINDOWS:
        skip('an endless loop into a full device', NO_FULL)
    else:
        # one that prints nothing learns it from the clock's failed write, at its
        # closing above (fused into the branch before it once the loop runs)
        with open('/dev/full', 'wb') as full:
            p = subprocess.run([QUILL], input=b'put 1; L: i = i + 1; if j != 0 X; above L; X:',
                               stdout=full, stderr=subprocess.PIPE, timeout=20)
        check('an endless loop that prints nothing, its output dead, ends', (p.stderr, p.returncode),
              (b'#cannot write standard output (No space left on device).\n', 1))
        with open('/dev/full', 'wb') as full:
            p = subprocess.run([QUILL], input=loop, stdout=full, stderr=subprocess.PIPE,
                               timeout=20)
        check('an endless loop into a full device ends', (p.stderr, p.returncode),
              (b'#cannot write standard output (No space left on device).\n', 1))
    # SIGPIPE ignored, as services and some launchers run programs; Windows has none
    p = subprocess.Popen(command(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, restore_signals=False)
    p.stdin.write(loop)
    p.stdin.close()
    p.stdout.read(1)
    p.stdout.close()
    err = text(p.stderr.read())
    if WINDOWS:
        # the runtime names the pipe's Windows error as it maps it (wine: EINVAL)
        err = re.sub(rb'\((.*)\)', b'(Broken pipe)', err)
    check('an endless loop into a closed pipe ends, SIGPIPE ignored',
          (err, p.wait(timeout=20)), (b'#cannot write standard output (Broken pipe).\n', 1))


def closed_pipe():
    # an endless printer piped into a reader that stops after one byte
    start = time.time()
    quill = ' '.join(f'"{a}"' for a in command())
    p = subprocess.run(['sh', '-c', f'echo "L: put 1; above L;" | {quill} | head -c1; '
                        'echo " ${PIPESTATUS:-}"'], capture_output=True, timeout=30)
    check('a closed pipe ends the run', p.stdout[:1], b'1')
    check('no hang on a closed pipe', time.time() - start < 30, True)


NO_SIGNALS = 'Windows has no SIGTERM, and wine hands a Unix signal to no handler of quill.exe'
# every signal that ends a process by default and can be caught, but SIGPIPE (the reader is gone)
ENDING = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, signal.SIGALRM, signal.SIGUSR1,
          signal.SIGUSR2, signal.SIGQUIT, signal.SIGXCPU, signal.SIGXFSZ, signal.SIGVTALRM,
          signal.SIGPROF, signal.SIGRTMIN + 5)


def signal_name(sig):
    return signal.Signals(sig).name if sig in signal.Signals.__members__.values() \
        else f'SIGRTMIN+{sig - signal.SIGRTMIN}'


def quiet_loop_after_a_print():
    # nothing flushes while a loop computes: the print arrives because it is
    # 10 ms old, long before a loop that never ends
    p = subprocess.Popen(command(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    p.stdin.write(b'puts "first\n"; L: above L;\nE: puts "never";')   # no read at the end
    p.stdin.close()
    seen = b''
    deadline = time.time() + 30
    while b'\n' not in seen and time.time() < deadline:
        if select.select([p.stdout], [], [], 0.2)[0]:
            seen += os.read(p.stdout.fileno(), 1024)
    check('a print before an endless loop arrives', text(seen), b'first\n')
    if WINDOWS:
        p.kill()
        p.wait()
        return skip('the print is written once, whatever a SIGTERM finds', NO_SIGNALS)
    p.terminate()
    check('the print is written once, whatever a SIGTERM finds',
          (seen + p.stdout.read(), p.wait(timeout=30)), (b'first\n', -signal.SIGTERM))


def whole_lines(out):
    """The numbered lines from 0 on, none twice or left out; the last may be cut."""
    lines = out.split(b'\n')
    return lines[:-1] == [b'%d' % k for k in range(len(lines) - 1)] and \
        lines[-1] in (b'', b'%d' % (len(lines) - 1))


def signals_while_output_waits():
    if WINDOWS:
        return skip('a signal writes what waits', NO_SIGNALS)
    # one line every 1000 passes of a loop: the buffer always holds some
    script = b'n = "\n"; L: put i; puts n; i = i + 1; j = 0;\n' \
             b'M: j = j + 1; if j >= 1000 N; above M;\nN: above L;'

    def defaults():
        for sig in ENDING:
            signal.signal(sig, signal.SIG_DFL)   # as a shell may have left them ignored

    def stopped_then(sig):
        """Output read before a stop, after it, and how quill ended."""
        p = subprocess.Popen(command(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, preexec_fn=defaults)
        p.stdin.write(script)
        p.stdin.close()
        fd = p.stdout.fileno()
        before = b''
        deadline = time.time() + 30
        while before.count(b'\n') < 20 and time.time() < deadline:
            if select.select([fd], [], [], 0.2)[0]:
                before += os.read(fd, 65536)
        time.sleep(0.003)   # not just after the write that woke us: lines wait again
        os.kill(p.pid, signal.SIGSTOP)
        os.waitpid(p.pid, os.WUNTRACED)
        while select.select([fd], [], [], 0)[0]:   # all it wrote before it stopped
            before += os.read(fd, 65536)
        os.kill(p.pid, sig)
        os.kill(p.pid, signal.SIGCONT)
        return before, p.stdout.read(), p.wait(timeout=30)

    for sig in ENDING:
        for attempt in range(20):   # the stop may find the buffer just written
            before, after, status = stopped_then(sig)
            if after:
                break
        check(f'{signal_name(sig)}: what waited is written, nothing twice, then the signal '
              'ends it', (bool(after), whole_lines(before + after), status), (True, True, -sig))

    # a signal ignored by whoever started quill stays ignored
    p = subprocess.Popen(command(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL,
                         preexec_fn=lambda: signal.signal(signal.SIGHUP, signal.SIG_IGN))
    p.stdin.write(script)
    p.stdin.close()
    p.stdout.read(1)   # past its start
    with open(f'/proc/{p.pid}/status') as f:
        masks = {l.split(':')[0]: int(l.split(':')[1], 16) for l in f
                 if l.startswith(('SigIgn', 'SigCgt'))}
    p.kill()
    p.wait()
    hup = 1 << (signal.SIGHUP - 1)
    check('an ignored SIGHUP stays ignored', (masks['SigIgn'] & hup, masks['SigCgt'] & hup),
          (hup, 0))


def first_signal_ends_a_stalled_run():
    # a reader that takes nothing: quill sleeps in a write. One signal (as
    # timeout, systemd or an IDE send it) ends the run all the same
    if WINDOWS:
        return skip('one signal ends a run whose reader stalled', NO_SIGNALS)

    def in_pipe(fd):
        return int.from_bytes(fcntl.ioctl(fd, termios.FIONREAD, b'\0' * 4), 'little')

    with tempfile.TemporaryDirectory() as tmp:
        loop = os.path.join(tmp, 'loop.vt')
        with open(loop, 'wb') as f:
            f.write(b'n = "\n"; L: put i; puts n; i = i + 1; above L;')
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            read_end, write_end = os.pipe()
            p = subprocess.Popen(command('-f', loop), stdout=write_end,
                                 stderr=subprocess.DEVNULL, preexec_fn=lambda: [
                                     signal.signal(s, signal.SIG_DFL) for s in ENDING])
            os.close(write_end)
            deadline = time.time() + 30
            while time.time() < deadline:   # asleep in the write to the full pipe
                with open(f'/proc/{p.pid}/stat') as f:
                    asleep = f.read().rsplit(')', 1)[1].split()[0] == 'S'
                if asleep and in_pipe(read_end) >= 60000:
                    break
                time.sleep(0.01)
            start = time.time()
            p.send_signal(sig)
            try:
                status = p.wait(timeout=30)
            except subprocess.TimeoutExpired:
                p.kill()
                status = 'still running'
            took = time.time() - start
            with os.fdopen(read_end, 'rb') as r:
                out = r.read()
            check(f'one {sig.name} ends a run whose reader stalled, nothing twice',
                  (status, whole_lines(out)), (-sig, True))
            print(f'  {sig.name}: ended {1000 * took:.0f} ms after the signal')


def output_waits_on_the_clock():
    # a statement that computes long (a large new fills its array with zeros)
    # does not hold back a print made before it
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'new.vt')   # read at once: no read lets the print out
        with open(path, 'wb') as f:
            f.write(b'put 7; a = new 100000000; put 8;')
        start = time.time()
        p = subprocess.Popen(command('-s', '420000000', '-f', path), stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
        first = os.read(p.stdout.fileno(), 16)
        seen = time.time()
        rest = p.stdout.read()
        p.wait(timeout=60)
        end = time.time()
    check('a print goes out while a long statement computes',
          (first, rest, seen - start < (end - start) / 2), (b'7', b'8', True))
    print(f'  the print came after {1000 * (seen - start):.0f} ms of {1000 * (end - start):.0f}')


def writes_per_output():
    # quiet library calls (function 10 here) write nothing: the output goes
    # out in full blocks, and as the clock asks
    if WINDOWS:
        return skip('writes per block of output', 'counted in /proc, which only Linux has')
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'report.vt')
        with open(path, 'wb') as f:
            f.write(b'f = "%6d"; n = "\n";\n'
                    b'L: i = k; puts func 10; i = k * 3; puts func 10; i = k % 13; puts func 10;'
                    b' puts n; k = k + 1; if k >= 20000 E; above L;\n'
                    b'E: l = func 1;\n')   # then waits, reading
        p = subprocess.Popen(command('-f', path), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
        start, seen = time.time(), b''
        while seen.count(b'\n') < 20000:
            seen += os.read(p.stdout.fileno(), 65536)
        elapsed_ms = 1000 * (time.time() - start)
        with open(f'/proc/{p.pid}/io') as f:
            writes = int(next(l for l in f if l.startswith('syscw')).split()[1])
        p.stdin.close()
        p.wait(timeout=30)
    most = len(seen) // 65536 + 2 + int(elapsed_ms / 10)
    if os.environ.get('QUILL_SANITIZED'):
        most += 8   # the type checks of the code generator's objects test memory through a pipe
    check('a write per 64 KiB of output, and one per 10 ms at most', writes <= most, True)
    print(f'  {writes} writes for {len(seen)} bytes in {elapsed_ms:.0f} ms (at most {most})')


def closed_stdin():
    quill = ' '.join(f'"{a}"' for a in command())

    def run_closed(script):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, 's.vt')
            with open(path, 'wb') as f:
                f.write(script)
            p = subprocess.run(f'{quill} -f "{path}" <&-', shell=True, capture_output=True,
                               timeout=20)
        return p.stdout, p.returncode
    check('functions 1 and 2 with standard input closed',
          run_closed(b'l = func 1; put l; n = func 2; put n;'), (b'00', 0))
    # regression: the script took descriptor 0, so function 1 read the script's own text
    script = b'l = func 1; put l == 0;' + b'#' * 8000 + b'\n' + b'# padding\n' * 2000 + b'put 7;'
    check('a closed standard input is not the script', run_closed(script), (b'17', 7))


def vanishing_file():
    if WINDOWS:
        return skip('a file removed while it is read',
                    'Windows refuses to remove a file that is open')
    with tempfile.TemporaryDirectory() as tmp:
        data = os.path.join(tmp, 'data.txt')
        with open(data, 'w') as f:
            f.write('one\ntwo\nthree\n')
        # the script itself removes the file between two lines
        path = os.path.join(tmp, 's.vt')
        with open(path, 'wb') as f:
            f.write(b'n = "\n"; f = "data.txt"; puts func 15; puts n;\n'
                    b'e = "rm"; a = new 3; a[0] = "rm"; a[1] = f; t = 1; func 5;\n'
                    b'l = func 15; puts l; puts n; l = func 15; puts l; puts n; put func 15;\n')
        p = subprocess.run([QUILL, '-f', path], capture_output=True, cwd=tmp, timeout=20)
        check('a file removed while it is read', (p.stdout, p.returncode, os.path.exists(data)),
              (b'one\ntwo\nthree\n0', 0, False))


def memory_per_statement():
    # a loop holds its memory: 100 times the passes, the same peak
    def peak(passes):
        p = subprocess.Popen(command(), stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        p.stdin.write(b'L: i = i + 1; s ~ "x"; if i >= %d E; above L; E: z = 0;' % passes)
        p.stdin.close()
        return os.wait4(p.pid, 0)[2].ru_maxrss
    small, large = peak(10_000), peak(1_000_000)
    check('nothing grows per statement executed', large - small < 512, True)


def memory_per_script_byte():
    # the tokens take at most 8 bytes a byte of script; what the fast paths
    # record, at most 8 more, whatever the script
    if WINDOWS or os.environ.get('QUILL_SANITIZED'):
        return skip('memory per byte of script',
                    'peak sizes mean something only for a plain Linux build')

    def peak(script, slow=False):
        env = dict(os.environ, QUILL_SLOW='1' if slow else '0')
        p = subprocess.Popen(command(), stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, env=env)
        p.stdin.write(script)
        p.stdin.close()
        return os.wait4(p.pid, 0)[2].ru_maxrss * 1024

    def loop(body):
        return b'L:\n' + body + b'\nk = k + 1; if k < 3 M; below E;\nM: above L;\nE:\n'

    base = peak(b'')
    scripts = {'labels': (b'A:' * 1_500_000, 8), 'empty items': (loop(b';' * 3_000_000), 16),
               'tiny statements': (loop(b'1;' * 1_500_000), 16)}
    for name, (script, most) in scripts.items():
        for slow in (False, True):
            per_byte = (peak(script, slow) - base) / len(script)
            check(f'{name}: at most {most if not slow else 8} bytes a byte'
                  f'{" without the fast paths" if slow else ""}',
                  (per_byte <= (8 if slow else most), round(per_byte, 1)),
                  (True, round(per_byte, 1)))


if __name__ == '__main__':
    sys.exit(finish(big_scripts, full_disk, dead_output_ends_a_loop, memory_per_statement,
                    memory_per_script_byte, closed_pipe, closed_stdin, vanishing_file,
                    quiet_loop_after_a_print, signals_while_output_waits,
                    first_signal_ends_a_stalled_run, output_waits_on_the_clock,
                    writes_per_output))

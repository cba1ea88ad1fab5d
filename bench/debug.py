#!/usr/bin/env python3
"""quill under quill-debug against quill alone: bench/run.py's count loop of
10^7 passes, run in turn plain and debugged (a breakpoint set on a line the
run never reaches, the adapter's start and its reading of the script
included), medians of the cpu time of the whole processes.

    python3 bench/debug.py [--bin DIR] [--runs N] [--history MB]
"""
import argparse
import json
import os
import re
import resource
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = ('i = 0;\nL:\ni = i + 1;\nif i >= 10000000 E;\nabove L;\nE:\nbelow Z;\n'
          'never = 0;\nZ: z = 0;\n')
NEVER = 8   # the line of never = 0


def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def session(adapter, script, history):
    p = subprocess.Popen([adapter], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    buf, seq = b'', 0

    def send(command, **arguments):
        nonlocal seq
        seq += 1
        body = json.dumps({'seq': seq, 'type': 'request', 'command': command,
                           'arguments': arguments}).encode()
        p.stdin.write(b'Content-Length: %d\r\n\r\n' % len(body) + body)
        p.stdin.flush()

    def until(event):
        nonlocal buf
        while True:
            head = buf.find(b'\r\n\r\n')
            if head >= 0:
                n = int(re.search(rb'Content-Length: *(\d+)', buf[:head]).group(1))
                if len(buf) >= head + 4 + n:
                    m = json.loads(buf[head + 4:head + 4 + n])
                    buf = buf[head + 4 + n:]
                    if m.get('event') == event:
                        return
                    continue
            data = os.read(p.stdout.fileno(), 65536)
            if not data:
                sys.exit('quill-debug ended early')
            buf += data

    send('initialize', adapterID='vantor')
    send('launch', program=script, history=history)
    until('initialized')
    send('setBreakpoints', source={'path': script}, breakpoints=[{'line': NEVER}])
    send('configurationDone')
    until('terminated')
    send('disconnect')
    p.stdin.close()
    p.wait()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--bin', default=os.path.join(HERE, '..', 'build', 'bin'))
    ap.add_argument('--runs', type=int, default=7)
    ap.add_argument('--history', type=int, default=64, help='MB; 0: none')
    opts = ap.parse_args()
    quill, adapter = (os.path.abspath(os.path.join(opts.bin, p)) for p in ('quill', 'quill-debug'))
    with tempfile.TemporaryDirectory() as tmp:
        script = os.path.join(tmp, 'count.vt')
        with open(script, 'w') as f:
            f.write(SCRIPT)
        plain, debugged = [], []
        for _ in range(opts.runs):   # in turn: both under the same load
            t = cpu()
            subprocess.run([quill, '-f', script], check=False)
            plain.append(cpu() - t)
            t = cpu()
            session(adapter, script, opts.history)
            debugged.append(cpu() - t)
    a, b = statistics.median(plain), statistics.median(debugged)
    print(f'count loop 10^7, {opts.runs} runs in turn, medians of cpu time: quill {a * 1000:.0f} ms, '
          f'quill-debug (history {opts.history} MB) {b * 1000:.0f} ms, {b / a:.1f}x')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""quill-check on large and dense scripts, as whole processes: the median
wall time of several runs and the peak memory of the command line, and for
the language server the peak memory with a document open and edited, and
the median time from an edit to its diagnostics.

    python3 bench/check.py [--check PATH] [--runs N] [--only name,name]
"""
import argparse
import json
import os
import select
import statistics
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM = (b'a = a + 1; # count\nif a > 10 B;\ns = "hello"; puts s;\nB: put a;\n'
           b'x[i] = x[i] * 2 + (b - c) / 3;\nbelow C; C:\n')
LOOPS = b'A: b = b + 1; if b > 5 B;\nB: if b < 3 A;\n'
SCRIPTS = {   # name: (bytes, whether the server gets it too)
    'counts-16000': (b'k = 2;\n' + b'A:\n' * 16000 + b'above @ k A;\n' * 16000, True),
    'expression-1MB': (b'a = ' + b'b + ' * 250_000 + b'1;\n', False),
    'semicolons-10MB': (b';' * 10_000_000, True),
    'labels-8MB': (b'A:' * 4_000_000, True),
    'program-50MB': (PROGRAM * (50_000_000 // len(PROGRAM)), False),
    'program-10MB': (PROGRAM * (10_000_000 // len(PROGRAM)), True),
    'loops-10MB': (LOOPS * 250_000 + b'A: put b;\n', True),
}


def cli(check, path):
    """(seconds, peak bytes) of one run; the peak as /usr/bin/time sees it
    (a child of this process would count this process's pages too)."""
    start = time.monotonic()
    p = subprocess.run(['/usr/bin/time', '-f', '%M', check, path], stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)
    return time.monotonic() - start, int(p.stderr.split()[-1]) * 1024


class Server:
    def __init__(self, check):
        self.p = subprocess.Popen([check, '--lsp'], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.buf = b''

    def send(self, msg):
        body = json.dumps(msg).encode()
        self.p.stdin.write(b'Content-Length: %d\r\n\r\n' % len(body) + body)
        self.p.stdin.flush()

    def wait_for(self, want):
        """Reads messages until one for which want(msg) holds."""
        while True:
            head, sep, rest = self.buf.partition(b'\r\n\r\n')
            if sep:
                n = int(head.split(b':')[1])
                if len(rest) >= n:
                    self.buf = rest[n:]
                    msg = json.loads(rest[:n])
                    if want(msg):
                        return msg
                    continue
            select.select([self.p.stdout], [], [], 120)
            self.buf += os.read(self.p.stdout.fileno(), 1 << 20)

    def peak(self):
        with open(f'/proc/{self.p.pid}/status') as f:
            return [int(l.split()[1]) << 10 for l in f if l.startswith('VmHWM')][0]


def server(check, text, edits):
    """(median seconds from an edit to its diagnostics, peak bytes)."""
    s = Server(check)
    s.send({'jsonrpc': '2.0', 'id': 1, 'method': 'initialize', 'params': {'capabilities': {}}})
    s.wait_for(lambda m: m.get('id') == 1)
    uri = 'file:///bench.vt'
    published = lambda m: m.get('method') == 'textDocument/publishDiagnostics'
    s.send({'jsonrpc': '2.0', 'method': 'textDocument/didOpen',
            'params': {'textDocument': {'uri': uri, 'languageId': 'vantor', 'version': 1,
                                        'text': text}}})
    s.wait_for(published)
    times = []
    for v in range(edits):   # typing a blank at the top, then taking it out again
        change = {'range': {'start': {'line': 0, 'character': 0},
                            'end': {'line': 0, 'character': v % 2}}, 'text': ' ' if v % 2 == 0 else ''}
        start = time.monotonic()
        s.send({'jsonrpc': '2.0', 'method': 'textDocument/didChange',
                'params': {'textDocument': {'uri': uri, 'version': v + 2},
                           'contentChanges': [change]}})
        s.wait_for(published)
        times.append(time.monotonic() - start)
    peak = s.peak()
    s.p.stdin.close()
    s.p.wait()
    return statistics.median(times), peak


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--check', default=os.path.join(HERE, '..', 'build', 'bin', 'quill-check'))
    ap.add_argument('--runs', type=int, default=5)
    ap.add_argument('--only', default='')
    args = ap.parse_args()
    only = set(filter(None, args.only.split(',')))
    print('| script | bytes | command line: median s | peak MB | bytes a byte '
          '| server: median edit s | peak MB |')
    print('|---|---|---|---|---|---|---|')
    with tempfile.TemporaryDirectory() as tmp:
        for name, (script, serve) in SCRIPTS.items():
            if only and name not in only:
                continue
            path = os.path.join(tmp, name + '.vt')
            with open(path, 'wb') as f:
                f.write(script)
            runs = [cli(args.check, path) for _ in range(args.runs)]
            secs = statistics.median(r[0] for r in runs)
            peak = max(r[1] for r in runs)
            row = f'| {name} | {len(script):,} | {secs:.2f} | {peak / 1e6:.0f} | {peak / len(script):.1f} |'
            if serve:
                edit, speak = server(args.check, script.decode(), args.runs)
                row += f' {edit:.3f} | {speak / 1e6:.0f} |'
            else:
                row += ' | |'
            print(row, flush=True)


if __name__ == '__main__':
    main()

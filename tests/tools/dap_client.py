"""A small DAP client for the tests that drive quill-debug from Python: the
adapter on a pipe (through a runner such as wine), requests in, responses
and events out, every wait bounded."""
import json
import os
import re
import select
import subprocess


class Session:
    def __init__(self, argv, timeout=30):
        self.p = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.seq, self.buf, self.events, self.timeout = 0, b'', [], timeout

    def read(self):
        while True:
            head = self.buf.find(b'\r\n\r\n')
            if head >= 0:
                n = int(re.search(rb'Content-Length: *(\d+)', self.buf[:head]).group(1))
                if len(self.buf) >= head + 4 + n:
                    m = json.loads(self.buf[head + 4:head + 4 + n])
                    self.buf = self.buf[head + 4 + n:]
                    return m
            if not select.select([self.p.stdout], [], [], self.timeout)[0]:
                raise TimeoutError(f'quill-debug said nothing for {self.timeout} s')
            data = os.read(self.p.stdout.fileno(), 65536)
            if not data:
                raise EOFError('quill-debug ended')
            self.buf += data

    def ask(self, command, **arguments):
        self.seq += 1
        body = json.dumps({'seq': self.seq, 'type': 'request', 'command': command,
                           'arguments': arguments}).encode()
        self.p.stdin.write(b'Content-Length: %d\r\n\r\n' % len(body) + body)
        self.p.stdin.flush()
        while True:
            m = self.read()
            if m['type'] == 'response' and m['request_seq'] == self.seq:
                return m
            self.events.append(m)

    def wait(self, event):
        """The first event of that name not yet taken (taking it)."""
        while True:
            for i, e in enumerate(self.events):
                if e.get('event') == event:
                    return self.events.pop(i)
            self.events.append(self.read())

    def output(self, category, taken):
        return ''.join(e['body']['output'] for e in taken
                       if e.get('event') == 'output' and e['body']['category'] == category)

    def close(self):
        self.ask('disconnect')
        self.p.stdin.close()
        return self.p.wait(self.timeout)

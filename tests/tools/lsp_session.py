#!/usr/bin/env python3
"""quill-check --lsp: a scripted JSON-RPC session that asks every request
the server offers, messages no client should send, and a 10 MB document.
(Real editors run the README's setups in editors.py.)

    lsp_session.py QUILL_CHECK"""
import json
import os
import select
import subprocess
import sys
import time

from checks import check, finish, skip  # noqa: E402

CHECK = os.path.abspath(sys.argv[1])
DEADLINE = 30   # seconds: generous, the machine may be busy
URI = 'file:///tmp/loop.vt'
SCRIPT = '''i = 0;
L: put i;
  i = i + 1;
  if i == 3 O;
  above L;
Q: e = "HOME"; puts func 3;
s = "\u00e9"; above Q;
'''


class Server:
    def __init__(self):
        self.p = subprocess.Popen([CHECK, '--lsp'], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.buf = b''
        self.next_id = 0
        self.notes = []

    def write(self, body):
        self.p.stdin.write(b'Content-Length: %d\r\n\r\n' % len(body) + body)
        self.p.stdin.flush()

    def send(self, method, params=None, request=True):
        msg = {'jsonrpc': '2.0', 'method': method, 'params': params or {}}
        if request:
            self.next_id += 1
            msg['id'] = self.next_id
        self.write(json.dumps(msg).encode())
        return msg.get('id')

    def read(self):
        """The next message, or None at the end or past the deadline."""
        end = time.time() + DEADLINE
        while True:
            head, sep, rest = self.buf.partition(b'\r\n\r\n')
            if sep:
                length = int(head.split(b':')[1])
                if len(rest) >= length:
                    self.buf = rest[length:]
                    return json.loads(rest[:length])
            left = end - time.time()
            if left <= 0 or not select.select([self.p.stdout], [], [], left)[0]:
                return None
            chunk = os.read(self.p.stdout.fileno(), 65536)
            if not chunk:
                return None
            self.buf += chunk

    def answer(self, method, params=None):
        """The response to a request; notifications that come first are kept."""
        want = self.send(method, params)
        while True:
            msg = self.response()
            if msg is None or msg.get('id') == want:
                return msg

    def response(self):
        """The next response; notifications that come first are kept."""
        while True:
            msg = self.read()
            if msg is None or 'method' not in msg:
                return msg
            self.notes.append(msg)

    def diagnostics(self):
        """The next diagnostics the server publishes."""
        while True:
            for i, n in enumerate(self.notes):
                if n.get('method') == 'textDocument/publishDiagnostics':
                    return self.notes.pop(i)['params']['diagnostics']
            msg = self.read()
            if msg is None:
                return None
            self.notes.append(msg)


def at(line, char):
    return {'textDocument': {'uri': URI}, 'position': {'line': line, 'character': char}}


def spans(locations):
    return sorted((l['range']['start']['line'], l['range']['start']['character'],
                   l['range']['end']['character']) for l in locations or [])


def session():
    s = Server()
    early = s.answer('textDocument/hover', at(0, 0))
    check('a request before initialize', early['error']['code'], -32002)
    caps = s.answer('initialize', {'capabilities': {}})['result']['capabilities']
    check('capabilities', (caps['positionEncoding'], caps['definitionProvider'],
                           caps['textDocumentSync']['change']), ('utf-16', True, 2))
    s.send('initialized', request=False)
    s.send('textDocument/didOpen', {'textDocument': {'uri': URI, 'languageId': 'vantor',
                                                     'version': 1, 'text': SCRIPT}}, False)
    found = {(d['code'], d['range']['start']['line'], d['range']['start']['character'],
              d['severity']) for d in s.diagnostics()}
    check('the mistyped label is an error where it stands', ('VT010', 3, 12, 1) in found, True)
    check('and what it leaves unreachable', ('VT022', 5, 3, 2) in found, True)

    check('definition of above L: the first L: from the top',
          spans(s.answer('textDocument/definition', at(4, 8))['result']), [(1, 0, 1)])
    # columns count UTF-16 units: the two bytes of é are one
    check('definition after a wide character: above Q lands on Q:',
          spans(s.answer('textDocument/definition', at(6, 15))['result']), [(5, 0, 1)])
    refs = s.answer('textDocument/references',
                    dict(at(1, 0), context={'includeDeclaration': True}))['result']
    check('references of L: itself and the jump that lands there', spans(refs),
          [(1, 0, 1), (4, 8, 9)])
    outline = s.answer('textDocument/documentSymbol', {'textDocument': {'uri': URI}})['result']
    check('the labels as the outline', [(o['name'], o['detail']) for o in outline],
          [('L', 'line 2'), ('Q', 'line 6')])

    hover = lambda l, c: (s.answer('textDocument/hover', at(l, c))['result'] or
                          {'contents': {'value': ''}})['contents']['value']
    check('hover on func 3', ('environment' in hover(5, 22), 'Reads `e` (a text)' in hover(5, 25)),
          (True, True))
    check('hover on a keyword and on a label',
          (hover(1, 4).startswith('`put x` prints'), hover(4, 8)),
          (True, '**label L**: 1 definition (line 2), 1 jump to it'))
    after_func = s.answer('textDocument/completion', at(5, 26))['result']
    check('completion after func: the services', [i['label'] for i in after_func][:4],
          ['-2', '-1', '0', '1'])
    anywhere = [i['label'] for i in s.answer('textDocument/completion', at(2, 0))['result']]
    check('completion elsewhere: keywords and labels', ('below' in anywhere, 'L' in anywhere,
                                                        'O' in anywhere), (True, True, False))

    renamed = s.answer('textDocument/rename', dict(at(1, 0), newName='M'))['result']
    check('rename L to M: the definition and the jump',
          spans(renamed['changes'][URI]), [(1, 0, 1), (4, 8, 9)])
    check('rename onto a label in use, or not to a label',
          [s.answer('textDocument/rename', dict(at(1, 0), newName=n))['error']['code']
           for n in ('Q', 'ab')], [-32602, -32602])

    # the client sends the edit alone: the server parses again only around it
    edit = {'range': {'start': {'line': 3, 'character': 12}, 'end': {'line': 3, 'character': 13}},
            'text': 'Q'}
    s.send('textDocument/didChange', {'textDocument': {'uri': URI, 'version': 2},
                                      'contentChanges': [edit]}, False)
    after_edit = s.diagnostics()
    check('the fix clears the error', [d['code'] for d in after_edit if d['severity'] == 1], [])
    fresh = 'file:///tmp/fresh.vt'
    s.send('textDocument/didOpen', {'textDocument': {
        'uri': fresh, 'languageId': 'vantor', 'version': 1,
        'text': SCRIPT.replace('if i == 3 O;', 'if i == 3 Q;')}}, False)
    check('after the edit, the same findings as the whole text gives', after_edit,
          s.diagnostics())

    check('an unknown method', s.answer('textDocument/inlayHint', at(0, 0))['error']['code'],
          -32601)
    s.write(b'{"jsonrpc": "2.0", "id": 99, "method": ')
    check('a message that is no JSON', s.read()['error']['code'], -32700)
    s.send('textDocument/didClose', {'textDocument': {'uri': URI}}, False)
    check('closing clears the diagnostics', s.diagnostics(), [])
    check('shutdown', s.answer('shutdown')['result'], None)
    s.send('exit', request=False)
    check('exit after shutdown: status 0', s.p.wait(DEADLINE), 0)

    gone = Server()
    gone.answer('initialize', {'capabilities': {'general': {'positionEncodings': ['utf-8']}}})
    gone.p.stdin.close()
    check('a client that goes away ends the server', gone.p.wait(DEADLINE), 1)


def hostile():
    """Messages no editor sends: each gets an answer or a word on stderr, and
    the server goes on."""
    s = Server()
    for general in (None, 5, 'utf-8', [], {}, {'positionEncodings': 'utf-8'}):
        caps = s.answer('initialize', {'capabilities': {'general': general}})
        check(f'initialize with general = {general!r}: UTF-16 columns',
              caps and caps['result']['capabilities']['positionEncoding'], 'utf-16')
    s.send('textDocument/didOpen', {'textDocument': {'uri': URI, 'languageId': 'vantor',
                                                     'version': 1, 'text': SCRIPT}}, False)
    deep = b'{"jsonrpc": "2.0", "id": 7, "method": "textDocument/hover", "params": ' + \
        b'{"a": ' * 100000 + b'1' + b'}' * 100000 + b'}'
    s.write(deep)
    check('params nested 100,000 deep: refused', s.response()['error']['code'], -32600)
    for batch in (b'[{"jsonrpc": "2.0", "id": 8, "method": "shutdown"}]', b'5', b'"x"', b'{}'):
        s.write(batch)
        reply = s.response()
        check(f'{batch[:20]!r}: not a request', (reply['id'], reply['error']['code']),
              (None, -32600))
    wrong = s.answer('textDocument/hover', {'textDocument': [], 'position': 5})['error']
    check('a parameter of the wrong kind is named', (wrong['code'], wrong['message']),
          (-32602, 'textDocument.uri is missing'))
    check('a position that is not one is named',
          s.answer('textDocument/definition', {'textDocument': {'uri': URI},
                                               'position': {'line': 'x'}})['error']['message'],
          'position needs a line and a character, both numbers')
    for line in (4294967297, 2 ** 31, 2 ** 63, -1, 1e300, 4.5):
        got = [s.answer(m, at(line, 0))['result'] for m in
               ('textDocument/definition', 'textDocument/references', 'textDocument/hover',
                'textDocument/completion')]
        check(f'line {line}: nothing there (4294967297 is not line 1)', got,
              [None, None, None, []])
    check('definition with the cursor just after the label',
          spans(s.answer('textDocument/definition', at(4, 9))['result']), [(1, 0, 1)])
    backwards = {'range': {'start': {'line': 1, 'character': 3},
                           'end': {'line': 1, 'character': 0}}, 'text': 'M: '}
    s.send('textDocument/didChange', {'textDocument': {'uri': URI, 'version': 2},
                                      'contentChanges': [backwards]}, False)
    outline = s.answer('textDocument/documentSymbol', {'textDocument': {'uri': URI}})['result']
    check('a change whose range ends before it starts is not made',
          [o['name'] for o in outline], ['L', 'Q'])
    s.p.stdin.close()
    check('still serving: ends when the client goes', s.p.wait(DEADLINE), 1)

    for length in (b'abc', b'-5', b'18446744073709551616', b'1e15', None):
        head = b'Content-Length: %s\r\n' % length if length else b'Content-Type: x\r\n'
        p = subprocess.run([CHECK, '--lsp'], input=head + b'\r\n{}', capture_output=True,
                           timeout=DEADLINE)
        check(f'Content-Length {length}: said on stderr, status 1',
              (p.returncode, b'Content-Length' in p.stderr), (1, True))


def big_document():
    """10 MB of labels and jumps, and a burst of edits typed faster than the
    server checks: it answers on the last text and publishes only that."""
    s = Server()
    s.answer('initialize', {'capabilities': {}})
    big = 'file:///tmp/big.vt'
    text = 'A: b = b + 1; if b > 5 B;\nB: if b < 3 A;\n' * 250000 + 'A: put b;\n'
    s.send('textDocument/didOpen', {'textDocument': {'uri': big, 'languageId': 'vantor',
                                                     'version': 1, 'text': text}}, False)
    opened = s.diagnostics()
    check('a 10 MB document of labels: checked, no error',
          opened is not None and [d for d in opened if d['severity'] == 1], [])

    def change(version, text):
        edit = {'range': {'start': {'line': 0, 'character': 23},
                          'end': {'line': 0, 'character': 24}}, 'text': text}
        return {'jsonrpc': '2.0', 'method': 'textDocument/didChange',
                'params': {'textDocument': {'uri': big, 'version': version},
                           'contentChanges': [edit]}}
    ask = {'jsonrpc': '2.0', 'id': 500, 'method': 'textDocument/definition',
           'params': {'textDocument': {'uri': big}, 'position': {'line': 0, 'character': 23}}}
    burst = b''
    for msg in (change(2, 'O'), change(3, 'B'), ask):   # one write: all waiting at once
        body = json.dumps(msg).encode()
        burst += b'Content-Length: %d\r\n\r\n' % len(body) + body
    s.p.stdin.write(burst)
    s.p.stdin.flush()
    answer = s.read()
    while answer is not None and answer.get('id') != 500:
        s.notes.append(answer)
        answer = s.read()
    check('after the burst, definition on the last text', answer and spans(answer['result']),
          [(1, 0, 1)])
    after = s.diagnostics()
    check('the mistyped label of the middle edit was never published',
          after is not None and [d['code'] for d in after if d['severity'] == 1], [])
    s.p.stdin.close()
    s.p.wait(DEADLINE)


if __name__ == '__main__':
    sys.exit(finish(session, hostile, big_document))

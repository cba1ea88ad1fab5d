#!/usr/bin/env python3
"""Editor and shell support against the real tools: Vim's syntax file,
filetype detection and compiler file, the TextMate grammar under Oniguruma
(the regex engine such grammars are written for), the nano syntax file in a
terminal, the bash completion, and the README's setups for Vim, Neovim and
Emacs (eglot, and dap-mode with quill-debug), taken out of README.md and run as
written.

Usage: editors.py vim|textmate|nano|completion SOURCE_ROOT
       editors.py readme SOURCE_ROOT QUILL_CHECK
"""
import ctypes
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import time

ROOT = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else '.'
EDITORS = os.path.join(ROOT, 'editors')

# One sample with every kind of token; the checks below point into it.
SAMPLE = '''#!/usr/bin/env -S quill -f
# three bases, and a text over two lines
n = "
";
a = 017 + 0x1F + 42; putsn;
L: if a > 0 M; below E;
M: above @ 1 L;
E:
'''
# Files without .vt that are scripts by their #! line, and one that is not.
SHEBANGS = {'greet': '#!/usr/bin/env -S quill -f', 'answer': '#!/usr/bin/quill -f',
            'other': '#!/bin/sh'}
# (text that marks a place in the sample, offset into it, what stands there)
SPOTS = [
    ('#!/usr', 0, 'comment'), ('# three', 8, 'comment'),
    ('n = "', 4, 'string'), ('";', 0, 'string'),
    ('017', 0, 'octal'), ('017', 2, 'octal'),
    ('0x1F', 1, 'hex'), ('0x1F', 3, 'hex'), ('42', 1, 'decimal'),
    ('putsn', 0, 'keyword'), ('putsn', 3, 'keyword'), ('putsn', 4, 'variable'),
    ('a = 017', 0, 'variable'), ('a = 017', 2, 'operator'), ('42;', 2, 'terminator'),
    ('L: if', 0, 'label'), ('L: if', 3, 'jump'), ('0 M;', 2, 'label'),
    ('a > 0', 2, 'operator'), ('below E', 0, 'jump'), ('below E', 6, 'label'),
    ('@ 1 L', 0, 'operator'),
]


def spots():
    """(line, column, kind), both counted from 1 as editors do."""
    lines = SAMPLE.split('\n')
    for needle, offset, kind in SPOTS:
        row = next(i for i, line in enumerate(lines) if needle in line)
        yield row + 1, lines[row].index(needle) + offset + 1, kind


results = []
skipped = []


def check(title, got, want):
    results.append(got == want)
    if got != want:
        print(f'FAIL {title}\n  expected {want!r}\n  got      {got!r}')


def skip(title, reason):
    skipped.append(title)
    print(f'SKIP {title}: {reason}')


def classify(title, got_by_spot, want_by_kind):
    """got_by_spot: what the editor reports at each spot, in SPOTS order."""
    for (line, col, kind), got in zip(spots(), got_by_spot):
        check(f'{title}: {kind} at line {line} column {col}', got, want_by_kind[kind])


def vim_run(tmp, *args):
    """Vim without a vimrc: only the runtime and our folder, as an installed copy is found."""
    subprocess.run(['vim', '-Es', '-N', '-u', 'NONE', '-i', 'NONE',
                    '--cmd', 'set rtp^=' + os.path.join(EDITORS, 'vim'), *args],
                   cwd=tmp, timeout=30, stdin=subprocess.DEVNULL, capture_output=True)


def vim():
    groups = {'comment': 'vantorComment', 'string': 'vantorString',
              'keyword': 'vantorKeyword', 'jump': 'vantorKeyword', 'label': 'vantorLabel',
              'variable': 'vantorVariable', 'operator': 'vantorOperator',
              'terminator': 'vantorOperator', 'octal': 'vantorOctal', 'hex': 'vantorHex',
              'decimal': 'vantorNumber'}
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, 'sample.vt'), 'w') as f:
            f.write(SAMPLE)
        for name, line in SHEBANGS.items():
            with open(os.path.join(tmp, name), 'w') as f:
                f.write(line + '\nput 1;\n')
        with open(os.path.join(tmp, 'report.vim'), 'w') as f:
            f.write('let r = [&filetype]\n')
            for line, col, _ in spots():
                f.write(f"call add(r, synIDattr(synID({line}, {col}, 1), 'name'))\n")
            for name in SHEBANGS:
                f.write(f'edit {name}\ncall add(r, &filetype)\n')
            f.write("call writefile(r, 'report.txt')\nqall!\n")
        vim_run(tmp, '--cmd', 'filetype on', '--cmd', 'syntax on', 'sample.vt', '-S', 'report.vim')
        with open(os.path.join(tmp, 'report.txt')) as f:
            report = f.read().split('\n')
    check('vim: *.vt is detected as vantor', report[0], 'vantor')
    classify('vim', report[1:len(SPOTS) + 1], groups)
    check('vim: a #! line naming quill makes a script vantor', report[len(SPOTS) + 1:-1],
          ['vantor', 'vantor', 'sh'])


# Vim's own gd goes to the first L, in the comment; the server's to L:
LOOP = 'i = 0;   # counts with L\nL: put i;\n  i = i + 1;\n  if i == 3 O;\n  above L;\nQ: z = 0;\n'
VT010 = 'no `O:` after this jump: the search skips the rest of the script without a word'


def readme_block(after, lang):
    """The first ```lang block of README.md after the text after, as a user copies it."""
    with open(os.path.join(ROOT, 'README.md')) as f:
        text = f.read()
    block = re.compile(r'^( *)```' + lang + r'\n(.*?)^\1```', re.M | re.S)
    return textwrap.dedent(block.search(text, text.index(after)).group(2))


def editor_run(tmp, argv):
    """An editor on loop.vt in tmp, its setup from the README already there;
    what the probe it runs wrote to result, as lines (None: no such editor)."""
    if not shutil.which(argv[0]):
        return skip(argv[0], 'not installed')
    with open(os.path.join(tmp, 'loop.vt'), 'w') as f:
        f.write(LOOP)
    # no settings of the user running the tests
    env = dict(os.environ, HOME=tmp, XDG_CONFIG_HOME=tmp, XDG_DATA_HOME=tmp, XDG_STATE_HOME=tmp)
    subprocess.run(argv, cwd=tmp, env=env, timeout=120, stdin=subprocess.DEVNULL,
                   capture_output=True)
    path = os.path.join(tmp, 'result')
    return open(path).read().splitlines() if os.path.exists(path) else []


def readme_vim(tmp):
    """The vimrc lines, with the package's files: :make fills the quickfix list."""
    with open(os.path.join(tmp, 'vimrc'), 'w') as f:
        f.write(readme_block('In Vim, `:compiler quill`', 'vim'))
    got = editor_run(tmp, [
        'vim', '-Es', '-N', '-u', 'vimrc', '-i', 'NONE',
        '--cmd', 'set rtp^=' + os.path.join(EDITORS, 'vim'), 'loop.vt', '-c', 'silent make!',
        '-c', 'call writefile(map(getqflist(), {_, e -> string([bufname(e.bufnr), e.lnum, '
        'e.col, e.type, e.text])}), "result")', '-c', 'qall!'])
    if got is not None:
        check('README, Vim: :make fills the quickfix list', got[:1],
              [f"['loop.vt', 4, 13, 'e', '{VT010} [VT010]']"])


NVIM_PROBE = '''
vim.wait(30000, function() return #vim.diagnostic.get(0) > 0 end, 50)
local out = {vim.bo.filetype}
for _, d in ipairs(vim.diagnostic.get(0)) do
  table.insert(out, string.format('%s %d:%d %s', d.code, d.lnum, d.col, d.message))
end
vim.api.nvim_win_set_cursor(0, {5, 8})
vim.cmd('normal gd')
vim.wait(30000, function() return vim.api.nvim_win_get_cursor(0)[1] ~= 5 end, 50)
local cur = vim.api.nvim_win_get_cursor(0)
table.insert(out, string.format('cursor %d:%d', cur[1], cur[2]))
vim.fn.writefile(out, 'result')
vim.cmd('qall!')
'''


def readme_neovim(tmp):
    """The init.lua: the client attaches, shows the finding, and gd follows the jump."""
    with open(os.path.join(tmp, 'init.lua'), 'w') as f:
        f.write(readme_block('**Neovim**', 'lua'))
    with open(os.path.join(tmp, 'probe.lua'), 'w') as f:
        f.write(NVIM_PROBE)
    got = editor_run(tmp, ['nvim', '--headless', '-u', 'init.lua', '-i', 'NONE',
                                       '-c', 'luafile probe.lua', 'loop.vt'])
    if got is not None:
        check('README, Neovim: a Vantor buffer with the finding, and gd to L:',
              (got[:1], f'VT010 3:12 {VT010}' in got, got[-1:]),
              (['vantor'], True, ['cursor 2:0']))


EMACS_PROBE = '''
(package-activate-all)   ; as an interactive start does, for Debian's eglot
(find-file "loop.vt")
(call-interactively #'eglot)
(let ((deadline (+ (float-time) 30)))
  (while (and (null (flymake-diagnostics)) (< (float-time) deadline))
    (accept-process-output nil 0.1)))
(let ((lines (cons (symbol-name major-mode)
                   (mapcar (lambda (d) (format "%d %s" (line-number-at-pos (flymake-diagnostic-beg d))
                                               (flymake-diagnostic-text d)))
                           (flymake-diagnostics)))))
  (with-temp-file "result" (insert (mapconcat #'identity lines "\\n") "\\n")))
(kill-emacs 0)
'''


def readme_emacs(tmp):
    """The init.el with Debian's eglot: M-x eglot connects, Flymake shows the finding."""
    with open(os.path.join(tmp, 'init.el'), 'w') as f:
        f.write(readme_block('**Emacs**', 'elisp'))
    with open(os.path.join(tmp, 'probe.el'), 'w') as f:
        f.write(EMACS_PROBE)
    got = editor_run(tmp, ['emacs', '--batch', '-l', 'init.el', '-l', 'probe.el'])
    if got is not None:
        check('README, Emacs: eglot connects and Flymake shows the finding', got[:2],
              ['vantor-mode', f'4 quill-check [VT010]: {VT010}'])


# Each stop's top frame, going on after each, then what the script printed.
DAP_PROBE = '''
(find-file "loop.vt")
(goto-char (point-min))
(forward-line 4)
(dap-breakpoint-add)
(defvar probe-session nil)
(defvar probe-stops nil)
(add-hook 'dap-stopped-hook (lambda (s) (setq probe-session s)))
(defun probe-wait (done)
  (let ((deadline (+ (float-time) 30)))
    (while (and (not (funcall done)) (< (float-time) deadline))
      (accept-process-output nil 0.1))))
(dap-debug (cdr (assoc "Vantor: this script" dap-debug-template-configurations)))
(dotimes (_ 5)
  (probe-wait (lambda () (or probe-session (and (dap--cur-session)
                                                 (not (dap--session-running (dap--cur-session)))))))
  (when probe-session
    (probe-wait (lambda () (dap--debug-session-active-frame probe-session)))
    (let ((frame (dap--debug-session-active-frame probe-session)) (s probe-session))
      (push (format "%s %s" (gethash "name" frame) (gethash "line" frame)) probe-stops)
      (setq probe-session nil)
      (dap-continue s (dap--debug-session-thread-id s)))))
(probe-wait (lambda () (not (dap--session-running (dap--cur-session)))))
(with-temp-file "result"
  (insert (mapconcat #'identity (reverse probe-stops) "\\n") "\\n"
          (with-current-buffer (dap--debug-session-output-buffer (dap--cur-session))
            (buffer-string))))
(kill-emacs 0)
'''


def readme_dap_mode(tmp):
    """The dap-mode lines with Debian's dap-mode: two stops at a breakpoint, one at the
    jump whose label is never found, and the script's output."""
    if not glob.glob('/usr/share/emacs/site-lisp/elpa/dap-mode-*'):
        return skip('dap-mode', 'elpa-dap-mode not installed')
    with open(os.path.join(tmp, 'init.el'), 'w') as f:
        f.write(readme_block('**Emacs** with dap-mode', 'elisp'))
    with open(os.path.join(tmp, 'probe.el'), 'w') as f:
        f.write(DAP_PROBE)
    # the packages activated before init.el, as an interactive start does
    got = editor_run(tmp, ['emacs', '--batch', '--eval', '(package-activate-all)', '-l', 'init.el',
                           '-l', 'probe.el'])
    if got is not None:
        check('README, Emacs: dap-mode stops at the breakpoint and the lost label, shows output',
              got, ['above L 5', 'above L 5', 'if i == 3 O 4', '012'])


def readme():
    bindir = os.path.dirname(os.path.abspath(sys.argv[3]))
    os.environ['PATH'] = bindir + os.pathsep + os.environ.get('PATH', '')
    for run in (readme_vim, readme_neovim, readme_emacs, readme_dap_mode):
        with tempfile.TemporaryDirectory() as tmp:
            run(tmp)


class Onig:
    """Just enough of libonig to compile a pattern and search a line."""

    class Region(ctypes.Structure):
        _fields_ = [('allocated', ctypes.c_int), ('num_regs', ctypes.c_int),
                    ('beg', ctypes.POINTER(ctypes.c_int)),
                    ('end', ctypes.POINTER(ctypes.c_int)), ('history', ctypes.c_void_p)]

    def __init__(self):
        lib = self.lib = ctypes.CDLL('libonig.so.5')
        self.utf8 = ctypes.addressof(ctypes.c_char.in_dll(lib, 'OnigEncodingUTF8'))
        self.syntax = ctypes.addressof(ctypes.c_char.in_dll(lib, 'OnigSyntaxOniguruma'))
        lib.onig_initialize((ctypes.c_void_p * 1)(self.utf8), 1)
        lib.onig_new.argtypes = [ctypes.POINTER(ctypes.c_void_p)] + [ctypes.c_void_p] * 2 + [
            ctypes.c_uint] + [ctypes.c_void_p] * 3
        lib.onig_search.argtypes = [ctypes.c_void_p] * 6 + [ctypes.c_uint]
        lib.onig_region_new.restype = ctypes.POINTER(Onig.Region)
        self.region = lib.onig_region_new()

    def compile(self, pattern):
        text = ctypes.create_string_buffer(pattern.encode())
        start = ctypes.addressof(text)
        reg = ctypes.c_void_p()
        err = (ctypes.c_char * 64)()   # OnigErrorInfo
        code = self.lib.onig_new(ctypes.byref(reg), start, start + len(pattern.encode()), 0,
                                 self.utf8, self.syntax, err)
        if code != 0:
            msg = ctypes.create_string_buffer(256)
            self.lib.onig_error_code_to_str(msg, code, err)
            raise ValueError(f'{pattern!r}: {msg.value.decode()}')
        return reg

    def search(self, reg, buf, length, pos):
        base = ctypes.addressof(buf)
        if self.lib.onig_search(reg, base, base + length, base + pos, base + length,
                                self.region, 0) < 0:
            return None
        return self.region.contents.beg[0], self.region.contents.end[0]


def textmate():
    path = os.path.join(EDITORS, 'textmate', 'vantor.tmLanguage.json')
    with open(path) as f:
        grammar = json.load(f)
    with open(os.path.join(EDITORS, 'textmate', 'package.json')) as f:
        contributes = json.load(f)['contributes']
    manifest, language = contributes['grammars'][0], contributes['languages'][0]
    check('textmate: the manifest names the grammar, and knows its first lines',
          (manifest['scopeName'], os.path.normpath(manifest['path']), language['firstLine']),
          (grammar['scopeName'], os.path.basename(path), grammar['firstLineMatch']))

    onig = Onig()
    first = onig.compile(grammar['firstLineMatch'])
    found = []
    for line in SHEBANGS.values():
        buf = ctypes.create_string_buffer(line.encode())
        found.append(onig.search(first, buf, len(line.encode()), 0) is not None)
    check('textmate: firstLineMatch takes a #! line naming quill', found, [True, True, False])
    failures = []

    def rules(patterns):
        """Includes resolved, every pattern compiled, in the grammar's order."""
        for p in patterns:
            if 'include' in p:
                yield from rules([grammar['repository'][p['include'][1:]]])
            elif 'patterns' in p and 'begin' not in p:
                yield from rules(p['patterns'])
            else:
                for key in ('match', 'begin', 'end'):
                    if key in p and '_' + key not in p:
                        try:
                            p['_' + key] = onig.compile(p[key])
                        except ValueError as e:
                            failures.append(str(e))
                            p['_' + key] = None
                yield p

    top = list(rules(grammar['patterns']))
    check('textmate: every pattern compiles', failures, [])
    if failures:
        return

    # Lines are fed one at a time with their line feed, as editors do; a
    # begin/end rule stays open across lines.
    scopes = {}
    stack = []
    for number, line in enumerate(SAMPLE.split('\n'), 1):
        data = (line + '\n').encode()
        buf = ctypes.create_string_buffer(data)
        pos = 0
        while pos < len(data):
            open_rule = stack[-1] if stack else None
            inner = list(rules(open_rule.get('patterns', []))) if open_rule else top
            cands = ([('end', open_rule['_end'], open_rule)] if open_rule else []) + [
                ('begin' if 'begin' in r else 'match', r.get('_begin') or r['_match'], r)
                for r in inner]
            best = None
            for kind, reg, rule in cands:   # the earliest match; on a tie, the first
                m = onig.search(reg, buf, len(data), pos)
                if m and (best is None or m[0] < best[0][0]):
                    best = (m, kind, rule)
            outer = [r['name'] for r in stack if 'name' in r]
            (beg, end), kind, rule = best or ((len(data), len(data)), None, None)
            for c in range(pos, beg):
                scopes[number, c + 1] = outer
            if kind == 'end':
                stack.pop()
            elif kind == 'begin':
                stack.append(rule)
                outer = outer + [rule['name']]
            elif kind == 'match':
                outer = outer + [rule['name']]
            for c in range(beg, end):
                scopes[number, c + 1] = outer
            pos = max(end, pos + 1)

    kinds = {'comment': 'comment.line.number-sign.vantor',
             'string': 'string.quoted.double.vantor',
             'keyword': 'keyword.other.vantor', 'jump': 'keyword.control.jump.vantor',
             'label': 'entity.name.label.vantor', 'variable': 'variable.other.vantor',
             'operator': 'keyword.operator.vantor',
             'terminator': 'punctuation.terminator.statement.vantor',
             'octal': 'constant.numeric.octal.vantor', 'hex': 'constant.numeric.hex.vantor',
             'decimal': 'constant.numeric.decimal.vantor'}
    classify('textmate', [(scopes.get((line, col)) or ['(none)'])[-1]
                          for line, col, _ in spots()], kinds)


def nano_screen(name):
    """The sample saved as name, in nano in a detached tmux pane, as the pane paints it."""
    # a server of its own: the last one may still be going away
    sock = f'quill-nano-{os.getpid()}-{name}'
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, name), 'w') as f:
            f.write(SAMPLE)
        rc = os.path.join(EDITORS, 'nano', 'vantor.nanorc')
        tmux = ['tmux', '-L', sock, '-f', '/dev/null']
        subprocess.run(tmux + ['new-session', '-d', '-x', '100', '-y', '30', '-c', tmp,
                               f"TERM=xterm-256color nano --rcfile='{rc}' {name}"],
                       check=True, timeout=30)
        try:
            # until the whole sample is on the screen and the screen has settled
            screen, last = '', None
            deadline = time.time() + 30
            while (screen != last or 'E:' not in re.sub(r'\x1b\[[0-9;]*m', '', screen)) \
                    and time.time() < deadline:
                time.sleep(0.1)
                last, screen = screen, subprocess.run(
                    tmux + ['capture-pane', '-p', '-e'], timeout=30,
                    capture_output=True, text=True).stdout
        finally:
            subprocess.run(tmux + ['kill-server'], capture_output=True, timeout=30)
    return screen


def painted(screen):
    """Rows of (character, (bold, colour)); a colour runs on into the next row."""
    bold, fg, rows = False, None, [[]]
    for sgr, ch in re.findall(r'\x1b\[([0-9;]*)m|(.)', screen, re.S):
        if ch == '\n':
            rows.append([])
            continue
        if ch:
            rows[-1].append((ch, (bold, fg)))
            continue
        codes = [int(c) for c in sgr.split(';') if c] or [0]
        i = 0
        while i < len(codes):
            c = codes[i]
            if c == 0:
                bold, fg = False, None
            elif c == 1:
                bold = True
            elif c == 22:
                bold = False
            elif 30 <= c <= 37 or 90 <= c <= 97:
                fg = c
            elif c == 39:
                fg = None
            elif c == 38:
                fg, i = tuple(codes[i:i + 3]), i + 2
            i += 1
    return rows


def nano_spots(screen):
    """The colour at each spot, or None when the sample is not on the screen."""
    rows = painted(screen)
    texts = [''.join(ch for ch, _ in r).rstrip() for r in rows]
    lines = SAMPLE.split('\n')
    colours = []
    for line, col, _ in spots():
        if lines[line - 1] not in texts:
            check('nano: the sample is on the screen', screen, lines[line - 1])
            return None
        colours.append(rows[texts.index(lines[line - 1])][col - 1][1])
    return colours


def nano():
    by_spot = nano_spots(nano_screen('sample.vt'))
    if by_spot is None:
        return
    seen = {}
    for (_, _, kind), colour in zip(spots(), by_spot):
        kind = {'octal': 'number', 'hex': 'number', 'decimal': 'number',
                'jump': 'keyword', 'terminator': 'operator'}.get(kind, kind)
        seen.setdefault(kind, set()).add(colour)
    # nano's colours are a matter of taste; what counts is that kinds are told apart
    check('nano: each kind has one colour', {k: len(v) for k, v in seen.items()},
          {k: 1 for k in seen})
    colours = {next(iter(v)) for v in seen.values()} - {(False, None)}
    check('nano: every kind has a colour of its own, none plain', len(colours), len(seen))
    # the sample starts with #!/usr/bin/env -S quill -f
    check('nano: a #! line naming quill paints a file without .vt the same',
          nano_spots(nano_screen('greet')), by_spot)


def completion():
    with tempfile.TemporaryDirectory() as tmp:
        for name in ('a.vt', 'b.txt', 'c d.vt'):
            open(os.path.join(tmp, name), 'w').close()
        os.mkdir(os.path.join(tmp, 'sub'))

        def complete(*words):
            script = os.path.join(EDITORS, 'bash-completion', words[0])
            code = (f'source "{script}"; COMP_WORDS=({" ".join(map(repr, words))}); '
                    'COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); '
                    # the function the script hooks to the command
                    f'f=$(complete -p {words[0]}); f=${{f#* -F }}; ${{f%% *}}; '
                    'for w in "${COMPREPLY[@]}"; do echo "$w"; done | LC_ALL=C sort')
            return subprocess.run(['bash', '--norc', '-c', code], cwd=tmp, text=True,
                                  capture_output=True, timeout=30).stdout.split('\n')[:-1]

        check('completion: the options', complete('quill', '-'),
              ['-H', '-f', '-g', '-h', '-s'])
        check('completion: -f offers scripts and folders', complete('quill', '-g', '-f', ''),
              ['a.vt', 'c d.vt', 'sub'])
        check('completion: nothing for a size', complete('quill', '-s', ''), [])

        check('completion: quill-check takes scripts and folders', complete('quill-check', ''),
              ['a.vt', 'c d.vt', 'sub'])
        check('completion: quill-check\'s long options', complete('quill-check', '--'),
              ['--all', '--exclude', '--format', '--help', '--lsp', '--quill-lines',
               '--severity', '--version'])
        check('completion: the formats, at --format= as bash splits it',
              complete('quill-check', '--format', '='),
              ['gcc', 'json'])


if __name__ == '__main__':
    {'vim': vim, 'readme': readme, 'textmate': textmate, 'nano': nano,
     'completion': completion}[sys.argv[1]]()
    print(f'{sum(results)} passed, {len(results) - sum(results)} failed' +
          (f', {len(skipped)} skipped' if skipped else ''))
    sys.exit(0 if results and all(results) else 1)

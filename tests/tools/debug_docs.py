#!/usr/bin/env python3
"""The README's debugging section against quill-debug: its walk through a
loop that ends too early is run as a session and must show what the text
says, and the editor setups' JSON (and the VS Code extension's manifest)
must parse and name only launch attributes that quill-debug(1) lists and
exception filters that quill-debug offers.

Usage: debug_docs.py SOURCE_ROOT QUILL_DEBUG   (quill and quill-check beside it)
"""
import json
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from dap_client import Session  # noqa: E402

ROOT = os.path.abspath(sys.argv[1])
ADAPTER = os.path.abspath(sys.argv[2])
BIN = os.path.dirname(ADAPTER)
results = []


def check(title, got, want):
    results.append(got == want)
    if got != want:
        print(f'FAIL {title}\n  expected {want!r}\n  got      {got!r}')


def readme():
    with open(os.path.join(ROOT, 'README.md')) as f:
        text = f.read()
    return text[text.index('## Debugging: quill-debug'):text.index('## Editors and the shell')]


def block(text, after, lang=''):
    """The first ```lang block after the text after."""
    m = re.compile(r'^( *)```' + lang + r'\n(.*?)^\1```', re.M | re.S).search(
        text, text.index(after))
    return re.sub(r'^' + m.group(1), '', m.group(2), flags=re.M)


def walkthrough(text):
    part = text[text.index('### A loop that ends too early'):]
    script = block(part, '### A loop')
    stack = [re.split(r'\s{2,}', line) for line in block(part, 'call stack reads', 'text').splitlines()]
    shown = dict(line.split(' = ') for line in block(part, 'Variables say', 'text').splitlines())
    watch, total = re.search(r'a watch on `([^`]+)` shows (\d+)', part).groups()
    times, back_line, back_var, back_value = re.search(
        r'Step back (once|twice) and the run stands on line (\d+),\s+`[^`]+`,\s+with\s+`(\w)`\s+at\s+(\d+)',
        part).groups()
    line, fixed = re.search(r'line (\d+) becomes `([^`]+)`', part).groups()
    first, last = (re.search(r'It prints (\d+)', part).group(1),
                   re.search(r'the script prints (\d+)', part).group(1))
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'sum.vt')
        with open(path, 'w') as f:
            f.write(script)
        checked = subprocess.run([os.path.join(BIN, 'quill-check'), path], capture_output=True)
        check('walk-through: quill-check finds nothing', checked.returncode, 0)

        s = Session([ADAPTER])
        s.ask('initialize', adapterID='vantor')
        s.ask('launch', program=path)
        last_line = len(script.splitlines())
        check('walk-through: the breakpoint on the last line, ' + str(last_line),
              s.ask('setBreakpoints', source={'path': path},
                    breakpoints=[{'line': last_line}])['body']['breakpoints'][0]['line'],
              last_line)
        s.ask('configurationDone')
        s.wait('stopped')
        frames = s.ask('stackTrace', threadId=1)['body']['stackFrames']
        check('walk-through: the call stack', [[f['name'], f'{f["source"]["name"]} {f["line"]}']
                                                for f in frames[:len(stack)]], stack)
        values = {v['name']: v['value'] for v in
                  s.ask('variables', variablesReference=1)['body']['variables']}
        check('walk-through: the variables', {k: values.get(k) for k in shown}, shown)
        check('walk-through: the watch', s.ask('evaluate', expression=watch,
                                               context='watch')['body']['result'], total)
        for _ in range(1 if times == 'once' else 2):
            s.events = [e for e in s.events if e['event'] != 'stopped']
            s.ask('stepBack', threadId=1)
            s.wait('stopped')
        check('walk-through: stepped back', [
            s.ask('stackTrace', threadId=1)['body']['stackFrames'][0]['line'],
            s.ask('evaluate', expression=back_var, context='watch')['body']['result']],
            [int(back_line), back_value])
        s.ask('continue', threadId=1)
        s.wait('terminated')
        check('walk-through: what it prints under the debugger',
              ''.join(e['body']['output'] for e in s.events if e['event'] == 'output'), first + '\n')
        s.close()

        lines = script.splitlines(keepends=True)
        lines[int(line) - 1] = re.match(r'\s*', lines[int(line) - 1]).group() + fixed + '\n'
        with open(path, 'w') as f:
            f.write(''.join(lines))
        out = subprocess.run([os.path.join(BIN, 'quill'), '-f', path], capture_output=True)
        check('walk-through: what the mended script prints', out.stdout.decode(), last + '\n')


def setups(text):
    with open(os.path.join(ROOT, 'docs', 'quill-debug.1')) as f:
        page = f.read()
    listed = page[page.index('.SH LAUNCH ARGUMENTS'):page.index('.SH STOPPING')]
    documented = set(re.findall(r'^\.BR (\w+) "', listed, re.M))
    with open(os.path.join(ROOT, 'editors', 'vscode', 'package.json')) as f:
        manifest = json.load(f)['contributes']
    with open(os.path.join(ROOT, 'editors', 'textmate', 'package.json')) as f:
        textmate = json.load(f)['contributes']
    debugger = manifest['debuggers'][0]
    attributes = set(debugger['configurationAttributes']['launch']['properties'])
    check('vscode: the launch attributes are quill-debug(1)\'s, and console',
          sorted(attributes), sorted(documented | {'console'}))
    check('README: the launch attributes of its table are quill-debug(1)\'s',
          sorted(re.findall(r'^\| `(\w+)` \|', text, re.M)), sorted(documented))
    check('vscode: the language as the TextMate manifest has it, and the debugger',
          (manifest['languages'], manifest['grammars'], debugger['type'], debugger['languages']),
          (textmate['languages'], textmate['grammars'], 'vantor', ['vantor']))

    s = Session([ADAPTER])
    filters = {f['filter'] for f in
               s.ask('initialize', adapterID='vantor')['body']['exceptionBreakpointFilters']}
    s.close()
    known = attributes | {'type', 'request', 'name'}
    launch = json.loads(block(text, '`.vscode/launch.json`', 'json'))
    for c in launch['configurations']:
        check('README, launch.json: known attributes', sorted(set(c) - known), [])
    spector = json.loads(block(text, 'Vim** with vimspector', 'json'))
    for name, c in spector['configurations'].items():
        adapter = spector['adapters'][c['adapter']]
        check(f'README, .vimspector.json, {name}: the adapter, attributes and filters',
              (adapter['command'], adapter['name'], sorted(set(c['configuration']) - known),
               sorted(c['breakpoints']['exception'])),
              (['quill-debug'], 'vantor', [], sorted(filters)))


if __name__ == '__main__':
    section = readme()
    walkthrough(section)
    setups(section)
    print(f'{sum(results)} passed, {len(results) - sum(results)} failed')
    sys.exit(0 if results and all(results) else 1)

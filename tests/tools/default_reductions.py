#!/usr/bin/env python3
"""Checks bison's report: the rules reduced without a lookahead token must be
exactly the ones string copies, jump filtering and rewinds depend on; and
the rule names of core/rules.h must stand for the rules bison numbered."""
import re
import sys

# our rule numbers (bison's number + 1, since bison counts $accept as 0)
EXPECTED = {3, 4, 5, 6, 7, 10, 11, 12, 15, 16, 19, 20, 21, 22, 23, 24, 27, 28, 36, 37, 38}


def default_only_rules(report):
    rules = set()
    for state in re.split(r'\n(?=State \d+\n)', report):
        if not state.startswith('State '):
            continue
        actions = [l.strip() for l in state.splitlines()
                   if re.match(r'\s{4}\S.*\s(shift|reduce|accept|error)', l)]
        if len(actions) == 1:
            m = re.match(r'\$default\s+reduce using rule (\d+)', actions[0])
            if m:
                rules.add(int(m.group(1)) + 1)
    return rules


def numbered_rules(report):
    """Bison's rules in order, as 'lhs: rhs' (our numbering starts at 1)."""
    rules, lhs = [], None
    grammar = report.split('Grammar\n', 1)[1].split('\nTerminals', 1)[0]
    for line in grammar.splitlines():
        m = re.match(r'\s*\d+ (?:(\S+):|\s*\|) ?(.*)$', line)
        if m:
            lhs = m.group(1) or lhs
            rhs = m.group(2).strip().replace('ε', '%empty')
            rules.append(f'{lhs}: {rhs}')
    return rules


def named_rules(header):
    """The rule each enumerator of rules.h names, from its comment."""
    return [m.group(1).strip() for m in
            re.finditer(r'^\s*R_\w+(?: = 1)?,\s*// (.*)$', header, re.M)]


def main():
    report = open(sys.argv[1]).read()
    if len(sys.argv) > 2 and numbered_rules(report) != named_rules(open(sys.argv[2]).read()):
        print('FAIL: rules.h names the rules in another order than bison numbers them')
        for n, (ours, theirs) in enumerate(zip(named_rules(open(sys.argv[2]).read()),
                                               numbered_rules(report)), 1):
            if ours != theirs:
                print(f'  rule {n}: rules.h says {ours!r}, the grammar {theirs!r}')
        print('0 passed, 1 failed')
        return 1
    if re.search(r'conflict', report.split('\nState 0\n')[0]):
        print('FAIL: the report lists conflicts')
        return 1
    got = default_only_rules(report)
    if got != EXPECTED:
        print('FAIL: default reductions differ')
        print('  missing:', sorted(EXPECTED - got))
        print('  extra:  ', sorted(got - EXPECTED))
        print('0 passed, 1 failed')
        return 1
    print('default reductions:', sorted(got))
    print('1 passed, 0 failed')
    return 0


if __name__ == '__main__':
    sys.exit(main())

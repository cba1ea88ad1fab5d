#!/usr/bin/env python3
"""quill-check(1) lists every code of check/codes.h, each with the same
severity (two for a code with a milder case: "error or warning"), and no
other code.

    check_codes.py check/codes.h docs/quill-check.1"""
import re
import sys


def table(header):
    rows = re.findall(r'^\s*X\(\w+,\s*(\d+),\s*(\w+),\s*(\w+),', header, re.M)
    return {f'VT{int(n):03d}': ' or '.join(dict.fromkeys([a.lower(), b.lower()]))
            for n, a, b in rows}


def man_page(page):
    return dict(re.findall(r'^\.BR (VT\d{3}) "\s*([a-z ]+)"$', page, re.M))


def main():
    codes = table(open(sys.argv[1]).read())
    documented = man_page(open(sys.argv[2]).read())
    failed = 0
    for code in sorted(codes.keys() | documented.keys()):
        if codes.get(code) != documented.get(code):
            print(f'FAIL: {code}: codes.h says {codes.get(code)}, '
                  f'the man page {documented.get(code)}')
            failed += 1
    print(f'{len(codes.keys() | documented.keys()) - failed} passed, {failed} failed')
    return 1 if failed or not codes else 0


if __name__ == '__main__':
    sys.exit(main())

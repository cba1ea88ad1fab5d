#!/usr/bin/env python3
"""Writes the scripts of every golden case into a corpus folder: the seed
corpus of the script fuzzer, kept in step with the tests by construction."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tools'))
import golden  # noqa: E402


def main():
    scripts_dir, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    n = 0
    for root, _, files in os.walk(scripts_dir):
        for name in sorted(files):
            if not name.endswith('.t'):
                continue
            for case in golden.parse(os.path.join(root, name)):
                body = case['sections']['script'][0]
                if body:
                    n += 1
                    with open(os.path.join(out, f'seed-{n:04d}'), 'wb') as f:
                        f.write(body)
    print(f'{n} seeds')


if __name__ == '__main__':
    main()

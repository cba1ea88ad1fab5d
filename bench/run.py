#!/usr/bin/env python3
"""Whole-process benchmarks: quill against other interpreters a console user
has, on the same tasks. Prints the median wall time of several runs.

    python3 bench/run.py [path/to/quill] [runs]
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def tasks(quill):
    loop, prt = os.path.join(HERE, 'loop.vt'), os.path.join(HERE, 'print.vt')
    return {
        'start-up (empty script)': [
            ('quill', [quill, '-f', '/dev/null']),
            ('awk', ['awk', 'BEGIN{}']),
            ('sh', ['sh', '-c', ':']),
            ('python3', ['python3', '-S', '-c', 'pass']),
        ],
        'counting loop, 1,000,000 passes': [
            ('quill', [quill, '-f', loop]),
            ('awk', ['awk', 'BEGIN{i=0; while (i < 1000000) i++; print i}']),
            ('sh', ['sh', '-c', 'i=0; while [ $i -lt 1000000 ]; do i=$((i+1)); done; echo $i']),
            ('python3', ['python3', '-S', '-c', 'i=0\nwhile i < 1000000: i += 1\nprint(i)']),
        ],
        'print 1..200,000, flushing each line': [
            ('quill', [quill, '-f', prt]),
            ('awk', ['awk', 'BEGIN{for (i=1; i<=200000; i++) {print i; fflush()}}']),
            ('python3', ['python3', '-S', '-c',
                         'import sys\nfor i in range(1, 200001): print(i, flush=True)']),
        ],
    }


def measure(argv, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    quill = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                            os.path.join(HERE, '..', 'build', 'bin', 'quill'))
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    for task, commands in tasks(quill).items():
        print(task)
        for name, argv in commands:
            if shutil.which(argv[0]) is None and not os.path.exists(argv[0]):
                continue
            print(f'  {name:8s} {measure(argv, runs) * 1000:9.1f} ms')


if __name__ == '__main__':
    main()

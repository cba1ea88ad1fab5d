#!/usr/bin/env python3
"""Whole-process benchmarks: quill against the interpreters a console user
has, each task written the same way in every language. Runs are paired
(quill, peer, peer, ..., quill, peer, ... in turn), so every ratio compares
medians taken under the same load. Prints a Markdown table: median wall
time and the ratio to mawk's median of the same run.

    python3 bench/run.py [--quill PATH] [--runs N] [--tasks a,b] [--peers a,b]
                         [--budget SECONDS] [--limit SECONDS] [--callgrind]

A peer whose first run of a task takes longer than the budget is run once;
a run longer than the limit is stopped.
--callgrind adds the instructions per pass of the count loop (valgrind).
"""
import argparse
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS = ['mawk', 'gawk', 'lua5.4', 'perl', 'python3', 'dash', 'bash']

# Each task is (title, {language: program text}); a program may use {N}.
# Vantor's variables are global, so the peers use globals too.


def vantor_loop(body, n, exit_line='z = 0;'):
    """body runs n times; the loop is the usual above/if pair."""
    return f'L:\n{body}\ni = i + 1;\nif i >= {n} E;\nabove L;\nE:\n{exit_line}\n'


def count_loop(n):
    return {
        'quill': 'i = 0;\n' + vantor_loop('', n),
        'awk': f'BEGIN {{ i = 0; while (i < {n}) i = i + 1 }}',
        'lua': f'i = 0 while i < {n} do i = i + 1 end',
        'perl': f'$i = 0; while ($i < {n}) {{ $i = $i + 1 }}',
        'python3': f'i = 0\nwhile i < {n}:\n    i = i + 1\n',
        'sh': f'i=0; while [ $i -lt {n} ]; do i=$((i + 1)); done',
    }


def arithmetic_loop(n):
    return {
        'quill': vantor_loop('s = s + i * 3 % 7;', n),
        'awk': f'BEGIN {{ while (i < {n}) {{ s = s + i * 3 % 7; i = i + 1 }} }}',
        'lua': f'i = 0 s = 0 while i < {n} do s = s + i * 3 % 7 i = i + 1 end',
        'perl': f'$i = 0; $s = 0; while ($i < {n}) {{ $s = $s + $i * 3 % 7; $i = $i + 1 }}',
        'python3': f'i = 0\ns = 0\nwhile i < {n}:\n    s = s + i * 3 % 7\n    i = i + 1\n',
        'sh': f'i=0; s=0; while [ $i -lt {n} ]; do s=$((s + i * 3 % 7)); i=$((i + 1)); done',
    }


def array_loop(n):
    fill_sum = (f'x = new {n};\nF: x[i] = i * i;\ni = i + 1;\nif i >= {n} S;\nabove F;\n'
                f'S: i = 0;\nM: s = s + x[i];\ni = i + 1;\nif i >= {n} E;\nabove M;\nE: z = 0;\n')
    return {
        'quill': fill_sum,
        'awk': f'BEGIN {{ while (i < {n}) {{ x[i] = i * i; i = i + 1 }} i = 0; '
               f'while (i < {n}) {{ s = s + x[i]; i = i + 1 }} }}',
        'lua': f'x = {{}} i = 0 while i < {n} do x[i] = i * i i = i + 1 end '
               f's = 0 i = 0 while i < {n} do s = s + x[i] i = i + 1 end',
        'perl': f'$i = 0; while ($i < {n}) {{ $x[$i] = $i * $i; $i = $i + 1 }} '
                f'$s = 0; $i = 0; while ($i < {n}) {{ $s = $s + $x[$i]; $i = $i + 1 }}',
        'python3': f'x = [0] * {n}\ni = 0\nwhile i < {n}:\n    x[i] = i * i\n    i = i + 1\n'
                   f's = 0\ni = 0\nwhile i < {n}:\n    s = s + x[i]\n    i = i + 1\n',
        'bash': f'i=0; while [ $i -lt {n} ]; do x[i]=$((i * i)); i=$((i + 1)); done; '
                f's=0; i=0; while [ $i -lt {n} ]; do s=$((s + x[i])); i=$((i + 1)); done',
    }


def padding(lines):
    """Other statements, one per line, in each language."""
    return {
        'quill': ''.join(f'x = {k};\n' for k in range(lines)),
        'awk': ''.join(f'x = {k}\n' for k in range(lines)),
        'lua': ''.join(f'x = {k}\n' for k in range(lines)),
        'perl': ''.join(f'$x = {k};\n' for k in range(lines)),
        'python3': ''.join(f'x = {k}\n' for k in range(lines)),
        'sh': ''.join(f'x={k}\n' for k in range(lines)),
    }


def wrap_awk(programs):
    return {k: ('BEGIN {\n' + v + '\n}' if k == 'awk' else v) for k, v in programs.items()}


def loop_beside(n, lines, after):
    """The count loop placed after (or before) lines of other statements."""
    pad = padding(lines)
    loop = count_loop(n)
    loop['awk'] = f'i = 0; while (i < {n}) i = i + 1\n'
    loop['sh'] += '\n'
    loop['lua'] += '\n'
    loop['perl'] += '\n'
    out = {}
    for k in loop:
        if k == 'quill' and not after:
            # the loop first; its exit jump passes the lines once
            out[k] = 'i = 0;\n' + vantor_loop('', n, pad[k])
        else:
            out[k] = pad[k] + loop[k] if after else loop[k] + pad[k]
    return wrap_awk(out)


def lines_alone(lines):
    return wrap_awk(padding(lines))


def printing(n):
    return {
        'quill': 'n = "\n";\ni = 0;\n' + vantor_loop('put i;\nputs n;', n),
        'awk': f'BEGIN {{ i = 0; while (i < {n}) {{ print i; fflush(); i = i + 1 }} }}',
        'lua': f'io.stdout:setvbuf("line") i = 0 while i < {n} do print(i) i = i + 1 end',
        'perl': f'$| = 1; $i = 0; while ($i < {n}) {{ print "$i\\n"; $i = $i + 1 }}',
        'python3': f'i = 0\nwhile i < {n}:\n    print(i, flush=True)\n    i = i + 1\n',
        'sh': f'i=0; while [ $i -lt {n} ]; do echo $i; i=$((i + 1)); done',
    }


def printing_one_text(n):
    """The same with one text, and so one flush, per line: function 10
    formats i by f."""
    programs = printing(n)
    programs['quill'] = 'f = "%d\n";\ni = 0;\n' + vantor_loop('puts func 10;', n)
    return programs


def startup():
    return {'quill': '', 'awk': 'BEGIN { }', 'lua': '', 'perl': '', 'python3': '', 'sh': ':'}


def straight_line(megabytes):
    """A long script without loops, one short statement and a comment a line."""
    stmt = {
        'quill': 'a = a + 1; # a comment to make the line longer\n',
        'awk': 'a = a + 1 # a comment to make the line longer\n',
        'lua': 'a = a + 1 -- a comment to make the line longer\n',
        'perl': '$a = $a + 1; # a comment to make the line longer\n',
        'python3': 'a = a + 1  # a comment to make the line longer\n',
        'sh': 'a=$((a + 1)) # a comment to make the line longer\n',
    }
    size = megabytes * 1024 * 1024
    out = {k: s * (size // len(s)) for k, s in stmt.items()}
    out['lua'] = 'a = 0\n' + out['lua']
    out['python3'] = 'a = 0\n' + out['python3']
    return wrap_awk(out)


TASKS = {
    'count-1e6': ('count loop, 10^6 passes', lambda: count_loop(10**6)),
    'count-1e7': ('count loop, 10^7 passes', lambda: count_loop(10**7)),
    'arith-1e6': ('arithmetic loop `s = s + i * 3 % 7`, 10^6', lambda: arithmetic_loop(10**6)),
    'arith-1e7': ('arithmetic loop `s = s + i * 3 % 7`, 10^7', lambda: arithmetic_loop(10**7)),
    'array-1e6': ('array loop: fill `x[i] = i * i`, sum it back, 10^6', lambda: array_loop(10**6)),
    'array-1e7': ('array loop: fill `x[i] = i * i`, sum it back, 10^7', lambda: array_loop(10**7)),
    'after-1e4': ('count loop 10^6 after 10^4 lines', lambda: loop_beside(10**6, 10**4, True)),
    'before-1e4': ('count loop 10^6 before 10^4 lines', lambda: loop_beside(10**6, 10**4, False)),
    'after-1e5': ('count loop 10^6 after 10^5 lines', lambda: loop_beside(10**6, 10**5, True)),
    'lines-1e5': ('the 10^5 lines alone', lambda: lines_alone(10**5)),
    'print-1e5': ('print 10^5 numbers, a flush per line (quill: `put i; puts n;`, two)',
                  lambda: printing(10**5)),
    'print1-1e5': ('print 10^5 numbers, one flush per line (quill: `puts func 10;`)',
                   lambda: printing_one_text(10**5)),
    'startup': ('start-up, empty script', startup),
    'script-10mb': ('10 MB straight-line script', lambda: straight_line(10)),
}
DEFAULT_TASKS = [t for t in TASKS if t not in ('arith-1e6', 'array-1e6')]


def command(peer, quill, path, task):
    """argv that runs the program in file path for peer."""
    if peer == 'quill':
        size = ['-s', '80000000'] if task.startswith('array') else []
        return [quill, *size, '-f', path]
    if peer in ('mawk', 'gawk'):
        return [peer, '-f', path]
    return [peer, path]


def program(programs, peer):
    """The peer's program for a task, or None; bash runs the sh one unless it has its own."""
    if peer == 'bash' and 'bash' not in programs:
        peer = 'dash'
    return programs.get({'mawk': 'awk', 'gawk': 'awk', 'lua5.4': 'lua', 'dash': 'sh'}.get(peer, peer))


def run_once(argv, limit):
    """Wall time in seconds of one whole run; infinity past the limit."""
    start = time.perf_counter()
    try:
        p = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=limit)
    except subprocess.TimeoutExpired:
        return float('inf')
    elapsed = time.perf_counter() - start
    if p.returncode < 0:
        raise RuntimeError(f'{argv[0]} died')
    return elapsed


def peak_memory(argv):
    """Peak memory in KB, by GNU time: a child forked from this process
    would count this process's own pages before its exec."""
    p = subprocess.run(['/usr/bin/time', '-f', '%M', *argv], stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    return int(p.stderr.strip().splitlines()[-1])


def bench_task(task, quill, peers, runs, budget, limit, tmp):
    programs = TASKS[task][1]()
    argvs = {}
    for peer in ['quill'] + peers:
        text = program(programs, peer)
        if text is None:
            continue
        path = os.path.join(tmp, f'{task}.{peer}')
        with open(path, 'w') as f:
            f.write(text)
        argvs[peer] = command(peer, quill, path, task)
    times = {p: [] for p in argvs}
    for r in range(runs):
        for peer, argv in argvs.items():
            if r > 0 and times[peer][0] > budget:
                continue   # too slow to repeat
            times[peer].append(run_once(argv, limit))
    peak = {}
    if task == 'script-10mb' and os.path.exists('/usr/bin/time'):   # Debian's package time
        peak = {p: peak_memory(argv) for p, argv in argvs.items()}
    return {p: statistics.median(v) for p, v in times.items()}, peak


def callgrind_per_pass(quill, tmp):
    """Instructions per pass of the count loop: the difference between
    10^5 and 2*10^5 passes, so start-up cancels out."""
    if not shutil.which('valgrind'):
        return {}
    out = {}
    for peer in ['quill', 'mawk', 'lua5.4']:
        if peer != 'quill' and not shutil.which(peer):
            continue
        counts = []
        for n in (10**5, 2 * 10**5):
            path = os.path.join(tmp, f'cg-{n}.{peer}')
            with open(path, 'w') as f:
                f.write(program(count_loop(n), peer))
            p = subprocess.run(['valgrind', '--tool=callgrind', '--callgrind-out-file=/dev/null',
                                *command(peer, quill, path, 'count')],
                               capture_output=True, text=True)
            refs = [l for l in p.stderr.splitlines() if 'Collected' in l]
            counts.append(int(refs[-1].split()[-1].replace(',', '')))
        out[peer] = (counts[1] - counts[0]) / 10**5
    return out


def cell(seconds, base):
    if seconds == float('inf'):
        return 'stopped'
    t = (f'{seconds * 1000:.1f} ms' if seconds < 0.1 else
         f'{seconds * 1000:.0f} ms' if seconds < 10 else f'{seconds:.1f} s')
    return f'{t} ({seconds / base:.2g}×)' if base else t


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--quill', default=os.path.join(HERE, '..', 'build', 'bin', 'quill'))
    ap.add_argument('--runs', type=int, default=5)
    ap.add_argument('--tasks', default=','.join(DEFAULT_TASKS))
    ap.add_argument('--peers', default=','.join(PEERS))
    ap.add_argument('--budget', type=float, default=10.0)
    ap.add_argument('--limit', type=float, default=60.0, help='seconds before a run is stopped')
    ap.add_argument('--callgrind', action='store_true')
    opts = ap.parse_args()
    quill = os.path.abspath(opts.quill)
    peers = [p for p in opts.peers.split(',') if shutil.which(p)]
    cpu = next((l.split(':', 1)[1].strip() for l in open('/proc/cpuinfo')
                if l.startswith('model name')), platform.machine())
    print(f'{datetime.date.today()}, {platform.node()}: {cpu}, {os.cpu_count()} cores, '
          f'{opts.runs} paired runs, medians; ratios to mawk\n')
    print('| task | ' + ' | '.join(['quill'] + peers) + ' |')
    print('|---' * (len(peers) + 2) + '|')
    with tempfile.TemporaryDirectory(prefix='quill-bench-') as tmp:
        for task in opts.tasks.split(','):
            medians, peak = bench_task(task, quill, peers, opts.runs, opts.budget, opts.limit, tmp)
            base = medians.get('mawk')
            row = [cell(medians[p], base) if p in medians else '–' for p in ['quill'] + peers]
            print(f'| {TASKS[task][0]} | ' + ' | '.join(row) + ' |', flush=True)
            if peak:
                mem = [f'{peak[p] / 1024:.1f} MB' if p in peak else '–' for p in ['quill'] + peers]
                print('| 10 MB script, peak memory | ' + ' | '.join(mem) + ' |', flush=True)
        if opts.callgrind:
            per_pass = callgrind_per_pass(quill, tmp)
            print('\nInstructions per pass of the count loop (callgrind): ' +
                  ', '.join(f'{p} {v:.0f}' for p, v in per_pass.items()))
    return 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""Start-up to a shown, idle main window: pelorin --startup-probe beside a bare Qt window.

Each program prints the monotonic clock at the moment its window is shown and idle; the time
from just before the process is started to then is exact, where the probe's own startup_ms
counts in the system's 10 ms clock ticks. The two take turns, so both see the machine in the
same state; one run of each first, not counted, warms the caches.

Usage: startup.py PELORIN BARE_WINDOW RUNS   (DISPLAY and QT_QPA_PLATFORM as set)
Prints "<pelorin median ms> <bare median ms> <pelorin median resident MB> | <pelorin runs> |
<bare runs>".
"""
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def probe(args):
    start = time.monotonic_ns()
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    field = dict(item.split('=', 1) for item in out.split() if '=' in item)
    return (int(field['monotonic_ns']) - start) / 1e6, int(field.get('rss_kb', 0)) / 1024


def main():
    pelorin, bare, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    folder = tempfile.mkdtemp()
    try:
        ours_args = [pelorin, '--data-dir', folder, '--startup-probe']
        probe(ours_args), probe([bare])
        ours, floor = [], []
        for _ in range(runs):
            ours.append(probe(ours_args))
            floor.append(probe([bare])[0])
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    times = [t for t, _ in ours]
    print('%.0f %.0f %.0f | %s | %s' % (statistics.median(times), statistics.median(floor),
                                        statistics.median(m for _, m in ours),
                                        ' '.join('%.0f' % v for v in times),
                                        ' '.join('%.0f' % v for v in floor)))


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Times one send through the real program on an X server, as a person would feel it.

Starts pelorin with a request file, waits until its window is shown and the process is idle,
clicks SEND with the X server's own mouse (xdotool), and waits until the process is idle
again: the result window has received and shown the whole response. Prints
"<seconds> <peak KB> <CPU seconds> <resident KB before the click>", the seconds from the click to
the last moment the process used the CPU.

Usage: DISPLAY=:N real_window_send.py PELORIN DATA_DIR REQUEST.phr
SEND_AT=x,y gives SEND's place in the main window (default: its place at the default size).
"""
import os
import subprocess
import sys
import time

QUIET = 0.5  # seconds without CPU time that count as idle
TICK = os.sysconf('SC_CLK_TCK')


def cpu_seconds(pid):
    with open(f'/proc/{pid}/stat') as f:
        fields = f.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def status_kb(pid, field):
    with open(f'/proc/{pid}/status') as f:
        for line in f:
            if line.startswith(field + ':'):
                return int(line.split()[1])
    return 0


def settle(pid, limit):
    """Waits until the process's CPU time has stood still for QUIET seconds; returns the
    moment it last moved and the CPU time then."""
    last, moved = cpu_seconds(pid), time.monotonic()
    start = moved
    while time.monotonic() - moved < QUIET:
        if time.monotonic() - start > limit:
            sys.exit('pelorin did not become idle')
        time.sleep(0.01)
        now = cpu_seconds(pid)
        if now != last:
            last, moved = now, time.monotonic()
    return moved, last


def main():
    pelorin, data, request = sys.argv[1:4]
    x, y = os.environ.get('SEND_AT', '520,520').split(',')
    env = dict(os.environ, QT_QPA_PLATFORM='xcb')
    proc = subprocess.Popen([pelorin, '--data-dir', data, request], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        found = subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--pid',
                                str(proc.pid), '--name', 'Pelorin'],
                               capture_output=True, text=True, timeout=30)
        if not found.stdout.split():
            sys.exit('the main window did not show')
        window = found.stdout.split()[0]
        settle(proc.pid, 30)
        subprocess.run(['xdotool', 'mousemove', '--window', window, x, y], check=True,
                       timeout=10)
        cpu_before = cpu_seconds(proc.pid)
        resident_before = status_kb(proc.pid, 'VmRSS')
        clicked = time.monotonic()
        subprocess.run(['xdotool', 'click', '1'], check=True, timeout=10)
        idle, cpu_after = settle(proc.pid, 600)
        if cpu_after - cpu_before < 0.02:
            sys.exit(f'no exchange after a click at {x},{y}: is SEND there? (SEND_AT=x,y)')
        print(f'{idle - clicked:.3f} {status_kb(proc.pid, "VmHWM")} {cpu_after - cpu_before:.2f} '
              f'{resident_before}')
    finally:
        proc.kill()
        proc.wait()


if __name__ == '__main__':
    main()

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
import ctypes
import os
import subprocess
import sys
import time

QUIET = 0.5  # seconds without CPU time that count as idle
WINDOW = 0.02  # seconds over which the share of a core used is taken
BUSY = 0.25  # the share of a core above which the process counts as working


def cpu_seconds(pid):
    """CPU time of the whole process, threads that ended included, to the nanosecond: its CPU
    clock, read in one system call. Reading each thread's schedstat from /proc instead cost the
    poller several times the CPU, on a machine the program shares with its server."""
    return time.clock_gettime_ns(((~pid) << 3) | 2) / 1e9  # clock_getcpuclockid(pid)


def status_kb(pid, field):
    with open(f'/proc/{pid}/status') as f:
        for line in f:
            if line.startswith(field + ':'):
                return int(line.split()[1])
    return 0


def settle(pid, limit):
    """Waits until the process has been idle for QUIET seconds; returns the moment its last
    busy stretch ended and the CPU time then. Busy means more than BUSY of a core over the
    last WINDOW seconds: a cursor's blink or the user data written a moment after the
    exchange (a few milliseconds, in the background) does not count as the work being felt."""
    start = time.monotonic()
    history = [(start, cpu_seconds(pid))]
    moved, at_move = start, history[0][1]
    last_rise = start
    while time.monotonic() - moved < QUIET:
        if time.monotonic() - start > limit:
            sys.exit('pelorin did not become idle')
        time.sleep(0.002)
        now, cpu = time.monotonic(), cpu_seconds(pid)
        if cpu != history[-1][1]:
            last_rise = now
        history.append((now, cpu))
        while len(history) > 2 and history[1][0] <= now - WINDOW:
            history.pop(0)
        then, cpu_then = history[0]
        if now > then and (cpu - cpu_then) / (now - then) > BUSY:
            moved, at_move = last_rise, cpu
    return moved, at_move


class ButtonRelease:
    """Releases mouse button 1 through an X connection opened beforehand: running xdotool for it
    takes about 3 ms to start, which the figures would count as the program's time."""

    def __init__(self):
        self.display = None
        try:
            self.x11 = ctypes.CDLL('libX11.so.6')
            self.xtst = ctypes.CDLL('libXtst.so.6')
        except OSError:
            return  # xdotool releases it instead
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)

    def __call__(self):
        if not self.display:
            subprocess.run(['xdotool', 'mouseup', '1'], check=True, timeout=10)
            return
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XFlush(self.display)

    def close(self):
        if self.display:
            self.x11.XCloseDisplay(self.display)
            self.display = None


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
        # A button acts when it is released. xdotool's click waits 100 ms between press and
        # release, which the figures took for the program's time; the press goes first here
        # and the clock starts with the release.
        subprocess.run(['xdotool', 'mousedown', '1'], check=True, timeout=10)
        release = ButtonRelease()
        settle(proc.pid, 30)
        cpu_before = cpu_seconds(proc.pid)
        resident_before = status_kb(proc.pid, 'VmRSS')
        clicked = time.monotonic()
        release()
        idle, cpu_after = settle(proc.pid, 600)
        release.close()
        if cpu_after - cpu_before < 0.005:
            sys.exit(f'no exchange after a click at {x},{y}: is SEND there? (SEND_AT=x,y)')
        print(f'{idle - clicked:.3f} {status_kb(proc.pid, "VmHWM")} {cpu_after - cpu_before:.2f} '
              f'{resident_before}')
    finally:
        proc.kill()
        proc.wait()


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""The program itself, as a user starts and drives it, timed from outside.

real_program.py PROGRAM STATEMENT: starts PROGRAM (a copy whose demo database
is the benchmark's file) on the X display, types the statement into the SQL
box, ticks the boxes bench-render ticks ("不顯示在下面視窗" off, "欄位名稱" on),
presses F5 and waits until the window's thread has gone idle. Prints the
milliseconds from the key press until then, and the peak memory in KiB.

The end is read from the window thread's CPU time (/proc/PID/task/PID/schedstat):
busy while it works most of each 10 ms, so a caret's blink or a timer's tick
afterwards does not count.
"""
import subprocess
import sys
import time

program, statement = sys.argv[1], sys.argv[2]


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, capture_output=True)


def find_window(pid, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                               capture_output=True, text=True).stdout.split()
        if found:
            return found[0]
        time.sleep(0.1)
    return None


def thread_cpu_ns(pid):
    with open(f"/proc/{pid}/task/{pid}/schedstat") as f:
        return int(f.read().split()[0])


def wait_idle(pid, quiet_seconds):
    """Returns when the thread has been idle for quiet_seconds; the time it last worked."""
    last, busy = thread_cpu_ns(pid), time.monotonic()
    while time.monotonic() - busy < quiet_seconds:
        time.sleep(0.01)
        now = thread_cpu_ns(pid)
        if now - last > 2_000_000:
            busy = time.monotonic()
        last = now
    return busy


def start(attempts=3):
    """The program and its window; a start that finds no display (Xvfb now and
    then refuses a connection right after a client was killed) is tried again."""
    for attempt in range(attempts):
        proc = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        window = find_window(proc.pid)
        if window is not None:
            return proc, window
        proc.kill()
        problem = proc.communicate()[1].decode(errors="replace").strip().splitlines()
        if attempt == attempts - 1:
            sys.exit(f"real_program: no window ({problem[0] if problem else 'no message'})")
        time.sleep(1)


def main():
    proc, window = start()
    try:
        wait_idle(proc.pid, 0.5)
        # Places in the window as its layout has them.
        xdotool("mousemove", "--window", window, "100", "50", "click", "1")  # the SQL box
        xdotool("type", "--delay", "5", statement)
        xdotool("mousemove", "--window", window, "70", "184", "click", "1")  # 不顯示在下面視窗
        xdotool("mousemove", "--window", window, "320", "138", "click", "1")  # 欄位名稱
        wait_idle(proc.pid, 0.5)
        xdotool("key", "F5")
        begin = time.monotonic()
        end = wait_idle(proc.pid, 0.6)
        with open(f"/proc/{proc.pid}/status") as f:
            peak = next(line.split()[1] for line in f if line.startswith("VmHWM"))
        print(round((end - begin) * 1000), peak)
    finally:
        proc.kill()
        proc.wait()


main()

#!/usr/bin/python3
"""How often an idle vevuzer wakes, beside what its timers ask for.

    bench/idle_wakeups.py [BUILD_DIR] [--seconds N] [--runs N]

Starts vevuzer as bench/start_speed.py does (a fresh program folder, the control library
registered, the speech components marked installed, the offscreen platform), waits for its ready
line and a settling second, then counts each thread's wake-ups for N seconds (default 20): the
voluntary context switches in /proc, one for every time a thread blocked and was woken again. The
main thread's figure is set beside the rate the main window's timers need: the two 1-second timers
share their deadline, the 800 ms serial poll is restarted by every tick and so fires once a tick,
and the window timer runs every 30 seconds. The runs' figures are medians (default 3 runs)."""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from start_speed import VEVUZER_READY, program_folder
TIMERS_PER_SECOND = 1.0 + 1.0 + 1.0 / 30


def voluntary_switches(pid):
    """{thread name: voluntary context switches} of every thread of `pid`, the main one first."""
    counts = {}
    for tid in sorted(os.listdir(f"/proc/{pid}/task"), key=lambda t: (t != str(pid), int(t))):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as comm:
                name = comm.read().strip()
            with open(f"/proc/{pid}/task/{tid}/status") as status:
                for line in status:
                    if line.startswith("voluntary_ctxt_switches:"):
                        key = "main thread" if tid == str(pid) else f"{name} ({tid})"
                        counts[key] = int(line.split()[1])
        except FileNotFoundError:  # the thread ended meanwhile
            pass
    return counts


def one_run(build, source, seconds):
    with tempfile.TemporaryDirectory(prefix="belltale-bench-") as root:
        env = program_folder(root, build, source)
        program = subprocess.Popen(
            [os.path.join(build, "vevuzer", "vevuzer"), "--assign-exchange-lines"], env=env,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        for line in program.stdout:
            if line.startswith(VEVUZER_READY):
                break
        else:
            sys.exit("vevuzer ended before its window opened")
        time.sleep(1)  # what the start left queued runs first
        before = voluntary_switches(program.pid)
        begin = time.monotonic()
        time.sleep(seconds)
        after = voluntary_switches(program.pid)
        elapsed = time.monotonic() - begin
        program.send_signal(signal.SIGTERM)
        program.wait(timeout=30)
        return {name: (after[name] - before.get(name, 0)) / elapsed for name in after}


def main():
    args = sys.argv[1:]
    options = {"--seconds": 20, "--runs": 3}
    for option in options:
        if option in args:
            at = args.index(option)
            options[option] = int(args[at + 1])
            del args[at:at + 2]
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = os.path.abspath(args[0] if args else os.path.join(source, "build"))
    runs = [one_run(build, source, options["--seconds"]) for _ in range(options["--runs"])]
    # Worker threads are named alike across runs but numbered afresh: group them by name.
    merged = []
    for run in runs:
        by_name = {}
        for thread, rate in run.items():
            name = thread.split(" (")[0]
            by_name[name] = by_name.get(name, 0.0) + rate
        merged.append(by_name)
    names = list(dict.fromkeys(name for run in merged for name in run))
    print(f"{'thread':<24}{'wake-ups/s':>12}")
    for name in names:
        rate = statistics.median(run.get(name, 0.0) for run in merged)
        print(f"{name:<24}{rate:>12.2f}")
    print(f"{'the timers ask for':<24}{TIMERS_PER_SECOND:>12.2f}  (main thread)")
    print(f"(medians of {options['--runs']} runs of {options['--seconds']} s idle; target: the "
          "main thread at the timers' rate, the others at 0)")


if __name__ == "__main__":
    main()

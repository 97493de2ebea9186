#!/usr/bin/python3
"""vevuzer's start beside a bare Qt widgets window on the same platform: the time from launch to
the ready line, and the peak memory by then.

    bench/start_speed.py [BUILD_DIR] [--runs N] [--beside OTHER_BUILD_DIR]

Each run starts the bare window, then vevuzer twice in a fresh program folder (the control library
registered, the speech components marked installed): the first start writes the settings, the
second finds them. The runs interleave, so a load on the machine weighs on all three alike.
--beside starts another build's vevuzer the same way in each run (an older one, to show a change's
effect under the same load). Times
are medians of N runs (default 15); memory is the process's high-water mark (VmHWM) read when the
ready line arrives, so what the program does while closing does not count."""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

VEVUZER_READY = b"vevuzer: the main window is open"
BARE_READY = b"bare window: open"


def peak_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def timed_start(command, ready, env):
    begin = time.perf_counter()
    program = subprocess.Popen(command, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    for line in program.stdout:
        if line.startswith(ready):
            break
    else:
        sys.exit(f"{command[0]} ended before its window opened")
    elapsed = time.perf_counter() - begin
    peak = peak_kib(program.pid)
    program.send_signal(signal.SIGTERM)
    program.wait(timeout=30)
    return elapsed, peak


def program_folder(root, build, source):
    """Lays out a fresh program folder under `root` with `build`'s control library registered and
    returns the environment that starts vevuzer on it (offscreen, the source's assets)."""
    runtime = os.path.join(root, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, BELLTALE_HOME=os.path.join(root, "home"),
               QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=runtime,
               BELLTALE_ASSETS=os.path.join(source, "vevuzer", "assets"))
    subprocess.run([os.path.join(build, "bin", "regsvr"), "/s",
                    os.path.join(build, "lib", "liblkLK36.so")], env=env, check=True)
    # The speech components count as installed, so the first start opens the main window.
    for marker in (("speech", "speech.hlp"), ("lhsp", "tv", "Tv_enua.dll")):
        path = os.path.join(root, "home", "windows", *marker)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "wb").close()
    return env


def one_run(build, source, with_bare=True):
    """The bare window's start (when asked for) and `build`'s first and second start."""
    with tempfile.TemporaryDirectory(prefix="belltale-bench-") as root:
        env = program_folder(root, build, source)
        bare = timed_start([os.path.join(build, "bin", "bare_window")], BARE_READY, env) \
            if with_bare else None
        vevuzer = [os.path.join(build, "vevuzer", "vevuzer"), "--assign-exchange-lines"]
        first = timed_start(vevuzer, VEVUZER_READY, env)
        second = timed_start(vevuzer, VEVUZER_READY, env)
        return (bare, first, second) if with_bare else (first, second)


def main():
    args = sys.argv[1:]
    runs = 15
    beside = None
    if "--runs" in args:
        at = args.index("--runs")
        runs = int(args[at + 1])
        del args[at:at + 2]
    if "--beside" in args:
        at = args.index("--beside")
        beside = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = os.path.abspath(args[0] if args else os.path.join(source, "build"))
    names = ["bare Qt window", "vevuzer first start", "vevuzer second start"]
    results = []
    for _ in range(runs):
        row = list(one_run(build, source))
        if beside:
            row += one_run(beside, source, with_bare=False)
        results.append(row)
    if beside:
        names += ["beside: first start", "beside: second start"]
    columns = list(zip(*results))
    times = [statistics.median(start[0] for start in column) * 1000 for column in columns]
    peaks = [statistics.median(start[1] for start in column) / 1024 for column in columns]
    bare_ms, bare_mib = times[0], peaks[0]
    print(f"{'':<22}{'start ms':>10}{'x bare':>9}{'peak MiB':>10}{'over bare':>11}")
    for name, ms, mib in zip(names, times, peaks):
        print(f"{name:<22}{ms:>10.1f}{ms / bare_ms:>9.2f}{mib:>10.1f}{mib - bare_mib:>11.1f}")
    if beside:
        print(f"(beside: {beside})")
    print(f"(medians of {runs} interleaved runs; targets: each start at most 1.5x bare, "
          "peak at most 8 MiB over bare)")


if __name__ == "__main__":
    main()

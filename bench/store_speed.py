#!/usr/bin/python3
"""The registry's speed as a user meets it: registering the control library, and vevuzer's first
start (which writes its settings) against its second (which finds them), side by side.

    bench/store_speed.py [BUILD_DIR] [--runs N]

Each figure is the median of N runs (default 5), each in a fresh program folder. A start is timed
from the process's launch to its ready line; the program is then closed with SIGTERM."""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

READY = b"vevuzer: the main window is open"


def timed_start(vevuzer, env):
    begin = time.perf_counter()
    program = subprocess.Popen([vevuzer, "--assign-exchange-lines"], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    for line in program.stdout:
        if line.startswith(READY):
            break
    else:
        sys.exit("vevuzer ended before its window opened")
    elapsed = time.perf_counter() - begin
    program.send_signal(signal.SIGTERM)
    program.wait(timeout=30)
    return elapsed


def one_run(build, source):
    with tempfile.TemporaryDirectory(prefix="belltale-bench-") as root:
        runtime = os.path.join(root, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, BELLTALE_HOME=os.path.join(root, "home"), QT_QPA_PLATFORM="offscreen",
                   XDG_RUNTIME_DIR=runtime, BELLTALE_ASSETS=os.path.join(source, "vevuzer", "assets"))
        begin = time.perf_counter()
        subprocess.run([os.path.join(build, "bin", "regsvr"), "/s",
                        os.path.join(build, "lib", "liblkLK36.so")], env=env, check=True)
        regsvr = time.perf_counter() - begin
        # The speech components count as installed, so the first start opens the main window.
        for marker in (("speech", "speech.hlp"), ("lhsp", "tv", "Tv_enua.dll")):
            path = os.path.join(root, "home", "windows", *marker)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            open(path, "wb").close()
        vevuzer = os.path.join(build, "vevuzer", "vevuzer")
        first = timed_start(vevuzer, env)
        second = timed_start(vevuzer, env)
        return regsvr, first, second


def main():
    args = sys.argv[1:]
    runs = 5
    if "--runs" in args:
        at = args.index("--runs")
        runs = int(args[at + 1])
        del args[at:at + 2]
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = os.path.abspath(args[0] if args else os.path.join(source, "build"))
    results = [one_run(build, source) for _ in range(runs)]
    regsvr, first, second = (statistics.median(column) for column in zip(*results))
    print(f"{'regsvr liblkLK36.so':<24}{'vevuzer first start':<24}{'second start':<16}first/second")
    print(f"{regsvr * 1000:<24.1f}{first * 1000:<24.1f}{second * 1000:<16.1f}{first / second:.2f}")
    print("(milliseconds, median of %d runs; targets: regsvr under 50, first/second at most 1.5)" % runs)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""How long `stop`, `isready` and `quit` take to be answered while every
thread searches: for each thread count, `go infinite` is started on a middle
game position, left to run half a second, then interrupted; `stop` is timed
to `bestmove`, `isready` to `readyok`, `quit` to the end of the process (a
fresh process each time).  Prints the worst of the tries, in milliseconds.

    python3 tools/threads/latency.py build/velkar 2 8 64
"""
import subprocess
import sys
import time

TRIES = 5
POSITION = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6"


class Engine:
    def __init__(self, binary, threads):
        self.p = subprocess.Popen([binary], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.send("uci")
        self.wait("uciok")
        self.send(f"setoption name Threads value {threads}", "isready")
        self.wait("readyok")

    def send(self, *lines):
        for line in lines:
            self.p.stdin.write(line + "\n")
        self.p.stdin.flush()

    def wait(self, token):
        for line in self.p.stdout:
            if line.startswith(token):
                return
        raise RuntimeError(f"no {token}")

    def searching(self):
        self.send(POSITION, "go infinite")
        time.sleep(0.5)
        return time.monotonic()


def worst(binary, threads):
    times = {"stop": [], "isready": [], "quit": []}
    e = Engine(binary, threads)
    for _ in range(TRIES):
        t = e.searching()
        e.send("stop")
        e.wait("bestmove")
        times["stop"].append(time.monotonic() - t)
        t = e.searching()
        e.send("isready")
        e.wait("readyok")
        times["isready"].append(time.monotonic() - t)
        e.send("stop")
        e.wait("bestmove")
    e.send("quit")
    e.p.wait()
    for _ in range(TRIES):
        e = Engine(binary, threads)
        t = e.searching()
        e.send("quit")
        e.p.wait()
        times["quit"].append(time.monotonic() - t)
    return {k: round(max(v) * 1000, 1) for k, v in times.items()}


if __name__ == "__main__":
    for n in sys.argv[2:] or ["2", "8", "64"]:
        w = worst(sys.argv[1], int(n))
        print(f"Threads {n}: stop {w['stop']} ms, isready {w['isready']} ms, quit {w['quit']} ms", flush=True)

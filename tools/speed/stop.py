#!/usr/bin/env python3
"""Time from `stop` to `bestmove` during `go infinite`, five tries in one
process, for an engine given as a command (the WebAssembly engine under
Node gives the event loop a turn at most every 10 ms of search).

    python3 tools/speed/stop.py node web/dist/uci.js
"""
import subprocess
import sys
import time


def main():
    p = subprocess.Popen(sys.argv[1:], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def send(line):
        p.stdin.write(line + "\n")
        p.stdin.flush()

    def until(prefix):
        for line in p.stdout:
            if line.startswith(prefix):
                return time.perf_counter()
        raise SystemExit(f"the engine ended before {prefix}")

    send("uci")
    until("uciok")
    times = []
    for i in range(5):
        send("isready")
        until("readyok")
        send("position startpos moves e2e4 e7e5")
        send("go infinite")
        time.sleep(1.0 + 0.1 * i)
        start = time.perf_counter()
        send("stop")
        times.append((until("bestmove") - start) * 1000)
    send("quit")
    p.wait()
    print("stop to bestmove, ms:", " ".join(f"{t:.1f}" for t in times), f"(at most {max(times):.1f})")


main()

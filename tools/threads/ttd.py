#!/usr/bin/env python3
"""Time to depth: how long `go depth D` takes with Threads A and Threads B on
the same positions, each position searched by a fresh process, the two
thread counts taken alternately so that a change of the machine's load
touches both alike.  Prints each position's times and ratio, then the median
and geometric mean of the ratios (A's time over B's: above 1 when B is
faster).

    python3 tools/threads/ttd.py build/velkar --depth 10 --threads 1 2
    python3 tools/threads/ttd.py build/velkar --other /tmp/velkar-old ...
"""
import argparse
import math
import os
import statistics
import subprocess
import time

DATA = os.path.join(os.path.dirname(__file__), "..", "..", "..", "shared", "data")


def positions(count):
    """Half from the Bratko-Kopec suite, half from the 8-move openings."""
    def fens(name, n):
        out = []
        with open(os.path.join(DATA, name)) as f:
            for line in f:
                fields = line.split()
                if len(fields) >= 4 and not line.startswith("#"):
                    out.append(" ".join(fields[:4]) + " 0 1")
                if len(out) == n:
                    break
        return out
    return fens("bk.epd", count // 2) + fens("openings_8moves_v3_sample250.epd", count - count // 2)


def search(binary, threads, fen, depth):
    p = subprocess.Popen([binary], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    def send(s):
        p.stdin.write(s + "\n")
        p.stdin.flush()
    def wait(token):
        for line in p.stdout:
            if line.startswith(token):
                return line
        raise RuntimeError("engine ended")
    send("uci")
    wait("uciok")
    send(f"setoption name Threads value {threads}")
    send("isready")
    wait("readyok")
    send(f"position fen {fen}")
    send("isready")
    wait("readyok")
    start = time.monotonic()
    send(f"go depth {depth}")
    wait("bestmove")
    elapsed = time.monotonic() - start
    send("quit")
    p.wait()
    return elapsed


def main():
    a = argparse.ArgumentParser()
    a.add_argument("binary")
    a.add_argument("--other", help="binary for the second thread count (default: the same)")
    a.add_argument("--depth", type=int, default=10)
    a.add_argument("--threads", type=int, nargs=2, default=[1, 2])
    a.add_argument("--positions", type=int, default=20)
    args = a.parse_args()
    other = args.other or args.binary
    ratios = []
    for k, fen in enumerate(positions(args.positions)):
        # Alternate which one runs first.
        runs = [(args.binary, args.threads[0]), (other, args.threads[1])]
        times = {}
        for binary, threads in (runs if k % 2 == 0 else runs[::-1]):
            times[(binary, threads)] = search(binary, threads, fen, args.depth)
        ta, tb = times[tuple(runs[0])], times[tuple(runs[1])]
        ratios.append(ta / tb)
        print(f"{k + 1:2d} {ta:7.3f} s {tb:7.3f} s  ratio {ta / tb:5.2f}  {fen}", flush=True)
    geo = math.exp(sum(math.log(r) for r in ratios) / len(ratios))
    print(f"median ratio {statistics.median(ratios):.2f}, geometric mean {geo:.2f} over {len(ratios)} positions")


if __name__ == "__main__":
    main()

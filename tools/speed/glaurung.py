#!/usr/bin/env python3
"""Nodes per second of Velkar and of Debian's Glaurung 2.2 (package
glaurung) at `go movetime 4000` on a middlegame, one thread each (Glaurung's
default is 2), the two taken in turn.  Prints the last `info ... nps` of
each search, the medians and their ratio.

    python3 tools/speed/glaurung.py 3 build/velkar
"""
import re
import statistics
import subprocess
import sys

FEN = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 9"


def nps(command):
    p = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def send(line):
        p.stdin.write(line + "\n")
        p.stdin.flush()

    send("uci")
    send("setoption name Threads value 1")
    send("isready")
    for line in p.stdout:
        if line.startswith("readyok"):
            break
    send("position fen " + FEN)
    send("go movetime 4000")
    last = None
    for line in p.stdout:
        m = re.search(r"\bnps (\d+)", line)
        if m:
            last = int(m.group(1))
        if line.startswith("bestmove"):
            break
    send("quit")
    p.wait()
    return last


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    velkar = sys.argv[2] if len(sys.argv) > 2 else "build/velkar"
    v, g = [], []
    for _ in range(rounds):
        v.append(nps([velkar]))
        g.append(nps(["/usr/games/glaurung"]))
    print("Velkar  ", " ".join(f"{x / 1e6:.2f}" for x in v), f"median {statistics.median(v) / 1e6:.2f} M")
    print("Glaurung", " ".join(f"{x / 1e6:.2f}" for x in g), f"median {statistics.median(g) / 1e6:.2f} M")
    print(f"ratio of the medians {statistics.median(v) / statistics.median(g):.2f}")


main()

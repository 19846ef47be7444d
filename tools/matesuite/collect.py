#!/usr/bin/env python3
"""Collects short mates for the mate suite from test-suite files, with a
reference engine as the judge (Debian's Stockfish by default).

Every position is searched briefly; those where the side to move mates in
1..MAX moves are searched again, longer, and kept with the mate length the
longer search gives and its first move, or a shorter one that `go mate`
then finds.  With --walk L, a longer mate (up to L moves) is followed along
the reference's line until MAX moves are left, and that position is kept
(its id says how many plies were played).  The output is EPD with `dm N`
(mate in N moves), `bm` as the first move in coordinates, and the source's
id.

    python3 tools/matesuite/collect.py ../shared/data/wac.epd ../shared/data/bk.epd > mates.epd
"""

import argparse
import re
import subprocess
import sys

SCORE = re.compile(r" score (cp|mate) (-?\d+).* pv (.+)$")


class Reference:
    def __init__(self, cmd):
        self.p = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.send("uci")
        self.wait("uciok")
        self.send("setoption name Hash value 64")

    def send(self, line):
        self.p.stdin.write(line + "\n")

    def wait(self, prefix):
        last = None
        for line in self.p.stdout:
            if line.startswith("info") and " score " in line and " pv " in line:
                last = line
            if line.startswith(prefix):
                return last
        raise RuntimeError("reference engine ended")

    def mate(self, fen, go):
        self.send("ucinewgame")
        self.send(f"position fen {fen}")
        self.send(go)
        m = SCORE.search(self.wait("bestmove") or "")
        if not m or m.group(1) != "mate":
            return None, None
        return int(m.group(2)), m.group(3).split()

    def fen_after(self, fen, moves):
        self.send(f"position fen {fen} moves {' '.join(moves)}")
        self.send("d")
        for line in self.p.stdout:
            if line.startswith("Fen: "):
                fen = line[5:].strip()
            if line.startswith("Checkers"):
                return fen
        raise RuntimeError("reference engine ended")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("files", nargs="+")
    ap.add_argument("--engine", default="/usr/games/stockfish")
    ap.add_argument("--max", type=int, default=5, help="longest mate kept, in moves")
    ap.add_argument("--screen", default="go depth 14")
    ap.add_argument("--confirm", default="go depth 32 movetime 8000")
    ap.add_argument("--shorter", default="movetime 3000", help="limit of the search for a shorter mate")
    ap.add_argument("--walk", type=int, default=0, help="follow mates up to this long down to --max")
    a = ap.parse_args()
    ref = Reference([a.engine])
    for path in a.files:
        for line in open(path):
            line = line.strip()
            if not line:
                continue
            fields = line.split()
            fen = " ".join(fields[:4]) + " 0 1"
            ident = re.search(r'id "([^"]+)"', line)
            ident = ident.group(1) if ident else f"{path}:{fields[0]}"
            k, _ = ref.mate(fen, a.screen)
            if k is None or not 1 <= k <= max(a.max, a.walk) + 1:
                continue
            k, pv = ref.mate(fen, a.confirm)
            if k is None or not 1 <= k <= max(a.max, a.walk):
                continue
            if k > a.max:
                plies = 2 * (k - a.max)
                if len(pv) <= plies:
                    continue
                fen = ref.fen_after(fen, pv[:plies])
                ident = f"{ident}+{plies}"
                k, pv = ref.mate(fen, a.confirm)
                if k is None or not 1 <= k <= a.max:
                    continue
            # The longer search may miss a shorter mate: ask for one.
            while k > 1:
                shorter, spv = ref.mate(fen, f"go mate {k - 1} {a.shorter}")
                if shorter is None or not 1 <= shorter < k:
                    break
                k, pv = shorter, spv
            print(f'{" ".join(fen.split()[:4])} dm {k}; bm {pv[0]}; id "{ident}";', flush=True)
            print(f"{ident}: mate in {k} ({pv[0]})", file=sys.stderr, flush=True)
    ref.send("quit")


if __name__ == "__main__":
    main()

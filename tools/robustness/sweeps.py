#!/usr/bin/env python3
"""Two sweeps through the binary, as an interface would drive it.

levels: at every level and clock of the sweep, the mates in one of
  ../shared/data/mate_in_1.epd and the mates in two of
  tests/data/mate_suite.epd (verified with another engine) are played, and king and queen or
  king and rook win against a random mover.
nodes: `go nodes N` for N from 1 to 8000 with Threads 1, 2, 4 and 8 on
  positions where the move the first iteration tries first loses material:
  the reply is never that move unless a real search (Threads 1, depth 4)
  chooses it too.

    python3 tools/robustness/sweeps.py build/velkar levels
    python3 tools/robustness/sweeps.py build/velkar nodes
"""
import os
import random
import subprocess
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
SHARED = os.path.normpath(os.path.join(ROOT, "..", "shared", "data"))


class Engine:
    def __init__(self, binary):
        self.p = subprocess.Popen([binary], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.send("uci")
        self.wait("uciok")

    def send(self, *lines):
        for line in lines:
            self.p.stdin.write(line + "\n")
        self.p.stdin.flush()

    def wait(self, prefix):
        before = []
        for line in self.p.stdout:
            line = line.rstrip("\n")
            if line.startswith(prefix):
                return line, before
            before.append(line)
        raise RuntimeError("engine ended")

    def sync(self):
        self.send("isready")
        return self.wait("readyok")[1]

    def best(self, go):
        self.send(go)
        return self.wait("bestmove")[0].split()[1]

    def legal(self, position):
        self.send(position, "perft 1")
        moves = []
        for line in self.p.stdout:
            if line.startswith("Nodes searched"):
                return moves
            if ": " in line:
                moves.append(line.split(":")[0])

    def close(self):
        self.send("quit")
        self.p.wait()


def position(fen, moves=()):
    return f"position fen {fen}" + (" moves " + " ".join(moves) if moves else "")


def mated(ref, fen, moves):
    """Is the side to move mated after these moves?  Asked of a reference engine."""
    ref.send(position(fen, moves))
    ref.send("go depth 1")
    line, before = ref.wait("bestmove")
    return line.split()[1] == "(none)" and any(" score mate 0" in l for l in before)


def mates(limit):
    out = []
    with open(os.path.join(SHARED, "mate_in_1.epd")) as f:
        for line in f:
            fields = line.split()
            if len(fields) > 4:
                out.append((" ".join(fields[:4]) + " 0 1", 1))
    two = os.path.join(ROOT, "tests", "data", "mate_suite.epd")
    if os.path.exists(two):
        with open(two) as f:
            for line in f:
                fields = line.split()
                if len(fields) > 4 and " dm 2;" in line:
                    out.append((" ".join(fields[:4]) + " 0 1", 2))
    return out[:limit]


def forced_mate(ref, fen, first, n):
    """Does `first` mate in n or fewer against every defence?  (n <= 2)"""
    if mated(ref, fen, [first]):
        return True
    if n == 1:
        return False
    for reply in ref.legal(position(fen, [first])):
        found = any(mated(ref, fen, [first, reply, m]) for m in ref.legal(position(fen, [first, reply])))
        if not found:
            return False
    return True


def play_out(e, ref, fen, go, rng):
    """The engine against a random mover: plies to mate, or None."""
    moves = []
    for ply in range(200):
        if mated(ref, fen, moves):
            return ply
        if ply % 2 == 0:
            e.send(position(fen, moves))
            moves.append(e.best(go))
        else:
            legal = ref.legal(position(fen, moves))
            if not legal:
                return None  # stalemate
            moves.append(rng.choice(legal))
    return None


def levels(binary):
    e, ref, rng = Engine(binary), Engine(binary), random.Random(1)
    e.send("setoption name UCI_LimitStrength value true")
    failures = total = 0
    for elo in (740, 1000, 1290, 1695):
        e.send(f"setoption name UCI_Elo value {elo}")
        for clock in ("wtime 50 btime 50", "wtime 200 btime 200", "wtime 2000 btime 2000", "movetime 10",
                      "movetime 60"):
            go = "go " + clock
            bad = []
            for fen, n in mates(1000):
                e.send("ucinewgame", position(fen))
                move = e.best(go)
                total += 1
                if not forced_mate(ref, fen, move, n):
                    bad.append((fen, move))
            for fen in ("8/8/8/4k3/8/8/8/4K2Q w - - 0 1", "8/8/8/4k3/8/8/8/4K2R w - - 0 1"):
                e.send("ucinewgame")
                plies = play_out(e, ref, fen, go, rng)
                total += 1
                if plies is None:
                    bad.append((fen, "not mated"))
            failures += len(bad)
            print(f"Elo {elo:4d} {clock:22s} {'ok' if not bad else bad}", flush=True)
    e.close()
    ref.close()
    print(f"{total - failures} of {total} kept")
    return failures == 0


def nodes(binary):
    fens = ["r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
            "rnbqkb1r/pppp1ppp/5n2/4p3/4P3/2N5/PPPP1PPP/R1BQKBNR w KQkq - 2 3",
            "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
            "rnbqkbnr/ppp2ppp/8/3pp3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3"]
    # In the first position the move tried first, f3e5, loses the knight.
    fallback = {fens[0]: "f3e5"}
    counts = [1, 10, 100, 300, 600, 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000, 8000]
    e, failures, total = Engine(binary), 0, 0
    for fen in fens:
        e.send("setoption name Threads value 1", position(fen))
        searched = {e.best("go depth 4")}
        e.send("ucinewgame", position(fen))
        for threads in (1, 2, 4, 8):
            e.send(f"setoption name Threads value {threads}")
            answers = set()
            for n in counts:
                e.send("ucinewgame", position(fen))
                answers.add(e.best(f"go nodes {n}"))
                total += 1
            if fallback.get(fen) in answers:
                failures += 1
            print(f"Threads {threads} {fen}: {sorted(answers)} (depth 4: {sorted(searched)})", flush=True)
            e.send(position(fen))
    e.close()
    print(f"{total} searches, {failures} answered the unsearched move")
    return failures == 0


if __name__ == "__main__":
    ok = {"levels": levels, "nodes": nodes}[sys.argv[2]](sys.argv[1])
    sys.exit(0 if ok else 1)

#!/usr/bin/env python3
"""Runs a mate suite through the engine as a mate-finding user would: for
every position `go mate N` (N its `dm`), with no clock, waiting for the
engine to answer by itself.  Each answer is judged on the last line with a
score before `bestmove`:

  found     a mate in K <= N for the side to move,
  shortest  K equal to the suite's dm (the shortest mate known),
  good PV   the line is K moves long and ends in mate (checked by playing
            it on a second engine process and asking for its legal moves).

With MultiPV the line judged is the last one of variation 1.  A position
not answered within --limit seconds is stopped and counted as unanswered.
Exits non-zero when a position is unanswered or not found.

With --referee the lines are played on chess.js (tests/soak, after `npm ci`
there) instead of a second engine process, so that the engine does not judge
its own lines; --runs repeats every position (threads are not repeatable)
and counts each run, and a run whose bestmove is not its line's first move
counts as not found.

    python3 tools/matesuite/matesuite.py build/velkar tests/data/mate_suite.epd
"""

import argparse
import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "pipe"))
import uci  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "soak"))

SCORE = re.compile(r" score (cp|mate) (-?\d+)")


def read_suite(path):
    """(fen, dm, id) for every line with a `dm` opcode."""
    suite = []
    for line in open(path):
        m = re.search(r"\bdm (\d+);", line)
        if not m:
            continue
        ident = re.search(r'id "([^"]+)"', line)
        suite.append((uci.epd_fen(line), int(m.group(1)), ident.group(1) if ident else line.split()[0]))
    return suite


def mates(oracle, fen, pv):
    """True when the moves of pv, played from fen, are legal and end in mate."""
    oracle.send(uci.position_command(fen, pv))
    if uci.board_fen(oracle).split()[:4] == fen.split()[:4] and pv:
        return False  # the position command stopped at an illegal move
    oracle.send("go depth 1")
    first = oracle.read()
    oracle.expect("bestmove")
    return first == "info depth 0 score mate 0"


def mates_refereed(referee, fen, pv):
    """The same judgement by chess.js."""
    referee.load(fen)
    state = None
    for move in pv:
        r = referee.play(move)
        if r is None:
            return False
        state = r[0]
    return state == "checkmate"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine")
    ap.add_argument("suites", nargs="+")
    ap.add_argument("--limit", type=float, default=10.0, help="seconds a position may take")
    ap.add_argument("--option", action="append", default=[], help="NAME=VALUE, a UCI option to set")
    ap.add_argument("-v", "--verbose", action="store_true", help="a line for every position")
    ap.add_argument("--referee", action="store_true", help="judge the lines with chess.js, not a second engine")
    ap.add_argument("--runs", type=int, default=1, help="searches of every position")
    a = ap.parse_args()
    uci.BINARY = os.path.abspath(a.engine)

    suite = [p for path in a.suites for p in read_suite(path) for _ in range(a.runs)]
    referee = None
    if a.referee:
        import soak  # noqa: E402
        referee = soak.Referee()
    counts = dict(answered=0, found=0, shortest=0, good_pv=0)
    longest, failures = (0.0, None), []
    with uci.Engine() as e, uci.Engine() as oracle:
        e.banner()
        oracle.banner()
        for opt in a.option:
            name, _, value = opt.partition("=")
            e.send(f"setoption name {name} value {value}")
        for fen, dm, ident in suite:
            e.send("ucinewgame", f"position fen {fen}")
            e.sync()
            start = time.monotonic()
            e.send(f"go mate {dm}")
            try:
                best, infos = e.expect("bestmove", a.limit)
                answered = True
            except uci.EngineError:
                e.send("stop")
                best, infos = e.expect("bestmove", 10.0)
                answered = False
            took = time.monotonic() - start
            # With MultiPV the answer's line is the last one of variation 1.
            scored = [l for l in infos if SCORE.search(l) and (" multipv " not in l or " multipv 1 " in l)]
            kind, value = SCORE.search(scored[-1]).groups() if scored else ("none", "0")
            k = int(value) if kind == "mate" else 0
            pv = scored[-1].split(" pv ")[1].split() if scored and " pv " in scored[-1] else []
            found = answered and 0 < k <= dm
            found = found and bool(pv) and pv[0] == best.split()[1]
            good_pv = found and len(pv) == 2 * k - 1 and (mates_refereed(referee, fen, pv) if referee
                                                          else mates(oracle, fen, pv))
            counts["answered"] += answered
            counts["found"] += found
            counts["shortest"] += found and k == dm
            counts["good_pv"] += good_pv
            longest = max(longest, (took, ident))
            verdict = "ok" if found else ("not found" if answered else "unanswered")
            if not found:
                failures.append(f"{ident} (dm {dm}): {verdict}, last score {kind} {value}")
            if a.verbose:
                print(f"{ident:28} dm {dm} {kind} {value:>3} {took:6.2f} s {verdict}"
                      f"{'' if good_pv or not found else ' (PV not a complete mate)'}  {best}", flush=True)
    n = len(suite)
    print(f"positions {n}: answered by itself {counts['answered']}, found {counts['found']}, "
          f"shortest {counts['shortest']}, complete mating PV {counts['good_pv']}; "
          f"longest {longest[0]:.2f} s ({longest[1]})")
    for f in failures:
        print("  " + f)
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())

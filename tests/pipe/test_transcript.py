"""Short games the engine plays against itself through the binary, compared
line for line with a recorded transcript (tests/data/transcript_game.txt).
Every search is limited by depth or nodes, never by the clock, so it finds
the same nodes, scores and variations in every run and every build: any
change of what the search finds shows as the first line that differs.

After an intended change of the search, record the transcript again and
read the difference before committing it:

    python3 tests/pipe/test_transcript.py build/velkar --record
"""
import os
import re
import sys

import uci
from uci import Engine, position_command

TRANSCRIPT = os.path.normpath(os.path.join(uci.DATA_DIR, "transcript_game.txt"))

# (starting FEN or None for the start position, the go command of each ply).
# Each game starts with ucinewgame; every reply is played before the next ply.
GAMES = [
    # An opening and early middlegame: both sides castle, pieces are traded,
    # and the transposition table carries over from move to move.
    (None, ["go depth 7"] * 20),
    # Black sacrifices the queen on f1 and the e-pawn promotes by capturing
    # on f1: a promotion in the variations, in a reply and in the moves of a
    # position command.  The first ply is limited by nodes, so that search
    # stops inside an iteration.
    ("5r1k/pp4pp/2p5/2b1P3/4Pq2/1PB1p3/P3Q1PP/3N2K1 b - - 0 1",
     ["go nodes 30000"] + ["go depth 7"] * 5),
    # A mate in three that is played out; the last search is on the mated board.
    ("2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", ["go depth 7"] * 4),
]


def kept(line):
    """The part of an output line that does not depend on the clock, or None.
    Lines with a score (variations, and the reply to a finished game) lose
    their time and speed fields; progress lines, which come every second,
    are dropped.  Trailing blanks go: variations end with a space, which the
    file does not keep."""
    if line.startswith("bestmove"):
        return line.rstrip()
    if " score " in line:
        return re.sub(r" (time|nps) \d+", "", line).rstrip()
    return None


def play():
    """The transcript of this binary: commands as '> ' lines, each followed
    by the lines it produced."""
    out = []
    with Engine() as e:
        def send(command):
            out.append("> " + command)
            e.send(command)

        send("uci")
        e.expect("uciok")
        send("isready")
        e.expect("readyok")
        for fen, plies in GAMES:
            send("ucinewgame")
            moves = []
            for go in plies:
                send(position_command(fen, moves))
                out.append("> " + go)
                infos, best = e.search(go, timeout=120)
                out.extend(k for k in map(kept, infos + [best]) if k is not None)
                move = (best.split() + ["(none)"])[1]
                if move == "(none)":
                    break  # the game is over
                moves.append(move)
    return out


def first_difference(expected, got):
    for i, (a, b) in enumerate(zip(expected, got)):
        if a != b:
            return i
    return None if len(expected) == len(got) else min(len(expected), len(got))


def main():
    if len(sys.argv) < 2:
        sys.exit(f"usage: {sys.argv[0]} <path to velkar> [--record]")
    uci.BINARY = os.path.abspath(sys.argv[1])
    name = os.path.basename(sys.argv[0])
    got = play()
    if sys.argv[2:] == ["--record"]:
        with open(TRANSCRIPT, "w") as f:
            f.write("\n".join(got) + "\n")
        print(f"{name}: recorded {len(got)} lines in {TRANSCRIPT}")
        return
    with open(TRANSCRIPT) as f:
        expected = f.read().splitlines()
    i = first_difference(expected, got)
    if i is None:
        print(f"{name}: {sum(l.startswith('> go') for l in got)} searches as recorded")
        return
    # The search that differs: its commands and the lines it agreed on.
    start = max((j for j in range(i) if expected[j].startswith("> position")), default=0)
    print(f"line {i + 1} of {os.path.basename(TRANSCRIPT)} differs; before it:")
    for line in expected[start:i]:
        print("   ", line)
    print("expected:", expected[i] if i < len(expected) else "(end of transcript)")
    print("got:     ", got[i] if i < len(got) else "(end of output)")
    print(f"{name}: differs from the transcript at line {i + 1}")
    sys.exit(1)


if __name__ == "__main__":
    main()

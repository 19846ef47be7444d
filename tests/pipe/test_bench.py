"""The bench node count is the signature of the whole search: any change of
what the engine searches changes it.  A shallow bench runs in every build,
from the command line and, after options that change how searches run, as
a command: it searches with the defaults and gives the session back, and
counts what the command line counts after searches of the session (their
traces and what the searchers learned are forgotten first).  Its
output must also read as OpenBench's workers read a bench: from the last
line up, punctuation taken for blanks, the first node count and the first
speed found."""
import re
import subprocess
import sys

SIGNATURE_DEPTH_5 = 2907547
OPTIONS = ["setoption name MultiPV value 3", "setoption name Hash value 16", "setoption name UCI_Chess960 value true",
           "setoption name UCI_LimitStrength value true", "setoption name Threads value 2",
           "setoption name Move Overhead value 500", "position startpos moves e2e4"]


def nodes(out):
    return [l for l in out.splitlines() if l.startswith("Nodes searched: ")]


def openbench_reading(out):
    count = speed = None
    for line in reversed(out.strip().splitlines()):
        line = re.sub(r"[^a-zA-Z0-9 ]+", " ", line).upper()
        n = re.search(r"([0-9]+ NODES)|(NODES[ ]+[0-9]+)|(NODES SEARCHED[ ]+[0-9]+)", line)
        s = re.search(r"([0-9]+ NPS)|(NPS[ ]+[0-9]+)|(NODES SECOND[ ]+[0-9]+)", line)
        count = count or (n and int(re.sub(r"[^0-9]", "", n.group())))
        speed = speed or (s and int(re.sub(r"[^0-9]", "", s.group())))
    return count, speed


def main():
    out = subprocess.run([sys.argv[1], "bench", "5"], capture_output=True, text=True, timeout=600,
                         stdin=subprocess.DEVNULL).stdout
    assert nodes(out) == [f"Nodes searched: {SIGNATURE_DEPTH_5}"], nodes(out)
    assert any(l.startswith("Nodes/second: ") for l in out.splitlines())
    count, speed = openbench_reading(out)
    assert count == SIGNATURE_DEPTH_5 and speed and speed > 0, (count, speed)
    session = "\n".join(OPTIONS + ["bench 5", "d", "quit"]) + "\n"
    out = subprocess.run([sys.argv[1]], input=session, capture_output=True, text=True, timeout=600).stdout
    assert nodes(out) == [f"Nodes searched: {SIGNATURE_DEPTH_5}"], nodes(out)
    fen = [l for l in out.splitlines() if l.startswith("Fen: ")]
    assert fen == ["Fen: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b HAha e3 0 1"], fen
    # After a search, and once more after the first bench: the same count.
    session = "\n".join(["position fen r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
                         "go depth 9", "bench 5", "go depth 6", "bench 5", "bench 5", "quit"]) + "\n"
    out = subprocess.run([sys.argv[1]], input=session, capture_output=True, text=True, timeout=600).stdout
    assert nodes(out) == [f"Nodes searched: {SIGNATURE_DEPTH_5}"] * 3, nodes(out)
    print("bench depth 5 signature ok, read as OpenBench reads it; options and game kept; equal after searches")


if __name__ == "__main__":
    main()

"""Perft at the published depths through the binary (minutes in a release
build; labelled slow).  Each data-file position is counted at its deepest
listed depth whose count stays within LEAF_LIMIT (a position listed only
beyond it is left out)."""

import time
import unittest

import uci
from uci import Engine, perft

LEAF_LIMIT = 100_000_000
PERFT_TIMEOUT = 600  # one count; a hung engine fails, a slow one does not

PUBLISHED = [
    (uci.START_FEN, 5, 4865609),
    (uci.START_FEN, 6, 119060324),
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5, 193690690),
    ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6, 11030083),
    ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 5, 15833292),
    ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487),
    ("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594),
]


def suite(name):
    """(FEN, depth, count) of each line of a perft file, at the chosen depth."""
    cases = []
    for line in uci.data_file(name):
        fen, *fields = [f.strip() for f in line.split(";")]
        counts = [(int(f.split()[0][1:]), int(f.split()[1])) for f in fields]
        within = [c for c in counts if c[1] <= LEAF_LIMIT]
        if within:
            cases.append((fen, *within[-1]))
    return cases


class PublishedCounts(unittest.TestCase):
    def run_cases(self, cases, chess960=False):
        start, failures = time.monotonic(), []
        with Engine() as e:
            e.banner()
            e.send("setoption name Hash value 2")  # every position command empties the table
            if chess960:
                e.send("setoption name UCI_Chess960 value true")
            for fen, depth, expected in cases:
                e.send(f"position fen {fen}")
                moves, total = perft(e, depth, timeout=PERFT_TIMEOUT)
                if total != expected or sum(moves.values()) != total:
                    failures.append(f"{fen} depth {depth}: {total}, expected {expected}")
            e.send("quit")
            self.assertEqual(e.wait_exit(), 0)
        print(f"  {len(cases)} counts in {time.monotonic() - start:.1f} s", flush=True)
        self.assertEqual(failures, [])

    def test_published_positions(self):
        self.run_cases(PUBLISHED)

    def test_perft_suite(self):
        self.run_cases(suite("perftsuite.epd"))

    def test_deep_positions(self):
        self.run_cases(suite("perft_cpw_deep.epd"))

    def test_special_positions(self):
        self.run_cases(suite("perft_tricky.epd") + suite("perft_double_checks.epd"))

    def test_chess960_positions(self):
        # Depth 5 of the Chess960 suite, castling written as king takes rook.
        self.run_cases([c for c in suite("perft960.epd") if c[1] == 5], chess960=True)


if __name__ == "__main__":
    uci.run_tests()

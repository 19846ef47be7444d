"""go mate N through the binary: it answers by itself once an iteration
proves a mate in N or fewer (for the side to move, or against it), and its
last line before bestmove carries that mate; otherwise the other limits of
the line, or the deepest iteration, end it."""

import re
import unittest

import uci
from uci import Engine, position_command

SCORE = re.compile(r" score (cp|mate) (-?\d+)")
# Generous: each of these takes well under a second in a release build.
ANSWER = 60.0


class GoMate(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.e = Engine()
        cls.e.banner()
        cls.oracle = Engine()
        cls.oracle.banner()

    @classmethod
    def tearDownClass(cls):
        cls.e.close()
        cls.oracle.close()

    def mate(self, fen, go, moves=()):
        """The last score line and the move of a search that must end by itself."""
        self.e.send("ucinewgame", position_command(fen, moves))
        self.e.sync()
        infos, best = self.e.search(go, timeout=ANSWER)
        scored = [l for l in infos if SCORE.search(l)]
        self.assertTrue(scored, infos)
        kind, n = SCORE.search(scored[-1]).groups()
        pv = scored[-1].split(" pv ")[1].split() if " pv " in scored[-1] else []
        return kind, int(n), pv, best.split()[1]

    def assert_mating_line(self, fen, moves, pv, n):
        """The line is n moves of the mating side and ends in mate."""
        self.assertEqual(len(pv), 2 * n - 1, pv)
        self.oracle.send(position_command(fen, list(moves) + pv), "go depth 1")
        self.assertEqual(self.oracle.read(), "info depth 0 score mate 0", (fen, pv))
        self.oracle.expect("bestmove")

    def test_the_shortest_mate_is_found_behind_a_longer_one(self):
        # The first mate the search meets is longer than the one asked for:
        # a mate in two before the mate in one, a mate in eight before the
        # mate in four.
        for fen, n, best in (("r5r1/pQ5p/1qp2R2/2k1p3/P3P3/2PP4/2P3PP/6K1 w - - 0 1", 1, "b7e7"),
                             ("4r1k1/pp3ppp/6q1/3p4/2bP1n2/P1Q2B2/1P3PPP/6KR b - - 0 1", 1, "f4h3"),
                             ("6k1/2pb1r1p/3p1PpQ/p1nPp3/1q2P3/2N2P2/PrB5/2K3RR w - - 0 1", 4, "h6g6")):
            with self.subTest(fen=fen):
                kind, k, pv, move = self.mate(fen, f"go mate {n}")
                self.assertEqual((kind, k, move), ("mate", n, best))
                self.assert_mating_line(fen, (), pv, k)

    def test_the_last_line_carries_the_mate_found(self):
        # The mate in two of WAC.001 was once answered with a line of mate 3.
        fen = "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1"
        for n in (2, 3, 5):
            kind, k, pv, move = self.mate(fen, f"go mate {n}")
            self.assertEqual((kind, k, move), ("mate", 2, "g3g6"), n)
            self.assert_mating_line(fen, (), pv, 2)

    def test_being_mated_within_n_ends_the_search(self):
        for fen, moves, n in (("2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", ["g3g6"], 1),
                              ("r1bq2rk/pp3pbp/2p1p1pQ/7P/3P4/2PB1N2/PP3PPR/2KR4 w - - 0 1", ["h6h7"], 2)):
            kind, k, _, _ = self.mate(fen, f"go mate {n}", moves)
            self.assertEqual(kind, "mate")
            self.assertTrue(-n <= k < 0, k)

    def test_without_a_mate_other_limits_or_the_deepest_iteration_end_it(self):
        # Any number of moves, even more than a score can say, waits for a mate.
        for go in ("go mate 2 depth 5", "go mate 100000 depth 5"):
            self.e.send("ucinewgame", "position startpos")
            infos, _ = self.e.search(go, timeout=ANSWER)
            scored = [l for l in infos if SCORE.search(l)]
            self.assertEqual(SCORE.search(scored[-1]).group(1), "cp", go)
            self.assertTrue(scored[-1].startswith("info depth 5 "), (go, scored[-1]))
        self.mate(None, "go mate 3 nodes 100000")
        # Bare kings: every iteration is quick, up to the deepest one.
        kind, k, _, move = self.mate("8/8/8/4k3/8/8/8/4K3 w - - 0 1", "go mate 2")
        self.assertEqual((kind, k), ("cp", 0))
        self.assertIn(move, uci.legal_moves("8/8/8/4k3/8/8/8/4K3 w - - 0 1", engine=self.oracle))


if __name__ == "__main__":
    uci.run_tests()

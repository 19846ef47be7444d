"""More of what a careless or hostile interface does, through the pipe: go
mate with helpers, at a tablebase root and with several variations, whose
answer must be a mate played out on an independent referee (chess.js);
options changed after a move list, perft and Move Overhead at absurd values,
the input ended right after go, searchmoves naming a move twice, hashfull
after ucinewgame, tabs and short FENs, and the lines of a limited level."""

import os
import re
import sys
import time
import unittest

import uci
from uci import Engine, board_fen, position_command

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "soak"))
import soak  # noqa: E402

BEST = re.compile(r"^bestmove (\S+)( ponder (\S+))?$")
SCORE = re.compile(r" score (cp|mate) (-?\d+)")
NODES = re.compile(r" nodes (\d+)")
TABLES = os.environ.get("VELKAR_SYZYGY_DIR",
                        os.path.normpath(os.path.join(uci.DATA_DIR, "..", "..", "..", "shared", "data", "syzygy")))


def fresh(*options):
    e = Engine()
    e.banner()
    e.send(*options)
    return e


def last_scored(infos):
    scored = [l for l in infos if SCORE.search(l)]
    return scored[-1] if scored else ""


@unittest.skipUnless(soak.referee_available(), "chess.js is not installed: run `npm ci` in tests/soak")
class GoMate(unittest.TestCase):
    """Each answer: a mate in N or fewer, bestmove the line's first move, and
    the line ending in mate on the referee.  Threads are not repeatable, so
    their positions are searched several times."""

    @classmethod
    def setUpClass(cls):
        cls.referee = soak.Referee()

    @classmethod
    def tearDownClass(cls):
        cls.referee.close()

    def assert_mate(self, e, fen, n, what):
        e.send("ucinewgame", position_command(fen))
        e.sync()
        infos, best = e.search(f"go mate {n}", timeout=120)
        line = last_scored(infos)
        kind, k = SCORE.search(line).groups() if line else ("none", "0")
        self.assertEqual(kind, "mate", (what, line))
        self.assertTrue(0 < int(k) <= n, (what, line))
        pv = line.split(" pv ")[1].split()
        self.assertEqual(BEST.match(best).group(1), pv[0], (what, line, best))
        self.assertEqual(len(pv), 2 * int(k) - 1, (what, line))
        self.referee.load(fen)
        for move in pv:
            played = self.referee.play(move)
            self.assertIsNotNone(played, (what, move, line))
        self.assertEqual(played[0], "checkmate", (what, line))

    def test_helpers_answer_with_the_mate_they_proved(self):
        # A helper's mate stopped the main thread before it finished a root
        # move, and its fallback was played (d5c6, e3c1 with cp -315).
        with fresh("setoption name Threads value 2") as e:
            for run in range(8):
                self.assert_mate(e, "5K2/8/2qk4/2nPp3/3r4/6B1/B7/3R4 w - e6 0 1", 1, ("mate 1", run))
                self.assert_mate(e, "3r2k1/pb1q1pp1/1p2pb1p/8/3N4/P2QB3/1P3PPP/1Br1R1K1 w - - 0 1", 4, ("WAC.215", run))

    def test_a_longer_mate_plays_out(self):
        # A mate read from the table at another ply than it was found had
        # the wrong length: mate 7 with a line after which Black could move.
        for threads, runs in ((1, 1), (2, 3)):
            with fresh(f"setoption name Threads value {threads}") as e:
                for run in range(runs):
                    self.assert_mate(e, "8/8/8/4k3/8/8/3K4/7Q w - - 0 1", 7, ("KQvK", threads, run))

    @unittest.skipUnless(os.path.isdir(TABLES), "no tables here")
    def test_tables_and_several_variations_do_not_hide_the_mate(self):
        # The root's table move answered with cp 13000 and no mate; with
        # MultiPV 3 every other line was refuted in full before a mate.
        with fresh(f"setoption name SyzygyPath value {TABLES}") as e:
            e.sync()
            self.assert_mate(e, "8/8/8/4k3/8/8/3K4/7Q w - - 0 1", 7, "KQvK with tables")
        with fresh("setoption name MultiPV value 3", "setoption name Threads value 2") as e:
            for run in range(3):
                self.assert_mate(e, "3r2k1/pb1q1pp1/1p2pb1p/8/3N4/P2QB3/1P3PPP/1Br1R1K1 w - - 0 1", 4, ("MultiPV", run))


class Input(unittest.TestCase):
    def test_chess960_after_a_move_list_keeps_the_moves(self):
        with fresh() as e:
            e.send(position_command(None, ["e2e4"]), "setoption name UCI_Chess960 value true")
            self.assertEqual(board_fen(e).split()[:2], ["rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR", "b"])
            _, best = e.search("go depth 5")
            self.assertIn(BEST.match(best).group(1), uci.legal_moves(None, ["e2e4"]))

    def test_perft_of_a_huge_depth_is_refused(self):
        with fresh() as e:
            for depth in ("2147483647", "99999999999"):
                e.send(f"perft {depth}")
                e.expect("info string perft depth too large")
            e.sync()

    def test_tabs_and_short_fens(self):
        with fresh() as e:
            e.send("position\tfen\t8/8/8/4k3/8/8/3K4/7Q\tw\t-\t-\t0\t1\tmoves\th1h5")
            self.assertEqual(board_fen(e), "8/8/8/4k2Q/8/8/3K4/8 b - - 1 1")
            _, best = e.search("go\tdepth 3")
            self.assertTrue(BEST.match(best), best)
            for fen, expected in (("8/8/8/4k3/8/8/3K4/7Q w", "8/8/8/4k3/8/8/3K4/7Q w - - 0 1"),
                                  ("r3k3/8/8/8/8/8/8/4K3 b q -", "r3k3/8/8/8/8/8/8/4K3 b q - 0 1")):
                e.send(f"position fen {fen}")
                self.assertEqual(board_fen(e), expected, fen)

    def test_duplicate_searchmoves_are_one_move(self):
        for options in (["setoption name MultiPV value 3"],
                        ["setoption name UCI_LimitStrength value true", "setoption name UCI_Elo value 1400"]):
            with fresh(*options) as e:
                e.send(position_command())
                infos, best = e.search("go depth 4 searchmoves e2e4 e2e4")
                self.assertEqual(BEST.match(best).group(1), "e2e4")
                for l in infos:
                    self.assertNotRegex(l, r" multipv [2-9]| pv *$", options)

    def test_hashfull_after_ucinewgame(self):
        with fresh("setoption name Hash value 2") as e:
            e.send(position_command())
            infos, _ = e.search("go depth 11", timeout=120)
            self.assertGreater(int(re.search(r" hashfull (\d+)", last_scored(infos)).group(1)), 100)
            e.send("ucinewgame", position_command(None, ["e2e4"]))
            infos, _ = e.search("go depth 1")
            self.assertEqual(re.search(r" hashfull (\d+)", last_scored(infos)).group(1), "0")


class Variations(unittest.TestCase):
    def test_lines_as_long_as_known_and_a_whole_set_on_stop(self):
        # The lines after the first were cut by the table's cut-offs (10, 3
        # and 1 moves at depth 10); a stop inside a set printed line 1 only.
        with fresh("setoption name MultiPV value 4") as e:
            e.send(position_command())
            infos, _ = e.search("go depth 8", timeout=120)
            last = [l for l in infos if l.startswith("info depth 8 ") and " multipv " in l]
            self.assertEqual(len(last), 4, infos[-6:])
            for l in last:
                self.assertGreaterEqual(len(l.split(" pv ")[1].split()), 6, l)
            for pause in (0.2, 0.45, 0.7, 0.95, 1.2, 1.45):
                e.send(position_command(None, ["e2e4"]), "go infinite")
                time.sleep(pause)
                e.send("stop")
                best, infos = e.expect("bestmove", timeout=30)
                lines = [l for l in infos if " multipv " in l]
                start = max(k for k, l in enumerate(lines) if " multipv 1 " in l)
                block = lines[start:]
                self.assertEqual([int(re.search(r" multipv (\d+)", l).group(1)) for l in block], [1, 2, 3, 4], block)
                firsts = [l.split(" pv ")[1].split()[0] for l in block]
                self.assertEqual(len(set(firsts)), 4, block)
                self.assertEqual(BEST.match(best).group(1), firsts[0], block)


class Searched(unittest.TestCase):
    """Answers that came after 0 nodes, with a move nobody searched."""

    def assert_searched(self, infos, best):
        line = last_scored(infos)
        self.assertGreater(int(NODES.search(line).group(1)), 0, line)
        self.assertEqual(line.split(" pv ")[1].split()[0], BEST.match(best).group(1), line)

    def test_move_overhead_as_large_as_the_clock(self):
        for go in ("go wtime 3000 btime 3000", "go wtime 3000 btime 3000 movestogo 10",
                   "go wtime 3000 btime 3000 movestogo 1"):
            with fresh("setoption name Move Overhead value 5000") as e:
                e.send(position_command())
                self.assert_searched(*e.search(go))

    def test_end_of_input_right_after_go(self):
        with Engine() as e:
            e.banner()
            e.send(position_command(None, ["e2e4"]), "go depth 10")
            e.close_input()
            best, infos = e.expect("bestmove", timeout=30)
            self.assert_searched(infos, best)
            self.assertIn(BEST.match(best).group(1), uci.legal_moves(None, ["e2e4"]))

    def test_limited_level_with_one_variation_shows_no_candidates(self):
        with fresh("setoption name UCI_LimitStrength value true", "setoption name UCI_Elo value 1400") as e:
            for moves in ([], ["e2e4", "e7e5"]):
                e.send(position_command(None, moves))
                infos, best = e.search("go wtime 3000 btime 3000", timeout=30)
                self.assertFalse([l for l in infos if " multipv " in l], infos)
                self.assertEqual(last_scored(infos).split(" pv ")[1].split()[0], BEST.match(best).group(1))


if __name__ == "__main__":
    uci.run_tests()

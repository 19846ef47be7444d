"""Several threads through the binary: stop, isready, ponderhit and quit
answered during a search with helpers, node limits counting every thread,
and the thread count changed between searches together with the tables.
Also run under ThreadSanitizer and, as the Windows build, under wine."""

import re
import time
import unittest

import uci
from uci import Engine, legal_moves, position_command

MIDDLEGAME = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"
BEST = re.compile(r"^bestmove (\S+)")
NODES = re.compile(r" nodes (\d+)")


def best(line):
    return BEST.match(line).group(1)


class Threads(unittest.TestCase):
    def test_stop_isready_and_ponderhit_with_helpers(self):
        legal = set(legal_moves(MIDDLEGAME))
        with Engine() as e:
            e.banner()
            e.send("setoption name Threads value 3")
            e.sync()
            for _ in range(4):
                e.send(position_command(MIDDLEGAME), "go infinite")
                time.sleep(0.2)
                e.sync(timeout=5)
                e.send("stop")
                line, _ = e.expect("bestmove", timeout=5)
                self.assertIn(best(line), legal)
            e.send(position_command(MIDDLEGAME), "go ponder wtime 60000 btime 60000")
            time.sleep(0.2)
            e.send("ponderhit")
            line, _ = e.expect("bestmove", timeout=20)
            self.assertIn(best(line), legal)

    def test_reply_agrees_with_the_last_line(self):
        # Whichever thread's move is played, the last line with a variation
        # shows it, with the move to ponder on second.
        fens = [MIDDLEGAME, "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
                "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - - 0 1", "8/8/8/8/5kp1/P7/8/1K1N4 w - - 0 1"]
        with Engine() as e:
            e.banner()
            e.send("setoption name Threads value 4")
            for fen in fens:
                e.send(position_command(fen))
                infos, line = e.search("go depth 9", timeout=120)
                pv = [l.split(" pv ")[1].split() for l in infos if " pv " in l][-1]
                words = line.split()
                self.assertEqual(words[1], pv[0], line)
                if len(pv) > 1:
                    self.assertEqual(words[3], pv[1], line)

    def test_node_limit_counts_every_thread(self):
        with Engine() as e:
            e.banner()
            e.send("setoption name Threads value 2", position_command(MIDDLEGAME))
            infos, line = e.search("go nodes 400000", timeout=120)
            counts = [int(m.group(1)) for m in map(NODES.search, infos) if m]
            self.assertEqual(counts, sorted(counts))
            # Looked at every 4096 nodes of the main searcher, while the
            # helper searches on: a few thousand past the limit at most.
            self.assertLessEqual(counts[-1], 400000 + 4 * 4096)
            self.assertIn(best(line), legal_moves(MIDDLEGAME))

    def test_threads_hash_and_clear_hash_changed_between_searches(self):
        legal = set(legal_moves(MIDDLEGAME))
        with Engine() as e:
            e.banner()
            for threads, hash_mb in ((4, 16), (1, 8), (2, 32)):
                e.send(f"setoption name Threads value {threads}", f"setoption name Hash value {hash_mb}",
                       "ucinewgame")
                e.sync()
                e.send(position_command(MIDDLEGAME))
                _, line = e.search("go depth 6", timeout=120)
                self.assertIn(best(line), legal)
                e.send("setoption name Clear Hash", position_command(MIDDLEGAME))
                _, line = e.search("go movetime 200", timeout=20)
                self.assertIn(best(line), legal)
            e.send("setoption name Threads value 0")
            line, _ = e.expect("info string", timeout=5)
            self.assertIn("using 1", line)
            e.send(position_command(MIDDLEGAME))
            _, line = e.search("go depth 4", timeout=60)
            self.assertIn(best(line), legal)

    def test_quit_and_end_of_input_during_a_search_with_helpers(self):
        for end in ("quit", None):
            with Engine() as e:
                e.banner()
                e.send("setoption name Threads value 3", position_command(MIDDLEGAME), "go infinite")
                time.sleep(0.3)
                if end:
                    e.send(end)
                else:
                    e.close_input()
                e.wait_exit(timeout=10)


if __name__ == "__main__":
    uci.run_tests()

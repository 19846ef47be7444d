"""Searches through the binary: info lines, the bestmove reply, time
limits, stop/ponderhit/isready during a search, and mates."""

import re
import time
import unittest

import uci
from uci import Engine, board_fen, epd_fen, legal_moves, position_command

MOVE = r"[a-h][1-8][a-h][1-8][nbrq]?"
COUNTERS = r" time (?P<time>\d+) nodes (?P<nodes>\d+)(?P<nps> nps \d+)? hashfull (?P<hashfull>\d+)"
PV_LINE = re.compile(
    rf"^info depth (?P<depth>\d+) seldepth \d+ currmove {MOVE} currmovenumber [1-9]\d*"
    rf" score (?P<score>cp -?\d+|mate -?[1-9]\d*){COUNTERS} pv (?P<pv>(?:{MOVE} )+)$")
PROGRESS_LINE = re.compile(
    rf"^info depth (?P<depth>\d+) seldepth \d+ currmove {MOVE} currmovenumber [1-9]\d*{COUNTERS}$")
QUIES_LINE = re.compile(r"^info depth (?P<depth>\d+) seldepth \d+ nodes \d+( nps \d+)? hashfull \d+$")
# A search looks at its input every 4096 nodes: milliseconds in a release
# build; the margin is for sanitizer builds on a busy machine.
PROMPT = 5.0
BESTMOVE = re.compile(rf"^bestmove (?P<best>{MOVE}) ?(?: ponder (?P<ponder>{MOVE}))?$")

POSITIONS = [
    None,  # the start position
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "8/7p/5k2/5p2/p1p2P2/Pr1pPK2/1P1R3P/8 b - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
]


def check_pv_legal(test, fen, variations):
    """Every variation must be playable from the root, move after move."""
    with Engine() as e:
        e.banner()
        for pv in variations:
            e.send(position_command(fen, pv))
            test.assertEqual(e.sync(), [], f"variation {' '.join(pv)} from {fen}")


class InfoLinesAndReply(unittest.TestCase):
    def check_search(self, fen, go, max_depth=None):
        with Engine() as e:
            e.banner()
            e.send(position_command(fen))
            e.sync()
            t0 = time.monotonic()
            infos, best = e.search(go, timeout=60)
            self.elapsed = time.monotonic() - t0
        m = BESTMOVE.match(best)
        self.assertTrue(m, best)
        self.assertIn(m["best"], legal_moves(fen))
        variations = []
        for line in infos:
            info = PV_LINE.match(line) or PROGRESS_LINE.match(line) or QUIES_LINE.match(line)
            self.assertTrue(info, f"malformed: {line!r}")
            if max_depth is not None:
                self.assertLessEqual(int(info["depth"]), max_depth, line)
            if "time" in info.groupdict():
                self.assertEqual(info["nps"] is not None, info["time"] != "0", line)
                self.assertLessEqual(int(info["hashfull"]), 1000, line)
            if "pv" in info.groupdict():
                variations.append(info["pv"].split())
        check_pv_legal(self, fen, variations)
        if variations:
            last = variations[-1]
            self.assertEqual(m["best"], last[0])
            self.assertEqual(m["ponder"], last[1] if len(last) > 1 else None, best)
        return infos, m

    def test_depth_searches(self):
        for fen in POSITIONS:
            with self.subTest(fen=fen):
                infos, _ = self.check_search(fen, "go depth 6", max_depth=6)
                self.assertTrue(any(PV_LINE.match(l) for l in infos), "no variation sent")

    def test_extra_commands_do_not_change_a_search(self):
        # perft, eval and d leave no trace that a later search could read.
        def variations(*before):
            with Engine() as e:
                e.send(position_command(POSITIONS[1]), *before)
                lines, best = e.search("go depth 7")
                return [re.sub(r" (time|nps) \d+", "", l) for l in lines if " pv " in l] + [best]
        plain = variations()
        self.assertEqual(variations("perft 3", "eval", "d"), plain)

    def test_movetime_within_bounds(self):
        self.check_search(POSITIONS[1], "go movetime 1000")
        self.assertLess(self.elapsed, 3.0)
        self.assertGreater(self.elapsed, 0.5)

    def test_moves_to_go_share_the_clock_left(self):
        # Two moves before the control: about half of the clock, where 41
        # moves would leave a tenth of a second; never the whole clock.
        self.check_search(POSITIONS[1], "go wtime 4000 btime 4000 movestogo 2")
        self.assertGreater(self.elapsed, 0.8)
        self.assertLess(self.elapsed, 4.0)

    def test_clock_searches_answer_with_a_legal_move(self):
        for go in ("go", "go wtime 2000 btime 2000", "go wtime 100 winc 10000",
                   "go btime 100 binc 10000 wtime 100 winc 10000"):
            with Engine() as e:
                e.banner()
                e.send("position startpos moves e2e4" if "btime 100" in go else "position startpos")
                t0 = time.monotonic()
                _, best = e.search(go, timeout=20)
                elapsed = time.monotonic() - t0
            self.assertLess(elapsed, 2.5, f"{go}: a budget of a few tenths of 100 ms")
            self.assertTrue(BESTMOVE.match(best), best)

    def test_node_limit(self):
        infos, _ = self.check_search(None, "go nodes 20000")
        nodes = [int(m["nodes"]) for m in map(PV_LINE.match, infos) if m]
        self.assertTrue(nodes)
        self.assertLess(nodes[-1], 30000)


class SearchControl(unittest.TestCase):
    def setUp(self):
        self.e = Engine()
        self.e.banner()

    def tearDown(self):
        self.e.close()

    def assert_only_info(self, wait):
        for line in self.e.read_all_pending(wait):
            self.assertTrue(line.startswith("info "), f"unexpected before stop: {line!r}")

    def assert_one_bestmove(self, command, timeout=PROMPT):
        t0 = time.monotonic()
        self.e.send(command)
        best = self.e.expect("bestmove", timeout=timeout)[0]
        self.assertLess(time.monotonic() - t0, timeout)
        self.assertTrue(BESTMOVE.match(best), best)
        self.assertNotIn("bestmove", " ".join(self.e.sync()))
        return best

    def test_infinite_until_stop_with_isready_and_a_queued_position(self):
        self.e.send("position startpos", "go infinite")
        self.assert_only_info(1.5)
        t0 = time.monotonic()
        self.e.send("isready")
        readyok, before = self.e.expect("readyok", timeout=PROMPT)
        self.assertLess(time.monotonic() - t0, PROMPT)
        self.assertTrue(all(l.startswith("info ") for l in before), before)
        self.e.send("position startpos moves e2e4")  # taken after the reply
        self.assert_only_info(0.5)
        best = self.assert_one_bestmove("stop")
        self.assertIn(BESTMOVE.match(best)["best"], legal_moves())
        self.assertEqual(board_fen(self.e), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1")

    def test_ponder_then_ponderhit_or_stop(self):
        for ending in ("ponderhit", "stop"):
            self.e.send("position startpos moves e2e4 e7e5", "go ponder wtime 60000 btime 60000")
            self.assert_only_info(1.0)
            self.assert_one_bestmove(ending, timeout=10.0 if ending == "ponderhit" else PROMPT)

    def test_finished_search_waits_for_the_interface(self):
        mate = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"
        for go, ending in (("go infinite", "stop"), ("go ponder", "ponderhit"), ("go infinite", "quit")):
            self.e.send(f"position fen {mate}", go)
            self.assert_only_info(1.0)
            self.e.send(ending)
            self.assertTrue(self.e.expect("bestmove", PROMPT)[0].startswith("bestmove a1a8"))
        self.assertEqual(self.e.wait_exit(), 0)

    def test_quit_during_a_search(self):
        self.e.send("position startpos", "go infinite")
        self.assert_only_info(0.5)
        self.e.send("quit")
        self.assertTrue(BESTMOVE.match(self.e.expect("bestmove", PROMPT)[0]))
        self.assertEqual(self.e.wait_exit(), 0)

    def test_end_of_input_during_a_search(self):
        self.e.send("position startpos", "go infinite")
        self.assert_only_info(0.5)
        self.e.close_input()
        self.assertTrue(BESTMOVE.match(self.e.expect("bestmove", PROMPT)[0]))
        self.assertEqual(self.e.wait_exit(), 0)

    def test_positions_without_legal_moves(self):
        for fen, info in (("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "info depth 0 score mate 0"),
                          ("7k/8/6QK/8/8/8/8/8 b - - 0 1", "info depth 0 score cp 0")):
            for go in ("go depth 5", "go", "go movetime 200"):
                self.e.send(f"position fen {fen}", go)
                self.assertEqual([self.e.read(), self.e.read()], [info, "bestmove (none)"])
                self.assertEqual(board_fen(self.e), fen)


class Mates(unittest.TestCase):
    def assert_mated(self, e, fen, moves):
        e.send(position_command(fen, moves), "go depth 1")
        self.assertEqual(e.read(), "info depth 0 score mate 0", f"{fen} moves {moves}")
        self.assertEqual(e.read(), "bestmove (none)")

    def test_mate_in_one(self):
        with Engine() as e:
            e.banner()
            for line in uci.data_file("mate_in_1.epd")[:12]:
                fen = epd_fen(line)
                e.send(f"position fen {fen}")
                infos, best = e.search("go depth 4")
                for info in infos:
                    self.assertIn(" score mate 1 ", info)
                self.assert_mated(e, fen, [BESTMOVE.match(best)["best"]])
            # a mate found at the first iteration of a root deep enough in the game
            e.send("position startpos moves f2f3 e7e5 g2g4")
            infos, best = e.search("go depth 4")
            self.assertIn(" score mate 1 ", infos[-1])
            self.assertEqual(BESTMOVE.match(best)["best"], "d8h4")

    def test_mate_in_two(self):
        with Engine() as e:
            e.banner()
            for line in uci.data_file("mate_in_2.epd"):
                fen = epd_fen(line)
                e.send(f"position fen {fen}")
                infos, best = e.search("go depth 6")
                for info in infos:
                    self.assertRegex(info, " score mate [12] ")
                first = BESTMOVE.match(best)["best"]
                if "quiet" in line:
                    self.assertIn(" score mate 2 ", infos[-1])
                    self.assertEqual(first, "c6b6")
                # every defence loses at once
                for reply in legal_moves(fen, [first], e):
                    e.send(position_command(fen, [first, reply]))
                    infos, best = e.search("go depth 4")
                    self.assertIn(" score mate 1 ", infos[-1], f"{fen}: {first} {reply}")
                    self.assert_mated(e, fen, [first, reply, BESTMOVE.match(best)["best"]])


if __name__ == "__main__":
    uci.run_tests()

"""Bad input through the real binary: huge lines, binary bytes, a last line
without its end, CR-LF, malformed FENs and moves, out-of-range and
non-numeric option and go values, and the memory of the Hash option.  After
each the engine must still answer isready and play a legal move from a
following valid position."""

import os
import random
import re
import unittest

import uci
from uci import Engine, perft, position_command

ERROR = "Erreur avec la chaine FEN."
# The WebAssembly build (web/dist/uci.js) keeps its tables in a 32-bit heap
# inside Node: the process's resident size and a limit on its address space
# say nothing of them (Node reserves far more address space for any wasm
# memory), so the two tests of the process's memory are left out for it.
WASM = os.environ.get("VELKAR_LABEL") == "wasm"


def memory_kb(engine, field):
    with open(f"/proc/{engine.proc.pid}/status") as f:
        return int(re.search(rf"^{field}:\s+(\d+)", f.read(), re.M).group(1))


class BadInput(unittest.TestCase):
    def setUp(self):
        self.e = Engine()
        self.e.banner()

    def tearDown(self):
        self.e.close()

    def alive(self, fen="r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"):
        """isready is answered and a legal move is played from a valid position."""
        self.e.sync(30)
        self.e.send(position_command(fen))
        legal = list(perft(self.e, 1)[0])
        _, best = self.e.search("go depth 2", 60)
        self.assertIn(best.split()[1], legal, best)

    def legal_or_none(self):
        """The search answers one of the listed moves, or (none) when none is listed."""
        legal = list(perft(self.e, 1)[0])
        _, best = self.e.search("go depth 2", 60)
        self.assertIn(best.split()[1], legal or ["(none)"], best)

    def test_huge_lines(self):
        rng = random.Random(5)
        junk = "".join(rng.choice("abcdefgh12345678 /KQRBNPkqrbnp") for _ in range(1 << 20))
        for line in ["x" * (1 << 20), junk, "position startpos moves " + junk,
                     "position fen " + junk, "setoption name Hash value " + "9" * (1 << 20),
                     "go depth 1 " + "x" * (1 << 20), "position startpos moves " + "e2e4 e7e5 " * 100000]:
            self.e.send(line)
            self.e.read_all_pending(0.2)
            self.alive()

    def test_game_of_any_length(self):
        # 2402 plies, more than the per-ply tables hold: the game is followed
        # to its end, and the search answers for the side to move there.
        shuffle = ["g1f3", "g8f6", "f3g1", "f6g8"] * 600 + ["g1f3"]
        self.e.send(position_command(None, shuffle), "d")
        lines = self.e.sync(60)
        self.assertIn("Fen: rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq - 2401 1201", lines)
        self.legal_or_none()
        self.alive()

    def test_binary_bytes(self):
        rng = random.Random(9)
        blobs = [bytes(range(256)), b"\0" * 1000, b"\xff\xfe\xfd invalid utf-8 \xc3\x28",
                 bytes(rng.randrange(256) for _ in range(65536)), b"position fen \0\0\0 w - - 0 1"]
        for blob in blobs:
            # Lines holding "go" may start a search; "stop" ends any such search.
            self.e.proc.stdin.write(blob + b"\nstop\n")
            self.e.proc.stdin.flush()
            self.e.read_all_pending(0.3)
            self.e.send("stop")
            self.alive()

    def test_line_ends(self):
        self.e.proc.stdin.write(b"uci\r\nisready\r\nposition startpos moves e2e4\r\nd\r")
        self.e.proc.stdin.flush()
        self.e.expect("uciok")
        self.e.expect("readyok")
        self.assertEqual(self.e.expect("Fen: ")[0],
                         "Fen: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1")
        self.alive()

    def test_last_line_without_end(self):
        self.e.proc.stdin.write(b"position startpos moves e2e4\ngo depth 2")
        self.e.close_input()
        best = self.e.expect("bestmove", 60)[0]
        self.assertIn(best.split()[1], uci.legal_moves(None, ["e2e4"]))
        self.assertEqual(self.e.wait_exit(30), 0)

    def test_malformed_fens(self):
        fens = [
            "", "w", "8/8/8/8/8/8/8/8 w - - 0 1", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
            "rnbqkbnr/pppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",  # nine ranks
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",  # seven ranks
            "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",
            "rnbqkbnr/pppppppp/44/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "rnbqkbnr/pppppppp/17/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",
            "rnbqkknr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1", "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNR w - - 0 1",
            "QQQQkQQQ/QQQQQQQQ/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/QQQQKQQQ w - - 0 1",
            "4k3/8/8/8/8/8/PPPPPPPP/PPPPKPPP w - - 0 1", "4k3/pppppppp/pppppppp/8/8/8/8/4K3 b - - 0 1",
            "P3k3/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/p3K3 b - - 0 1",
            "4k3/4Q3/8/8/8/8/8/4K3 w - - 0 1",  # the side not to move in check
            "4k3/8/8/8/8/8/8/4K3 w KQkq e6 0 1", "4k3/8/8/8/8/8/8/4K3 w - z9 -1 -1",
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1", "rnbqkbnr/pp?ppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 99999999999999999999 99999999999999999999",
            "k/K w - - 0 1", "////////k7/K7 w - - 0 1", "K7/k7/8/8/8/8/8/8 b - - 0 1", "4k3/8/8/8/8/8/8/4K3 w",
            "4k3/8/8/8/8/8/8/4K3 b KQkqKQkq - 0 1", "8/8/8/8/8/8/8/k1K5 w - - 0 1 moves c1b2",
        ]
        for fen in fens:
            with self.subTest(fen=fen):
                self.e.send("position fen " + fen)
                before = self.e.sync()
                shown = uci.board_fen(self.e)
                if ERROR in before:
                    self.assertEqual(shown, uci.START_FEN, "a refused FEN leaves the start position")
                ranks = shown.split()[0].split("/")
                self.assertEqual(len(ranks), 8, shown)
                for r in ranks:
                    self.assertEqual(sum(int(c) if c.isdigit() else 1 for c in r), 8, shown)
                self.assertEqual(shown.split()[0].count("K"), 1, shown)
                self.assertEqual(shown.split()[0].count("k"), 1, shown)
                self.legal_or_none()
                self.alive()

    def test_malformed_and_illegal_moves(self):
        after_e4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"
        cases = [("e2e4 e2e4", "illegal move e2e4", after_e4), ("e2e5", "illegal move e2e5", uci.START_FEN),
                 ("e7e5", "illegal move e7e5", uci.START_FEN), ("e2e4q", "illegal move e2e4q", uci.START_FEN),
                 ("a1a1", "illegal move a1a1", uci.START_FEN), ("e1g1", "illegal move e1g1", uci.START_FEN),
                 ("e2e4 z9z9 e7e5", None, after_e4), ("e2e4 e2", None, after_e4), ("E2E4", None, uci.START_FEN),
                 ("O-O", None, uci.START_FEN), ("e2e4 e7e8Q", "illegal move e7e8Q", after_e4),
                 ("e2e4e7e5", None, None), ("e2e4\te7e5", None, None), ("-1-1", None, uci.START_FEN)]
        for moves, message, fen in cases:
            with self.subTest(moves=moves):
                self.e.send("ucinewgame", "position startpos moves " + moves)
                before = self.e.sync()
                if message:
                    self.assertIn("info string " + message, before)
                shown = uci.board_fen(self.e)
                if fen:
                    self.assertEqual(shown, fen)
                self.legal_or_none()
        self.alive()

    def test_option_values(self):
        for value in ["-1", "0", "1", "4097", "99999999999999999999", "-99999999999999999999", "abc", "",
                      "16 MB", "1e3", "0x10", "+8", "2", "3", "4096", "16"]:
            self.e.send("setoption name Hash value " + value)
        for line in ["setoption name Ponder value maybe", "setoption name Nonsense value 5", "setoption name",
                     "setoption name Hash", "setoption name Hash value", "setoption name UCI_EngineAbout value x"]:
            self.e.send(line)
        self.e.sync(60)
        self.alive()

    def test_go_values(self):
        # Searches that end by themselves, whatever the values say.
        for go in ["go wtime -1000 btime -1000", "go wtime -1 btime -1 winc -5 binc -5", "go wtime 0 btime 0",
                   "go movetime -5", "go movetime abc", "go movetime 0", "go depth 0", "go depth -1",
                   "go depth abc", "go wtime", "go nodes -1", "go nodes abc", "go nodes 1",
                   "go wtime 10 btime 10 winc 99999999999999999999 binc 99999999999999999999"]:
            with self.subTest(go=go):
                self.e.send("position startpos moves e2e4")
                _, best = self.e.search(go, 60)
                self.assertIn(best.split()[1], uci.legal_moves(None, ["e2e4"]))
        # Searches that could run for days: stop ends them.
        for go in ["go wtime 99999999999999999999 btime 99999999999999999999", "go depth 99999999999",
                   "go movetime 2147483647", "go nodes 99999999999999999999", "go infinite"]:
            with self.subTest(go=go):
                self.e.send("position startpos", go)
                self.e.read_all_pending(0.3)
                self.e.send("stop")
                best = self.e.expect("bestmove", 60)[0]
                self.assertIn(best.split()[1], uci.legal_moves())
        self.alive()

    def test_clock_holds_in_a_capture_storm(self):
        # Legal as a FEN, if not as a game: both armies face each other, so
        # the capture search of the very first iteration runs to tens of
        # millions of nodes.  With one second on the clock the reply must
        # still come on time (here: within a generous ten seconds).
        self.e.send("position fen rnbqkbnr/pppppppp/PPPPPPPP/RNBQKBNR/8/8/8/8 w - - 0 1",
                    "go wtime 1000 btime 1000")
        try:
            best = self.e.expect("bestmove", 10)[0]
        except uci.EngineError:
            self.e.send("stop")
            self.e.expect("bestmove", 120)
            self.fail("no reply within 10 s with 1 s on the clock")
        self.assertIn(best.split()[1], uci.legal_moves("rnbqkbnr/pppppppp/PPPPPPPP/RNBQKBNR/8/8/8/8 w - - 0 1"))

    @unittest.skipIf(WASM, "the process's memory is Node's, not the engine's")
    def test_hash_memory_is_released(self):
        base = memory_kb(self.e, "VmSize")
        self.e.send("setoption name Hash value 4096", "position startpos", "go depth 6")
        self.e.expect("bestmove", 120)
        big, big_rss = memory_kb(self.e, "VmSize") - base, memory_kb(self.e, "VmRSS")
        self.e.send("setoption name Hash value 16")
        self.e.sync(60)
        small = memory_kb(self.e, "VmSize") - base
        print(f"\nHash 4096: {big // 1024:+} MB virtual, resident {big_rss // 1024} MB; back to 16: "
              f"{small // 1024:+} MB virtual, resident {memory_kb(self.e, 'VmRSS') // 1024} MB", flush=True)
        self.assertGreater(big, 3900 * 1024)
        self.assertLess(small, 200 * 1024 - 128 * 1024)  # the 128 MB default went too
        self.alive()

    @unittest.skipIf(WASM, "the process's memory is Node's, not the engine's")
    def test_refused_allocation_keeps_a_working_engine(self):
        if memory_kb(self.e, "VmSize") > 64 << 20:
            self.skipTest("sanitizer build: its shadow memory needs an unlimited address space")
        binary, uci.BINARY = uci.BINARY, "prlimit"
        try:
            limited = Engine(args=("--as=1500000000", binary))
        finally:
            uci.BINARY = binary
        self.e.close()
        self.e = limited
        self.e.banner()
        self.e.send("setoption name Hash value 4096")
        self.assertTrue(any(l.startswith("info string") for l in self.e.sync()))
        self.alive()


if __name__ == "__main__":
    uci.run_tests()

"""Handshake, options, start-up and shut-down of the real binary."""

import os
import unittest

import uci
from uci import Engine

# The build label: "x64" for the POSIX build, "x32" for the Windows build,
# "wasm" for the WebAssembly build, whose table is 16 MB by default.
LABEL = os.environ.get("VELKAR_LABEL", "x64")
HASH_DEFAULT = os.environ.get("VELKAR_HASH_DEFAULT", "128")

UCI_REPLY = [
    f"id name Velkar v2.1 {LABEL}",
    "id author ",  # the author's name follows
    f"option name Hash type spin min 2 max 4096 default {HASH_DEFAULT}",
    "option name Ponder type check default true",
    "option name UCI_EngineAbout type string default ",  # the address follows
    "option name Move Overhead type spin default 0 min 0 max 5000",
    "option name MultiPV type spin default 1 min 1 max 256",
    "option name UCI_Chess960 type check default false",
    "option name Clear Hash type button",
    "option name UCI_ShowWDL type check default false",
    "option name Threads type spin default 1 min 1 max 256",
    "option name UCI_LimitStrength type check default false",
    "option name UCI_Elo type spin default 1695 min 740 max 1695",
    "uciok",
]
# Listed last by a build with the endgame-table prober only.
SYZYGY = "option name SyzygyPath type string default <empty>"


class Handshake(unittest.TestCase):
    def test_banner_is_the_first_line(self):
        with Engine() as e:
            self.assertTrue(e.banner().startswith(f"Velkar v2.1 {LABEL} "))
            e.send("uci")
            self.assertEqual(e.read(), f"id name Velkar v2.1 {LABEL}")

    def test_uci_in_lower_and_upper_case_gives_the_whole_reply(self):
        with Engine() as e:
            e.banner()
            for cmd in ("uci", "UCI", "  uci\t"):
                e.send(cmd)
                reply = [e.read() for _ in UCI_REPLY]
                if reply[-1] == SYZYGY:
                    reply = reply[:-1] + [e.read()]
                for line, start in zip(reply, UCI_REPLY):
                    self.assertTrue(line.startswith(start), f"{cmd!r}: {line!r}")
                self.assertGreater(len(reply[1]), len("id author "))
                self.assertGreater(len(reply[4]), len(UCI_REPLY[4]))
                self.assertEqual(e.sync(), [], f"{cmd!r} wrote more than {len(UCI_REPLY)} lines")

    def test_mixed_case_commands_are_ignored(self):
        with Engine() as e:
            e.banner()
            e.send("Uci", "IsReady", "QUIT", "Quit", "quit now", "")
            self.assertEqual(e.sync(), [])
            e.send("ISREADY")
            self.assertEqual(e.read(), "readyok")


class Ending(unittest.TestCase):
    def check_exit(self, *lines, close=False):
        with Engine() as e:
            e.banner()
            e.send(*lines)
            if close:
                e.close_input()
            self.assertEqual(e.wait_exit(), 0)
            self.assertEqual(e.read_all_pending(0.2), [], "no reply expected")
            self.assertEqual(e.stderr, [])

    def test_quit_and_q(self):
        self.check_exit("quit")
        self.check_exit("q")
        self.check_exit("   quit  ")

    def test_end_of_input_ends_the_program(self):
        with Engine() as e:
            e.banner()
            e.send("isready", "position startpos moves e2e4")
            e.close_input()
            self.assertEqual(e.read(), "readyok")
            self.assertEqual(e.wait_exit(), 0)

    def test_input_ending_without_a_line_feed(self):
        with Engine() as e:
            e.banner()
            e.proc.stdin.write(b"isready")
            e.close_input()
            self.assertEqual(e.wait_exit(), 0)


class Options(unittest.TestCase):
    def test_hash_values_are_accepted_silently(self):
        with Engine() as e:
            e.banner()
            for value in ("64", "2", "3", "1", "5000", "abc", "", "256", "128"):
                e.send(f"setoption name Hash value {value}")
                self.assertEqual(e.sync(timeout=30), [], f"Hash value {value!r}")
            for other in ("setoption name Ponder value false",
                          "setoption name UCI_EngineAbout value x",
                          "setoption name NoSuchOption value 1"):
                e.send(other)
                self.assertEqual(e.sync(), [], other)

    def test_search_after_resizing_the_table(self):
        with Engine() as e:
            e.banner()
            for value in ("2", "16"):
                e.send(f"setoption name Hash value {value}", "ucinewgame", "position startpos")
                infos, best = e.search("go depth 5")
                self.assertRegex(best, r"^bestmove [a-h][1-8][a-h][1-8]")
                for line in infos:
                    hashfull = int(line.split(" hashfull ")[1].split()[0])
                    self.assertLessEqual(hashfull, 1000)


class RefusedFen(unittest.TestCase):
    ERROR = "Erreur avec la chaine FEN."

    def test_refused_fens_leave_the_start_position(self):
        bad = [
            "8/8/8/8/8/8/8/8 w - - 0 1",                # no kings
            "4k2P/8/8/8/8/8/8/4K3 w - - 0 1",           # pawn on rank 8
            "4k3/8/8/8/8/8/8/4K2p b - - 0 1",           # pawn on rank 1
            "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",          # side not to move in check
            "rnbqkbnr/ppppp2p/5p2/6pQ/4P3/8/PPPP1PPP/RNB1KBNR w KQkq - 0 1",  # same
        ]
        with Engine() as e:
            e.banner()
            for fen in bad:
                e.send("position startpos moves e2e4", f"position fen {fen}")
                self.assertEqual(e.read(), self.ERROR, fen)
                self.assertEqual(uci.board_fen(e), uci.START_FEN, fen)
                # and the engine still plays from there
                _, best = e.search("go depth 3")
                self.assertIn(best.split()[1], uci.legal_moves())

    def test_accepted_fen_writes_nothing(self):
        with Engine() as e:
            e.banner()
            e.send("position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1")
            self.assertEqual(e.sync(), [])


if __name__ == "__main__":
    uci.run_tests()

"""What a careless or hostile interface does, through the pipe: closing the
input during any search, q during a search, malformed words and FENs,
options changed under a set position, tiny node limits with helpers, a
limited level on tiny clocks, and a perft told to stop."""

import re
import time
import unittest

import uci
from uci import Engine, board_fen, legal_moves, position_command

BEST = re.compile(r"^bestmove (\S+)( ponder (\S+))?$")


def fresh():
    e = Engine()
    e.banner()
    return e


class Ending(unittest.TestCase):
    def test_end_of_input_ends_every_search(self):
        # Whatever its limits, a search ends once nobody can send stop: the
        # engine replies and exits instead of searching on as an orphan.
        for go in ("go depth 60", "go mate 5", "go nodes 99999999999", "go movetime 60000", "go infinite"):
            with Engine() as e:
                e.banner()
                e.send(position_command(), go)
                time.sleep(0.2)
                e.close_input()
                self.assertTrue(BEST.match(e.expect("bestmove", timeout=10)[0]), go)
                self.assertEqual(e.wait_exit(timeout=10), 0, go)

    def test_q_and_perft_stopped(self):
        with Engine() as e:
            e.banner()
            e.send(position_command(), "go infinite")
            time.sleep(0.2)
            e.send("q")
            e.expect("bestmove", timeout=10)
            self.assertEqual(e.wait_exit(timeout=10), 0)
        with Engine() as e:
            e.banner()
            e.send("perft 9")
            time.sleep(0.3)
            e.sync()  # isready is answered during a perft
            e.send("stop")
            e.expect("info string perft stopped", timeout=10)
            e.send("perft 9")
            time.sleep(0.2)
            e.send("quit")
            self.assertEqual(e.wait_exit(timeout=10), 0)


class Input(unittest.TestCase):
    def setUp(self):
        self.e = fresh()

    def tearDown(self):
        self.e.close()

    def test_commands_are_whole_words(self):
        for line in ("goo", "gofoo depth 3", "go_depth 3", "positionx startpos", "perft5"):
            self.e.send(line)
            self.assertEqual([l for l in self.e.sync() if l.startswith(("bestmove", "info", "Nodes"))], [], line)

    def test_malformed_fens_are_refused(self):
        for fen in ("rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",  # seven ranks
                    "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",  # a 9
                    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",  # nine ranks
                    "rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"):  # a stray letter
            self.e.send(position_command(fen))
            self.assertEqual(self.e.sync(), ["Erreur avec la chaine FEN."], fen)

    def test_halfmove_clock_and_option_messages(self):
        self.e.send(position_command("7k/8/5K2/8/8/8/8/6R1 w - - 99 80"))
        self.assertEqual(board_fen(self.e), "7k/8/5K2/8/8/8/8/6R1 w - - 99 80")
        self.e.send("setoption name UCI_Elo value 99999999999999999999")
        self.assertEqual(self.e.sync(),
                         ["info string UCI_Elo 99999999999999999999 is out of range, using 1695"])

    def test_chess960_changed_after_the_position_keeps_the_game(self):
        fen = "bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1"
        self.e.send(position_command(fen, ["e2e4"]), "setoption name UCI_Chess960 value true")
        self.assertEqual(board_fen(self.e), "bbqnnrkr/pppppppp/8/8/4P3/8/PPPP1PPP/BBQNNRKR b HFhf e3 0 1")
        _, best = self.e.search("go depth 3")
        self.e.send("setoption name UCI_Chess960 value false")
        self.assertIn(BEST.match(best).group(1), legal_moves(fen, ["e2e4"]))


class Limits(unittest.TestCase):
    def test_tiny_node_limits_with_helpers(self):
        # The helpers' nodes must not stop the main searcher before it has
        # searched a root move: f3e5 loses the knight (it is the move the
        # first iteration would try first).
        fen = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"
        with Engine() as e:
            e.banner()
            for threads in (1, 4):
                e.send(f"setoption name Threads value {threads}", position_command(fen))
                for nodes in (1, 500, 2000, 4000, 8000):
                    _, best = e.search(f"go nodes {nodes}")
                    self.assertNotEqual(BEST.match(best).group(1), "f3e5", (threads, nodes))

    def test_limited_level_keeps_its_promises_on_tiny_clocks(self):
        # Mates in one and two are always played, whatever the level and the
        # clock.
        mates = [("k7/8/2K5/8/8/8/8/7R w - - 0 1", None),
                 ("6k1/5ppp/8/8/8/8/8/K2R4 w - - 0 1", "d1d8"),
                 ("r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", "h5f7")]
        with Engine() as e:
            e.banner()
            e.send("setoption name UCI_LimitStrength value true")
            e.sync()
            for elo in (740, 1695):
                e.send(f"setoption name UCI_Elo value {elo}")
                for clock in ("wtime 50 btime 50", "wtime 2000 btime 2000", "movetime 10"):
                    for fen, mate in mates:
                        e.send(position_command(fen))
                        infos, best = e.search(f"go {clock}")
                        scored = [l for l in infos if " score " in l]
                        self.assertTrue(scored, (elo, clock, fen))
                        move = BEST.match(best).group(1)
                        if mate:
                            self.assertEqual(move, mate, (elo, clock))
                        else:  # KRvK with the king in the corner: a mate in two
                            mating = [l for l in scored if " score mate 2 " in l]
                            self.assertTrue(mating, (elo, clock, scored[-1]))
                            self.assertEqual(mating[-1].split(" pv ")[1].split()[0], move, (elo, clock))


if __name__ == "__main__":
    uci.run_tests()

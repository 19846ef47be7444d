"""UCI_LimitStrength and UCI_Elo through the binary, at the lowest level:
mates in one are played, bare-king endings are won against a random-move
opponent, and the engine still answers at once while it thinks or waits."""

import random
import re
import time
import unittest

import uci
from uci import Engine, data_file, epd_fen, perft, position_command

BEST = re.compile(r"^bestmove (\S+)")


def lowest_level():
    """The options that ask for the lowest level the engine offers."""
    with Engine() as e:
        e.banner()
        e.send("uci")
        option, _ = e.expect("option name UCI_Elo ")
        e.expect("uciok")
    low = re.search(r" min (\d+)", option).group(1)
    return ("setoption name UCI_LimitStrength value true", f"setoption name UCI_Elo value {low}")


class LimitedStrength(unittest.TestCase):
    def test_mates_in_one_are_played(self):
        lines = data_file("mate_in_1.epd")[:20]
        with Engine() as e:
            e.banner()
            e.send(*lowest_level())
            for line in lines:
                expected = re.search(r'c0 "uci (\S+)"', line).group(1)
                e.send("ucinewgame", position_command(epd_fen(line)))
                _, best = e.search("go wtime 3000 btime 3000", timeout=30)
                self.assertEqual(BEST.match(best).group(1), expected, line)

    def test_last_line_shows_the_move_played(self):
        # The level often plays another candidate than its best: an
        # interface shows the last first variation as the engine's plan.
        moves = "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 c2c3 d7d6".split()
        with Engine() as e:
            e.banner()
            e.send(*lowest_level())
            for n in range(len(moves)):
                e.send(position_command(None, moves[:n]))
                infos, best = e.search("go wtime 3000 btime 3000", timeout=30)
                first = [l for l in infos if " pv " in l and re.search(r" multipv (?!1 )", l) is None]
                pv = first[-1].split(" pv ")[1].split()
                m = re.match(r"^bestmove (\S+)(?: ponder (\S+))?$", best)
                self.assertEqual(m.group(1), pv[0], (n, infos[-3:]))
                self.assertEqual(m.group(2), pv[1] if len(pv) > 1 else None, n)

    def test_bare_king_endings_are_won_against_random_moves(self):
        rng = random.Random(3)
        for fen in ("8/8/8/3k4/8/8/8/R3K3 w - - 0 1", "8/8/2k5/8/8/8/8/3QK3 w - - 0 1"):
            with Engine() as e, Engine() as oracle:
                e.banner()
                oracle.banner()
                e.send(*lowest_level())
                moves = []
                for _ in range(80):  # full moves; the fifty-move rule would end it at 50
                    e.send(position_command(fen, moves))
                    _, best = e.search("go wtime 20000 btime 20000", timeout=30)
                    moves.append(BEST.match(best).group(1))
                    oracle.send(position_command(fen, moves))
                    replies = list(perft(oracle, 1)[0])
                    if not replies:
                        break
                    moves.append(rng.choice(replies))
                oracle.send(position_command(fen, moves))
                self.assertEqual(perft(oracle, 1)[1], 0, f"{fen}: not mated after {moves}")
                e.send(position_command(fen, moves), "go depth 1")
                line, _ = e.expect("info depth 0", timeout=10)
                self.assertIn("mate 0", line, fen)
                self.assertLessEqual(len(moves), 99, fen)

    def test_stop_and_isready_answered_at_once(self):
        with Engine() as e:
            e.banner()
            e.send(*lowest_level())
            e.send(position_command(), "go infinite")
            time.sleep(0.3)
            start = time.monotonic()
            e.sync(timeout=2)
            e.send("stop")
            e.expect("bestmove", timeout=2)
            # A clock game: the search waits for its natural time, listening.
            e.send(position_command(), "go wtime 600000 btime 600000")
            time.sleep(0.2)
            e.sync(timeout=2)
            e.send("stop")
            e.expect("bestmove", timeout=2)
            self.assertLess(time.monotonic() - start, 4)


if __name__ == "__main__":
    uci.run_tests()

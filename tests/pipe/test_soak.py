"""Soak test (short): self-play games through the real binary as a chess
interface plays them (clocks with and without increment, movetime, depth,
ponder with ponderhit and stop, stop at random moments, isready during
searches), every move checked by an independent rules implementation, each
game to its end by the rules; and a forced game of 1500 random legal plies
with a search and a board check every few moves.  The long run is
tests/soak/soak.py from the command line."""

import os
import sys
import unittest

import uci

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "soak"))
import soak  # noqa: E402


class Soak(unittest.TestCase):
    def setUp(self):
        if not soak.referee_available():
            self.skipTest("chess.js is not installed: run `npm ci` in tests/soak")

    def check(self, stats):
        print(stats.summary(), file=sys.stderr)
        self.assertEqual(stats.failures, [])

    def test_self_play_games(self):
        tcs = [{"kind": "clock", "base": 4000, "inc": 40}, {"kind": "mixed", "base": 3000, "inc": 30},
               {"kind": "clock", "base": 3000, "inc": 0}]
        stats = soak.run(uci.BINARY, games=3, forced=0, seed=7, tcs=tcs)
        self.assertEqual(stats.games, 3)
        self.check(stats)

    def test_forced_long_game(self):
        stats = soak.run(uci.BINARY, games=0, forced=1, seed=11, tcs=soak.CI_TCS, forced_plies=1500)
        self.assertEqual(stats.forced_plies, 1500)
        self.check(stats)


if __name__ == "__main__":
    uci.run_tests()

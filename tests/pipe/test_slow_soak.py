"""Soak test (longer, release build only): a dozen self-play games over
every kind of time control and two forced games of 1800 plies."""

import os
import sys
import unittest

import uci

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "soak"))
import soak  # noqa: E402


class SlowSoak(unittest.TestCase):
    def test_games(self):
        if not soak.referee_available():
            self.skipTest("chess.js is not installed: run `npm ci` in tests/soak")
        stats = soak.run(uci.BINARY, games=12, forced=2, seed=2024, tcs=soak.CI_TCS, forced_plies=1800)
        print(stats.summary(), file=sys.stderr)
        self.assertEqual(stats.failures, [])


if __name__ == "__main__":
    uci.run_tests()

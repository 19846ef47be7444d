"""Endgame tables through the binary: the tables' result and distance to a
zeroing move agree with the fathom command-line prober, a solved root is
answered at once with the tables' score, the search probes below the root,
and bad paths are reported without harm.  Skipped where the build or the
machine has no tables."""

import os
import random
import re
import shutil
import subprocess
import unittest

import uci
from uci import Engine

TABLES = os.path.join(uci.DATA_DIR, "..", "..", "..", "shared", "data", "syzygy")
TABLES = os.environ.get("VELKAR_SYZYGY_DIR", os.path.normpath(TABLES))
FATHOM = shutil.which("fathom") or ("/usr/games/fathom" if os.path.exists("/usr/games/fathom") else None)
TB_LINE = re.compile(r"^info string tablebase wdl (\w+) dtz (\d+) move (\S+)$")
SCORE = re.compile(r" score cp (-?\d+) .* tbhits (\d+) ")

FIXED = [
    "8/8/8/8/8/3k4/8/3KQ3 w - - 0 1",       # KQvK, won
    "8/8/8/8/8/3k4/8/3KQ3 b - - 0 1",       # the same, lost
    "8/8/4k3/8/8/8/4P3/4K3 w - - 0 1",      # KPvK, drawn
    "8/8/8/8/2k5/8/2P5/2K1N3 w - - 0 1",    # KNPvK, won
    "8/8/8/4k3/8/8/8/R3K3 w - - 0 1",       # KRvK, won
    "8/8/8/3k4/8/8/8/2BNK3 w - - 0 1",      # KBNvK, won
    "1r6/8/8/3k4/8/8/8/1R2K3 w - - 0 1",    # KRvKR, drawn
    "3qk3/8/8/8/8/8/8/R3K3 b - - 0 1",      # KQvKR, Black wins
    "8/8/8/8/8/8/5k1p/7K w - - 0 1",        # KvKP
    "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",    # en passant possible
]


def random_positions(n, seed):
    rng, fens = random.Random(seed), []
    while len(fens) < n:
        board = [None] * 64
        pieces = ["K", "k"] + [rng.choice("QRBNPqrbnp") for _ in range(rng.choice((1, 2)))]
        for p in pieces:
            while True:
                s = rng.randrange(64)
                if board[s] is None and not (p in "Pp" and s // 8 in (0, 7)):
                    board[s] = p
                    break
        rows = []
        for r in range(7, -1, -1):
            row, empty = "", 0
            for f in range(8):
                p = board[r * 8 + f]
                if p is None:
                    empty += 1
                else:
                    row += (str(empty) if empty else "") + p
                    empty = 0
            rows.append(row + (str(empty) if empty else ""))
        fens.append("/".join(rows) + rng.choice((" w", " b")) + " - - 0 1")
    return fens


def fathom(fen):
    out = subprocess.run([FATHOM, f"--path={TABLES}", fen], capture_output=True, text=True, timeout=60).stdout
    wdl = re.search(r'\[WDL "(\w+)"\]', out)
    dtz = re.search(r'\[DTZ "(-?\d+)"\]', out)
    return (wdl.group(1), abs(int(dtz.group(1)))) if wdl and dtz else None


@unittest.skipUnless(FATHOM and os.path.isdir(TABLES), "no fathom prober or no tables here")
class Tables(unittest.TestCase):
    def setUp(self):
        self.e = Engine()
        self.e.banner()
        self.e.send("uci")
        if "option name SyzygyPath type string default <empty>" not in self.e.expect("uciok")[1]:
            self.e.close()
            self.skipTest("this build reads no tables")
        self.e.send(f"setoption name SyzygyPath value {TABLES}")
        said = self.e.sync()
        self.assertEqual(said, ["info string endgame tables of up to 4 pieces found"])

    def tearDown(self):
        self.e.close()

    def probe(self, fen):
        self.e.send(f"position fen {fen}", "tb")
        said = self.e.sync()
        if any(l.startswith("Erreur") for l in said):
            return "refused"
        m = TB_LINE.match(said[-1]) if said else None
        return (m.group(1), int(m.group(2)), m.group(3)) if m else None

    def test_results_and_distances_agree_with_the_prober(self):
        compared = 0
        for fen in FIXED + random_positions(40, 5):
            ours = self.probe(fen)
            if ours == "refused":
                continue  # an impossible position (the side not to move in check)
            theirs = fathom(fen)
            if theirs is None:
                self.assertIsNone(ours, fen)  # mate or stalemate on the board
                continue
            self.assertIsNotNone(ours, fen)
            self.assertEqual(ours[:2], theirs, fen)
            compared += 1
        self.assertGreater(compared, 30)

    def test_a_solved_root_is_answered_with_the_tables_score(self):
        for fen, score in (("8/8/8/8/8/3k4/8/3KQ3 w - - 0 1", 13000), ("8/8/8/8/8/3k4/8/3KQ3 b - - 0 1", -13000),
                           ("8/8/4k3/8/8/8/4P3/4K3 w - - 0 1", 0)):
            move = self.probe(fen)[2]
            self.e.send(f"position fen {fen}")
            infos, best = self.e.search("go depth 20")
            scored = [SCORE.search(l) for l in infos if SCORE.search(l)]
            self.assertEqual((int(scored[-1].group(1)), best.split()[1]), (score, move), fen)
            self.assertGreaterEqual(int(scored[-1].group(2)), 1)

    def test_the_search_probes_after_captures(self):
        # Five pieces: the tables know the position only once something is taken.
        self.e.send("position fen 8/8/8/3k4/3r4/8/3R4/3QK3 w - - 0 1")
        infos, _ = self.e.search("go depth 6")
        hits = [int(m.group(2)) for m in map(SCORE.search, infos) if m]
        self.assertTrue(hits and hits[-1] > 0, infos[-3:])

    def test_bad_paths_are_reported(self):
        for path in ("/nonexistent/tables", __file__, "x" * 5000):
            self.e.send(f"setoption name SyzygyPath value {path}")
            said = self.e.sync()
            self.assertTrue(said and all(l.startswith("info string") for l in said), said)
        self.e.send("position fen 8/8/8/8/8/3k4/8/3KQ3 w - - 0 1")
        infos, best = self.e.search("go depth 4")
        self.assertNotIn("tbhits", " ".join(infos))


if __name__ == "__main__":
    uci.run_tests()

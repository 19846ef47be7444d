"""Endgame tables through the binary: the tables' result and distance to a
zeroing move agree with the fathom command-line prober, a solved root is
answered at once with the tables' score and a certain wdl, the search
probes below the root, bad paths are reported without harm, damaged table
files are named and left out before the prober sees them, and what the
prober prints reaches the interface only as info strings.  Skipped where the
build or the machine has no tables."""

import glob
import os
import random
import re
import shutil
import subprocess
import tempfile
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


def start_engine(test):
    e = Engine()
    e.banner()
    e.send("uci")
    if "option name SyzygyPath type string default <empty>" not in e.expect("uciok")[1]:
        e.close()
        test.skipTest("this build reads no tables")
    return e


def fathom(fen):
    out = subprocess.run([FATHOM, f"--path={TABLES}", fen], capture_output=True, text=True, timeout=60).stdout
    wdl = re.search(r'\[WDL "(\w+)"\]', out)
    dtz = re.search(r'\[DTZ "(-?\d+)"\]', out)
    return (wdl.group(1), abs(int(dtz.group(1)))) if wdl and dtz else None


@unittest.skipUnless(FATHOM and os.path.isdir(TABLES), "no fathom prober or no tables here")
class Tables(unittest.TestCase):
    def setUp(self):
        self.e = start_engine(self)
        self.e.send(f"setoption name SyzygyPath value {TABLES}")
        said = self.e.sync()
        # Every real file passes the check: none is named as left out.
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

    def test_a_settled_root_reports_a_certain_wdl(self):
        # The tables' result is no estimate: a won, drawn or lost root says so
        # in full, where the model would give each outcome a share.
        self.e.send("setoption name UCI_ShowWDL value true")
        for fen, wdl in (("8/8/8/8/8/3k4/8/3KQ3 w - - 0 1", "1000 0 0"), ("8/8/8/8/8/3k4/8/3KQ3 b - - 0 1", "0 0 1000"),
                         ("8/3k4/8/2r5/8/8/8/4K2R w - - 0 1", "0 1000 0"), ("8/8/4k3/8/8/8/4P3/4K3 w - - 0 1", "0 1000 0")):
            self.e.send(f"position fen {fen}")
            infos, _ = self.e.search("go depth 5")
            self.assertIn(f" wdl {wdl} ", [l for l in infos if " wdl " in l][-1], fen)
        # A searched root keeps the model's shares.
        self.e.send("position fen 8/8/8/3k4/3r4/8/3R4/3QK3 w - - 0 1")
        infos, _ = self.e.search("go depth 3")
        self.assertRegex([l for l in infos if " wdl " in l][-1], r" wdl \d+ \d+ \d+ ")

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


def rewrite(path, data):
    """Replaces a link to a real table by a file of its own."""
    os.unlink(path)
    with open(path, "wb") as f:
        f.write(data)


def real(name):
    with open(os.path.join(TABLES, name), "rb") as f:
        return f.read()


def damaged_directory(where):
    """Links to every real table, and damaged copies of some: the files left
    out, each with the start of what the engine says of it."""
    rng = random.Random(11)
    for name in os.listdir(TABLES):
        if name.endswith((".rtbw", ".rtbz")):
            os.symlink(os.path.join(TABLES, name), os.path.join(where, name))
    noise = lambda n: bytes(rng.randrange(256) for _ in range(n))
    damaged = {}
    for name in ("KQvK.rtbw", "KQvK.rtbz"):
        # The right size and magic number, random content after them.
        data = real(name)
        rewrite(os.path.join(where, name), data[:5] + noise(len(data) - 5))
        damaged[name] = "not the table of its name"
    rewrite(os.path.join(where, "KRvK.rtbw"), real("KRvK.rtbw")[:16])
    damaged["KRvK.rtbw"] = "cut short (16 bytes)"
    rewrite(os.path.join(where, "KRvK.rtbz"), real("KRvK.rtbw"))
    damaged["KRvK.rtbz"] = "not a DTZ table (wrong magic number)"
    # 64 bytes too many keep the size the prober itself looks at.
    rewrite(os.path.join(where, "KPvK.rtbw"), real("KPvK.rtbw") + bytes(64))
    damaged["KPvK.rtbw"] = "7888 bytes where its header asks for 7824"
    # One side to move where the pieces ask for two: the prober would read
    # the missing side's pieces as nothing and abort.
    data = bytearray(real("KNvK.rtbw"))
    data[4] &= 0xFE
    rewrite(os.path.join(where, "KNvK.rtbw"), bytes(data))
    damaged["KNvK.rtbw"] = "not the table of its name (sides)"
    # Header and blocks intact, the tables that find a position's block not.
    data = real("KBNvK.rtbz")
    if len(data) == 461840:
        rewrite(os.path.join(where, "KBNvK.rtbz"), data[:12328] + noise(13312 - 12328) + data[13312:])
        damaged["KBNvK.rtbz"] = "damaged block tables"
    return damaged


SKIPPED = re.compile(r"^info string SyzygyPath: skipped (\S+): (.*)$")


@unittest.skipUnless(os.path.isdir(TABLES), "no tables here")
class DamagedTables(unittest.TestCase):
    """Table files that do not hold together are named and left out; the
    rest of the tables still serve and nothing crashes."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="velkar-damaged-")
        self.tmp = tempfile.mkdtemp(prefix="velkar-tmp-")
        self.damaged = damaged_directory(self.dir)
        # The engine makes its private directory of links in TMPDIR.
        self.old_tmp = os.environ.get("TMPDIR")
        os.environ["TMPDIR"] = self.tmp
        self.e = start_engine(self)

    def tearDown(self):
        self.e.close()
        if self.old_tmp is None:
            del os.environ["TMPDIR"]
        else:
            os.environ["TMPDIR"] = self.old_tmp
        shutil.rmtree(self.dir)
        shutil.rmtree(self.tmp)

    def load(self, path):
        self.e.send(f"setoption name SyzygyPath value {path}")
        said = self.e.sync()
        self.assertTrue(all(l.startswith("info string ") for l in said), said)
        return said

    def private_dirs(self):
        return glob.glob(os.path.join(self.tmp, "velkar-tables-*"))

    def test_damaged_files_are_named_with_the_reason(self):
        said = self.load(self.dir)
        skipped = {os.path.basename(m.group(1)): m.group(2) for m in map(SKIPPED.match, said) if m}
        self.assertEqual(set(skipped), set(self.damaged), said)
        for name, reason in self.damaged.items():
            self.assertTrue(skipped[name].startswith(reason), (name, skipped[name]))
        self.assertEqual(said[-1], "info string endgame tables of up to 4 pieces found")

    def test_the_engine_plays_on_without_the_damaged_files(self):
        self.load(self.dir)
        kqk = "8/8/8/8/8/3k4/8/3KQ3 w - - 0 1"
        self.e.send(f"position fen {kqk}", "tb")
        self.assertEqual(self.e.sync(), ["info string tablebase: position not in the tables"])
        infos, best = self.e.search("go depth 5")
        self.assertIn(best.split()[1], uci.legal_moves(kqk, engine=self.e))
        # The tables kept still answer where they need none of those left
        # out (a root probe also looks at the tables captures lead to).
        self.e.send("position fen 8/8/8/4k3/8/8/8/KBB5 w - - 0 1", "tb")
        self.assertRegex(self.e.sync()[-1], r"^info string tablebase wdl Win dtz 32 move ")
        for fen in ("8/3k4/8/2r5/8/8/8/4K2R w - - 0 1", "8/8/8/3k4/3r4/8/3R4/3QK3 w - - 0 1", None,
                    "8/8/8/3k4/8/8/8/2BNK3 w - - 0 1"):
            self.e.send(uci.position_command(fen))
            infos, best = self.e.search("go depth 5")
            self.assertTrue(best.startswith("bestmove ") and best.split()[1] != "(none)", best)

    def test_the_prober_gets_links_to_the_files_kept_removed_at_exit(self):
        self.load(self.dir)
        made = self.private_dirs()
        self.assertEqual(len(made), 1)
        linked = set(os.listdir(made[0]))
        self.assertFalse(linked & set(self.damaged))
        self.assertEqual(len(linked) + len(self.damaged), 70)
        # Every file sound: the prober reads the path itself, the links go.
        self.load(TABLES)
        self.assertEqual(self.private_dirs(), [])
        self.load(self.dir)
        self.assertEqual(len(self.private_dirs()), 1)
        self.e.send("quit")
        self.assertEqual(self.e.wait_exit(), 0)
        self.assertEqual(self.private_dirs(), [])

    def test_a_file_mended_is_taken_at_the_next_setoption(self):
        self.load(self.dir)
        os.unlink(os.path.join(self.dir, "KRvK.rtbw"))
        os.unlink(os.path.join(self.dir, "KRvK.rtbz"))
        for name in ("KRvK.rtbw", "KRvK.rtbz"):
            os.symlink(os.path.join(TABLES, name), os.path.join(self.dir, name))
        said = self.load(self.dir)
        self.assertNotIn("KRvK", " ".join(said))
        self.e.send("position fen 8/8/8/4k3/8/8/8/R3K3 w - - 0 1", "tb")
        self.assertRegex(self.e.sync()[-1], r"^info string tablebase wdl Win dtz \d+ move ")

    def test_a_later_directory_supplies_a_sound_copy(self):
        # The prober would open the first file of a name; a damaged one is
        # passed over for a sound copy further along the path.
        said = self.load(f"{self.dir}:{TABLES}")
        self.assertEqual(len([l for l in said if SKIPPED.match(l)]), len(self.damaged))
        self.e.send("position fen 8/8/8/8/8/3k4/8/3KQ3 w - - 0 1", "tb")
        self.assertRegex(self.e.sync()[-1], r"^info string tablebase wdl Win dtz 9 move ")

    def test_what_the_prober_prints_comes_as_info_strings(self):
        # Releasing mapped tables makes the prober complain; changing paths
        # back and forth must leave standard output to UCI lines and
        # standard error empty (checked when the engine is closed).
        one = tempfile.mkdtemp(prefix="velkar-one-")
        try:
            for name in ("KQvK.rtbw", "KQvK.rtbz"):
                shutil.copy(os.path.join(TABLES, name), one)
            for path in (TABLES, one, self.dir, TABLES):
                self.load(path)
                for fen in ("8/8/8/8/8/3k4/8/3KQ3 w - - 0 1", "8/8/8/4k3/8/8/8/R3K3 w - - 0 1"):
                    self.e.send(f"position fen {fen}", "tb")
                    self.e.search("go depth 3")
            said = self.e.sync()
            self.e.send("quit")
            self.assertEqual(self.e.wait_exit(), 0)
            rest = self.e.read_all_pending(0.5)
            self.assertTrue(all(l.startswith("info string ") for l in said + rest), said + rest)
        finally:
            shutil.rmtree(one)


if __name__ == "__main__":
    uci.run_tests()

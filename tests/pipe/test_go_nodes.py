"""go nodes N through the binary: the search stops once it has searched N
nodes (within a few thousand), replies as after a stop, is the same search
as an unlimited one up to that point, and the limit ends with its go."""

import re
import unittest

import uci
from uci import Engine, legal_moves, position_command

MOVE = r"[a-h][1-8][a-h][1-8][nbrq]?"
# A line with a principal variation, printed when the root improves: unlike
# the progress lines, which follow the clock, these come at the same node
# counts in every run.
PV_LINE = re.compile(
    rf"^info depth (?P<depth>\d+) seldepth \d+ currmove {MOVE} currmovenumber \d+"
    rf" score (?P<score>cp -?\d+|mate -?\d+) time \d+ nodes (?P<nodes>\d+)(?: nps \d+)?"
    rf" hashfull \d+ pv (?P<pv>(?:{MOVE} )+)$")
BESTMOVE = re.compile(rf"^bestmove (?P<best>{MOVE}) *(?: ponder (?P<ponder>{MOVE}))?$")

# How far past N the search may go: the node count is looked at every few
# thousand nodes.
SLACK = 5000
MIDDLEGAME = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"
ENDGAME = "8/7p/5k2/5p2/p1p2P2/Pr1pPK2/1P1R3P/8 b - - 0 1"


def run(go, fen=None):
    """A fresh engine searches `go`; returns (PV lines without the clock
    fields, as (nodes, depth, score, pv) tuples, bestmove match)."""
    with Engine() as e:
        e.banner()
        e.send(position_command(fen))
        infos, best = e.search(go, timeout=120)
    lines = [(int(m["nodes"]), int(m["depth"]), m["score"], m["pv"].split())
             for m in map(PV_LINE.match, infos) if m]
    m = BESTMOVE.match(best)
    if not m:
        raise AssertionError(f"{go}: malformed reply {best!r}")
    return lines, m


class NodeLimit(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The reference: a search long enough to print many variations.
        cls.reference = {fen: run("go nodes 400000", fen)[0] for fen in (None, MIDDLEGAME)}

    def test_reply_is_legal_and_follows_the_last_variation(self):
        for fen in (None, MIDDLEGAME, ENDGAME):
            for n in (1, 5000, 60000):
                lines, best = run(f"go nodes {n}", fen)
                self.assertIn(best["best"], legal_moves(fen), f"nodes {n}")
                if lines:
                    pv = lines[-1][3]
                    self.assertEqual(best["best"], pv[0], f"nodes {n}: {lines[-1]}")
                    self.assertEqual(best["ponder"], pv[1] if len(pv) > 1 else None)

    def test_never_searches_more_than_a_few_thousand_nodes_past_the_limit(self):
        for n in (5000, 30000, 150000):
            lines, _ = run(f"go nodes {n}", MIDDLEGAME)
            self.assertTrue(lines, f"nodes {n}: no variation")
            self.assertLessEqual(max(l[0] for l in lines), n + SLACK, f"nodes {n}")

    def test_same_search_as_the_longer_one_up_to_the_limit(self):
        # The limit only cuts the search short: every variation the long
        # search found before N is found, and none found more than SLACK
        # nodes after N.
        for fen, reference in self.reference.items():
            late = [l for l in reference if l[0] > 40000]
            self.assertTrue(late, "the reference search ended too early to compare")
            for line in (late[0], late[len(late) // 2]):
                k = line[0]
                lines, _ = run(f"go nodes {k + 1}", fen)
                self.assertEqual(lines, [l for l in reference if l[0] <= k],
                                 f"nodes {k + 1}: the search stopped before its limit")
                lines, _ = run(f"go nodes {k - SLACK - 1}", fen)
                self.assertNotIn(line, lines, f"nodes {k - SLACK - 1}: searched well past the limit")
                self.assertEqual(lines, reference[:len(lines)])

    def test_the_same_limit_gives_the_same_search(self):
        first = run("go nodes 80000", ENDGAME)
        second = run("go nodes 80000", ENDGAME)
        self.assertEqual(first[0], second[0])
        self.assertEqual(first[1].group(0), second[1].group(0))

    def test_a_clock_or_depth_beside_the_node_count_leaves_the_limit_in_force(self):
        alone = run("go nodes 20000", MIDDLEGAME)[0]
        for go in ("go wtime 900000 btime 900000 nodes 20000",
                   "go wtime 900000 btime 900000 winc 5000 binc 5000 nodes 20000",
                   "go depth 30 nodes 20000"):
            lines, _ = run(go, MIDDLEGAME)
            self.assertEqual(lines, alone, go)


class WithoutNodes(unittest.TestCase):
    def setUp(self):
        self.e = Engine()
        self.e.banner()

    def tearDown(self):
        self.e.close()

    def test_the_limit_ends_with_its_go(self):
        self.e.search("go nodes 3000")
        # A depth search after it goes to its depth, far past 3000 nodes.
        infos, best = self.e.search("go depth 7", timeout=120)
        depths = [int(m["depth"]) for m in map(PV_LINE.match, infos) if m]
        self.assertEqual(max(depths), 7)
        self.assertTrue(BESTMOVE.match(best), best)
        # An infinite search after it runs until told to stop.
        self.e.search("go nodes 3000")
        self.e.send("go infinite")
        for line in self.e.read_all_pending(2.0):
            self.assertTrue(line.startswith("info "), f"before stop: {line!r}")
        self.e.send("stop")
        best, _ = self.e.expect("bestmove", timeout=30)
        self.assertTrue(BESTMOVE.match(best), best)

    def test_depth_search_is_the_same_with_or_without_a_previous_node_search(self):
        self.e.search("go nodes 2000")
        self.e.send("ucinewgame", "position startpos")
        after = [PV_LINE.match(l)["pv"] for l in self.e.search("go depth 6", timeout=120)[0] if PV_LINE.match(l)]
        with Engine() as fresh:
            fresh.banner()
            fresh.send("ucinewgame", "position startpos")
            alone = [PV_LINE.match(l)["pv"] for l in fresh.search("go depth 6", timeout=120)[0]
                     if PV_LINE.match(l)]
        self.assertEqual(after, alone)

    def test_zero_or_unreadable_counts_set_no_limit(self):
        # Such a go is a plain go: the default clock, and a legal reply.
        for go in ("go nodes 0", "go nodes -5", "go nodes many"):
            self.e.send("position startpos")
            _, best = self.e.search(go, timeout=60)
            m = BESTMOVE.match(best)
            self.assertTrue(m, f"{go}: {best!r}")
            self.assertIn(m["best"], legal_moves())


if __name__ == "__main__":
    uci.run_tests()

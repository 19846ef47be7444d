"""The options and go fields that clients rely on, through the binary:
the option lines (and their documentation), MultiPV, searchmoves, go
mate, Clear Hash and the score line of a very short search."""

import os
import re
import unittest

import uci
from uci import Engine, data_file, epd_fen, position_command
from test_search import BESTMOVE, MOVE, check_pv_legal

MULTIPV_LINE = re.compile(
    rf"^info depth (?P<depth>\d+) seldepth \d+ multipv (?P<k>\d+) score (?P<kind>cp|mate) (?P<score>-?\d+)"
    rf"(?P<wdl> wdl \d+ \d+ \d+)? time \d+ nodes \d+( nps \d+)? hashfull \d+ pv (?P<pv>(?:{MOVE} )+)$")
SCORE = re.compile(r" score (cp|mate) (-?\d+)")
MIDDLEGAME = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"


def sortable(kind, score):
    """A score as a number that orders mates beyond every centipawn score."""
    n = int(score)
    if kind == "cp":
        return n
    return 100000 - n if n > 0 else -100000 - n


def search(go, fen=None, options=(), moves=()):
    with Engine() as e:
        e.banner()
        for name, value in options:
            e.send(f"setoption name {name} value {value}")
        e.send(position_command(fen, moves))
        return e.search(go, timeout=120)


class Options(unittest.TestCase):
    def test_option_lines_follow_the_three_of_the_design(self):
        with Engine() as e:
            e.banner()
            e.send("uci")
            lines = [l for l in e.expect("uciok")[1] if l.startswith("option") and "SyzygyPath" not in l]
        self.assertEqual([l.split(" type")[0] for l in lines],
                         ["option name Hash", "option name Ponder", "option name UCI_EngineAbout",
                          "option name Move Overhead", "option name MultiPV", "option name UCI_Chess960",
                          "option name Clear Hash", "option name UCI_ShowWDL",
                          "option name Threads", "option name UCI_LimitStrength", "option name UCI_Elo"])

    def test_every_option_is_documented_as_the_engine_offers_it(self):
        # The uci reply against the table of docs/options.md and the short
        # one of README.md: the same names, types, ranges and defaults.
        with Engine() as e:
            e.banner()
            e.send("uci")
            lines = [l for l in e.expect("uciok")[1] if l.startswith("option name ")]
        offered = {}
        for l in lines:
            m = re.match(r"option name (.+?) type (\w+)(.*)$", l)
            fields = dict(re.findall(r" (default|min|max) (\S+)", m.group(3)))
            offered[m.group(1)] = (m.group(2), fields)
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
        for page in ("docs/options.md", "README.md"):
            with open(os.path.join(root, page)) as f:
                rows = [[c.strip() for c in l.strip().strip("|").split("|")] for l in f
                        if re.match(r"^\| `[^`]+` \| (spin|check|string|button)", l)]
            documented = {r[0].strip("`"): r for r in rows}
            # SyzygyPath is offered only by a build with the Fathom library.
            self.assertEqual(set(offered), set(documented) - ({"SyzygyPath"} - set(offered)), page)
            for name, (kind, fields) in offered.items():
                row = documented[name]
                self.assertTrue(row[1].startswith(kind), (page, name, row[1]))
                if kind == "spin":
                    self.assertEqual(row[1], f"spin, {fields['min']} to {fields['max']}", (page, name))
                # A default that differs by build (Hash in the browser) is
                # given beside the native one: "128 (16 in the browser)".
                if kind in ("spin", "check") or fields.get("default") == "<empty>":
                    self.assertIn(fields["default"], re.findall(r"[^\s`()]+", row[2]), (page, name))

    def test_bad_values_are_said_and_clamped_or_kept(self):
        with Engine() as e:
            e.banner()
            e.send("setoption name MultiPV value 999", "setoption name Move Overhead value lots",
                   "setoption name UCI_ShowWDL value maybe")
            said = e.sync()
            self.assertEqual(len(said), 3, said)
            self.assertTrue(all(l.startswith("info string") for l in said), said)
            infos, best = e.search("go depth 3")
            self.assertTrue(BESTMOVE.match(best), best)


class MultiPV(unittest.TestCase):
    def test_three_lines_per_depth_best_first(self):
        for fen in (None, MIDDLEGAME, "8/7p/5k2/5p2/p1p2P2/Pr1pPK2/1P1R3P/8 b - - 0 1"):
            infos, best = search("go depth 6", fen, [("MultiPV", 3)])
            lines = [m for m in map(MULTIPV_LINE.match, infos) if m]
            depths = sorted({int(m["depth"]) for m in lines})
            self.assertEqual(depths, list(range(1, 7)), fen)
            for d in depths:
                at = [m for m in lines if int(m["depth"]) == d]
                self.assertEqual([int(m["k"]) for m in at], [1, 2, 3], (fen, d))
                self.assertEqual(len({m["pv"].split()[0] for m in at}), 3, (fen, d))
                scores = [sortable(m["kind"], m["score"]) for m in at]
                self.assertEqual(scores, sorted(scores, reverse=True), (fen, d))
            last = [m for m in lines if int(m["depth"]) == 6]
            self.assertEqual(BESTMOVE.match(best)["best"], last[0]["pv"].split()[0])
            check_pv_legal(self, fen, [m["pv"].split() for m in last])

    def test_more_lines_than_moves_gives_every_move(self):
        fen = "7k/8/8/8/8/8/6PP/7K w - - 0 1"  # five legal moves
        infos, _ = search("go depth 4", fen, [("MultiPV", 10)])
        at = [m for m in map(MULTIPV_LINE.match, infos) if m and m["depth"] == "4"]
        self.assertEqual(len(at), 5)


class GoFields(unittest.TestCase):
    def test_searchmoves_limits_the_root(self):
        infos, best = search("go depth 5 searchmoves a2a3 h2h4 e2e5")
        self.assertIn(BESTMOVE.match(best)["best"], ("a2a3", "h2h4"))
        self.assertTrue(any("e2e5" in l and l.startswith("info string") for l in infos), infos)
        pvs = [l.split(" pv ")[1].split()[0] for l in infos if " pv " in l]
        self.assertTrue(pvs and set(pvs) <= {"a2a3", "h2h4"}, pvs)
        # Nothing usable: every move is searched.
        _, best = search("go depth 4 searchmoves e2e5 zz")
        self.assertTrue(BESTMOVE.match(best), best)

    def test_go_mate_finds_the_mate_and_replies(self):
        # The mates in three come from the tactics suite (the first move as its bm).
        mates3 = {"WAC.001": "g3g6", "WAC.050": "b7b6", "WAC.064": "g2g4"}
        for line in data_file("mate_in_2.epd") + [l for l in data_file("wac.epd") if l.split('id "')[1][:7] in mates3]:
            fen = epd_fen(line)
            expected = line.split('c0 "uci ')[1].split('"')[0] if 'c0 "uci ' in line else mates3[line.split('id "')[1][:7]]
            n = 2 if "mate2" in line else 3
            infos, best = search(f"go mate {n}", fen)
            scores = [SCORE.search(l).groups() for l in infos if SCORE.search(l)]
            self.assertEqual(scores[-1][0], "mate", (fen, infos))
            self.assertTrue(0 < int(scores[-1][1]) <= n, (fen, scores[-1]))
            if expected:
                self.assertEqual(BESTMOVE.match(best)["best"], expected, fen)

    def test_a_short_search_still_writes_a_score(self):
        for go, fen in (("go depth 2", None), ("go wtime 1000", "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1")):
            infos, best = search(go, fen, [("UCI_ShowWDL", "true")])
            scored = [l for l in infos if SCORE.search(l)]
            self.assertTrue(scored, infos)
            self.assertIn(" wdl ", scored[-1])
            self.assertTrue(scored[-1].endswith(" pv " + BESTMOVE.match(best)["best"]), (scored[-1], best))


class ClearHash(unittest.TestCase):
    def test_a_search_after_clear_hash_is_a_fresh_engines(self):
        moves = ["e2e4", "e7e5", "g1f3", "b8c6"]
        with Engine() as e:
            e.banner()
            e.send(position_command(None, moves[:2]))
            _, best = e.search("go depth 6")
            e.send(position_command(None, moves))
            e.search("go depth 6")
            e.send(position_command(None, moves + ["f1b5", "a7a6"]))
            e.send("setoption name Clear Hash")
            after, _ = e.search("go depth 7")
        fresh, _ = search("go depth 7", None, (), moves + ["f1b5", "a7a6"])
        strip = lambda ls: [re.sub(r" (time|nps) \d+", "", l) for l in ls if SCORE.search(l)]
        self.assertEqual(strip(after), strip(fresh))


if __name__ == "__main__":
    uci.run_tests()

"""The position command: moves, the incremental replay, illegal moves,
FEN clean-up, and move generation as perft shows it."""

import unittest

import uci
from uci import Engine, board_fen, perft

AFTER_E4_E5 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2"
AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"

# A self-play game (White to move) where White can promote on b8 or move the
# rook on g8: searches stopped by a node limit may end between the two.
PROMOTION_GAME = (
    "b1c3 d7d5 d2d4 d8d6 g2g3 c8f5 f1g2 g8f6 c1f4 d6b4 f4c7 b8c6 g1f3 a8c8 f3h4 f5g4 h2h3 c8c7 h3g4 "
    "c6d4 a1b1 e7e6 e1g1 f6g4 g2d5 g4f2 f1f2 d4c2 d1c2 e6d5 c2d3 f8c5 c3d5 c5f2 g1g2 c7d7 d5b4 d7d3 "
    "e2d3 f2c5 b1c1 c5e7 c1c7 e7h4 g3h4 e8g8 c7b7 a7a5 b4c6 a5a4 b7a7 f8e8 g2f3 h7h6 a7a4 e8e6 a4c4 "
    "e6f6 f3g2 f6e6 g2f2 e6f6 f2e3 f6e6 e3d2 e6f6 d2c3 f6f2 c6d4 f2h2 c4c8 g8h7 c8c7 h7g6 d4f3 h2e2 "
    "h4h5 g6f6 c7b7 e2f2 f3d2 f2f5 d2e4 f6e6 b7b6 e6e7 b6a6 f5h5 a6a7 e7e6 d3d4 h5h3 c3c4 h3h2 a7b7 "
    "h2c2 c4d3 c2g2 e4c5 e6f6 c5d7 f6f5 d3e3 g7g6 b7b5 f5e6 d7e5 f7f6 b5b6 e6e7 e3f3 g2g5 b6b7 e7d6 "
    "e5d3 g5a5 b7g7 g6g5 a2a3 a5d5 f3e3 h6h5 d3c5 h5h4 b2b4 d5f5 b4b5 d6d5 b5b6 f5f1 b6b7 f1e1 e3d3 "
    "e1b1 g7g8 h4h3 "
).split()


def key(engine):
    return uci.board(engine)[1]


class Moves(unittest.TestCase):
    def setUp(self):
        self.e = Engine()
        self.e.banner()

    def tearDown(self):
        self.e.close()

    def position(self, cmd):
        """Sends the command; returns (lines it wrote, the FEN then shown)."""
        self.e.send(cmd)
        return self.e.sync(), board_fen(self.e)

    def test_moves_from_the_start(self):
        self.assertEqual(self.position("position startpos moves e2e4 e7e5"), ([], AFTER_E4_E5))
        self.assertEqual(self.position("position startpos"), ([], uci.START_FEN))
        self.assertEqual(self.position(f"position fen {uci.START_FEN} moves e2e4 e7e5"), ([], AFTER_E4_E5))

    def test_incremental_game_gives_the_same_position_and_key(self):
        self.position("position startpos moves e2e4 e7e5")
        direct = key(self.e)
        self.position("position startpos moves e2e4")
        self.assertEqual(self.position("position startpos moves e2e4 e7e5"), ([], AFTER_E4_E5))
        self.assertEqual(key(self.e), direct)
        # the recorded game occurs in the new one, but not at its start
        out, fen = self.position("position startpos moves d2d4 d7d5 e2e4 e7e5 g1f3")
        self.assertEqual(out, [])
        self.assertEqual(fen, "rnbqkbnr/ppp2ppp/8/3pp3/3PP3/5N2/PPP2PPP/RNBQKB1R b KQkq - 1 3")
        # a shorter game than the one on the board
        self.assertEqual(self.position("position startpos moves e2e4"), ([], AFTER_E4))

    def test_transposed_move_orders_share_the_key(self):
        self.position("position startpos moves g1f3 g8f6 b1c3 b8c6")
        first = uci.board(self.e)
        self.position("position startpos moves b1c3 b8c6 g1f3 g8f6")
        self.assertEqual(uci.board(self.e), first)
        self.position("position startpos")
        self.assertNotEqual(key(self.e), first[1])

    def test_game_continues_after_the_engines_own_move(self):
        self.e.send("position startpos moves e2e4")
        best = self.e.search("go depth 3")[1].split()[1]
        reply = uci.legal_moves(moves=["e2e4", best])[0]
        game = ["e2e4", best, reply]
        with Engine() as fresh:
            fresh.banner()
            fresh.send(uci.position_command(moves=game))
            expected = board_fen(fresh)
        self.assertEqual(self.position(uci.position_command(moves=game)), ([], expected))
        # the engine's move is not left on the board for a shorter game
        self.assertEqual(self.position("position startpos moves e2e4"), ([], AFTER_E4))

    def test_game_continues_after_a_search_ended_inside_an_iteration(self):
        # A search that ends inside an iteration may announce the first move
        # of its newest variation (here the promotion b7b8q) while the move
        # of the last complete iteration (a rook move) is on its board.  The
        # next position command, with the announced move and its expected
        # reply, must still give the board of the game.
        start = uci.position_command(moves=PROMOTION_GAME)
        self.e.send(start)
        fen = board_fen(self.e)
        announced = set()
        with Engine() as fresh:
            fresh.banner()
            for nodes in range(40960, 81921, 4096):
                self.e.send(start)
                best = self.e.search(f"go nodes {nodes}")[1].split()
                game = best[1:2] + best[3:4]
                announced.add(best[1])
                fresh.send(uci.position_command(fen, game))
                self.assertEqual(self.position(start + " " + " ".join(game)), ([], board_fen(fresh)), nodes)
        self.assertIn("b7b8q", announced)

    def test_malformed_move_is_reported_and_ends_the_list(self):
        self.assertEqual(self.position("position startpos moves e2e4 xx e7e5"),
                         (["info string illegal move xx"], AFTER_E4))
        self.assertEqual(self.position("position startpos moves e2e4 e7e5 zz"),
                         (["info string illegal move zz"], AFTER_E4_E5))
        # Blanks between moves are blanks, however many.
        self.assertEqual(self.position("position startpos moves e2e4 \t  e7e5  "), ([], AFTER_E4_E5))

    def test_illegal_moves_are_reported_and_end_the_list(self):
        promo = "8/4P3/8/8/8/8/k7/7K w - - 0 1"
        cases = [
            ("position startpos moves e2e5 e7e5", "e2e5", uci.START_FEN),
            ("position startpos moves e7e5", "e7e5", uci.START_FEN),           # wrong side
            ("position startpos moves e2e4 e2e5 e7e5", "e2e5", AFTER_E4),      # empty square
            ("position startpos moves e2e4 e7e5 e1g1", "e1g1", AFTER_E4_E5),   # castling through pieces
            (f"position fen {promo} moves e7e8Q", "e7e8Q", promo),             # upper-case promotion
            (f"position fen {promo} moves e7e8", "e7e8", promo),               # promotion without a piece
            ("position startpos moves e2e4 d7d5 e4d5 c7c5 d5c6 e7e5 d5e6", "d5e6",
             "rnbqkbnr/pp3ppp/2P5/4p3/8/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 4"),  # pawn already gone
        ]
        for cmd, move, fen in cases:
            self.assertEqual(self.position(cmd), ([f"info string illegal move {move}"], fen), cmd)
        self.assertEqual(self.position(f"position fen {promo} moves e7e8n a2b3"),
                         ([], "4N3/8/8/8/8/1k6/8/7K w - - 1 2"))

    def test_fen_clean_up_of_rights_and_en_passant(self):
        cases = [
            ("r3k2r/8/8/8/8/8/8/4K3 w KQkq - 0 1", "r3k2r/8/8/8/8/8/8/4K3 w kq - 0 1"),
            ("r3k2r/8/8/8/8/8/8/R3K1R1 w KQkq - 0 1", "r3k2r/8/8/8/8/8/8/R3K1R1 w Qkq - 0 1"),
            ("1r2k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "1r2k2r/8/8/8/8/8/8/R3K2R b KQk - 0 1"),
            ("r3k2r/8/8/8/8/8/8/R3K2R w KQkq e6 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"),
            ("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"),
            ("4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1"),
            ("4k3/8/8/8/3P4/8/8/4K3 b - d3 0 1", "4k3/8/8/8/3P4/8/8/4K3 b - d3 0 1"),
        ]
        for given, shown in cases:
            self.assertEqual(self.position(f"position fen {given}"), ([], shown), given)


class Perft(unittest.TestCase):
    def test_start_position_generation_order(self):
        order = ("a2a3 a2a4 b2b3 b2b4 c2c3 c2c4 d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 g2g3 g2g4 "
                 "h2h3 h2h4 b1a3 b1c3 g1f3 g1h3").split()
        with Engine() as e:
            e.banner()  # no position command: the engine starts in the start position
            self.assertEqual(perft(e, 1), ({m: 1 for m in order}, 20))
            self.assertEqual(list(perft(e, 1)[0]), order)  # the same order again
            self.assertEqual(perft(e, 3)[1], 8902)

    def test_small_depths_of_known_positions(self):
        suite = [
            ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", [48, 2039, 97862]),
            ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", [14, 191, 2812, 43238]),
            ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", [6, 264, 9467]),
            # a Black capture of a promoted rook must not cost White its castling right
            ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", [44, 1486, 62379]),
            ("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", [46, 2079, 89890]),
        ]
        with Engine() as e:
            e.banner()
            for fen, counts in suite:
                e.send(f"position fen {fen}")
                for depth, count in enumerate(counts, 1):
                    moves, total = perft(e, depth)
                    self.assertEqual(total, count, f"{fen} depth {depth}")
                    self.assertEqual(sum(moves.values()), total)
                    self.assertEqual(len(moves), counts[0])
            e.send("position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6")
            self.assertIn("e1g1", perft(e, 1)[0])


if __name__ == "__main__":
    uci.run_tests()

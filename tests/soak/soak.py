"""Soak driver: plays Velkar against itself through the real binary, as a
chess interface would (two engine processes, clocks, pondering, stop and
isready at random moments), and forces long games of random legal moves
with a search every few moves.  Every move is checked by an independent
rules implementation (chess.js, through referee.js).

Used by tests/pipe/test_soak.py and test_slow_soak.py, and from the command
line for long runs:  python3 tests/soak/soak.py BINARY --games 100 --forced 5
"""

import argparse
import os
import random
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "pipe"))
import uci  # noqa: E402

START = uci.START_FEN
SLACK_MS = 2000  # beyond the budget by this much, the engine ignores its clock


def referee_available():
    return os.path.isdir(os.path.join(HERE, "node_modules", "chess.js"))


class Referee:
    def __init__(self):
        self.proc = subprocess.Popen(["node", os.path.join(HERE, "referee.js")], cwd=HERE, text=True,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=1)

    def ask(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def load(self, fen):
        assert self.ask("load " + fen) == "ok", fen

    def play(self, move):
        """(state, fen) after the move, or None when it is illegal."""
        r = self.ask("play " + move).split(" ", 2)
        return None if r[0] != "ok" else (r[1], r[2])

    def undo(self):
        self.ask("undo")

    def legal(self):
        return self.ask("legal").split()

    def close(self):
        self.proc.stdin.close()
        self.proc.wait()


def budget(tc_go, fen):
    """The engine's planned time for a clock or movetime search, in ms."""
    words = tc_go.split()
    val = lambda k: int(words[words.index(k) + 1]) if k in words else 0
    if "movetime" in words:
        return val("movetime") * 95 // 100 * 87 // 100
    white = fen.split()[1] == "w"
    board = fen.split()[0]
    mine = sum(c.isupper() if white else c.islower() for c in board)
    theirs = sum(c.islower() if white else c.isupper() for c in board)
    t, i = (val("wtime"), val("winc")) if white else (val("btime"), val("binc"))
    if val("winc") > 0 or val("binc") > 0:
        div = 42 if theirs >= mine + 3 else 32
        return min((i * 95 // 100 + t // div) * 87 // 100, t * 3 // 4)
    return t // 41


class Stats:
    def __init__(self):
        self.games = self.plies = self.searches = self.forced_plies = 0
        self.ends = {}
        self.failures = []
        self.overshoot = (-10**9, "")  # (ms over budget, context)
        self.latency = {"stop": (0, ""), "ponderhit": (0, "")}  # longest wait for bestmove after them
        self.forfeits = []  # moves after which a clock was below zero

    def fail(self, text):
        self.failures.append(text)

    def summary(self):
        return (f"{self.games} games, {self.plies} plies, {self.forced_plies} forced plies, "
                f"{self.searches} searches, ends {self.ends}, largest overshoot "
                f"{self.overshoot[0]} ms ({self.overshoot[1]}), longest reply after stop/ponderhit "
                f"{self.latency['stop']}/{self.latency['ponderhit']}, {len(self.forfeits)} clock "
                f"overruns, {len(self.failures)} failures")

    def waited(self, command, t0, when, context):
        self.latency[command] = max(self.latency[command], (int((when - t0) * 1000), context))


class Player:
    """One engine process and the state a chess interface keeps for it."""

    def __init__(self, binary):
        uci.BINARY = binary
        self.e = uci.Engine()
        self.e.banner()
        self.e.send("uci", "setoption name Hash value 16")
        self.e.expect("uciok")
        self.e.sync()
        self.ponder = None  # the move it ponders on, while it ponders

    def read_reply(self, timeout, want_ready=False):
        """(arrival time, bestmove line); with want_ready also waits for readyok."""
        deadline = time.monotonic() + timeout
        best, ready = None, not want_ready
        while best is None or not ready:
            line = self.e.read(max(0.01, deadline - time.monotonic()))
            when = time.monotonic()
            if line is None:
                raise uci.EngineError("engine output ended" + self.e._context())
            if line == "readyok":
                ready = True
            elif line.startswith("bestmove"):
                best = (when, line)
        return best



def go_line(rng, tc, clocks):
    kind = tc["kind"] if tc["kind"] != "mixed" else rng.choice(["clock", "movetime", "depth", "infinite"])
    if kind == "clock":
        return f"go wtime {clocks[0]} btime {clocks[1]} winc {tc['inc']} binc {tc['inc']}"
    if kind == "movetime":
        return f"go movetime {tc.get('ms', rng.randint(5, 60))}"
    if kind == "depth":
        return f"go depth {tc.get('depth', rng.randint(1, 4))}"
    return "go infinite"


def split_best(line):
    words = line.split()
    return words[1], (words[3] if len(words) >= 4 and words[2] == "ponder" else None)


def play_game(rng, stats, players, ref, tc, fen=None):
    """One game of the engine against itself, to its end by the rules."""
    ref.load(fen or START)
    moves, cur_fen = [], fen or START
    clocks = [tc.get("base", 0), tc.get("base", 0)]
    use_ponder = tc["kind"] == "clock" and rng.random() < 0.6
    for p in players:
        p.e.send("ucinewgame")
        p.e.sync()
    state = "play"
    while state == "play" and len(moves) < 1800:
        side = 0 if cur_fen.split()[1] == "w" else 1
        p = players[side]
        pos = uci.position_command(fen, moves)
        best, timed, how = None, False, "ponderhit"
        if p.ponder is not None:
            early = [l for l in p.e.read_all_pending() if l.startswith("bestmove")]
            if early:
                stats.fail(f"bestmove while pondering: {early} after {pos}")
            if rng.random() < 0.3:
                p.e.send("isready")
                p.e.expect("readyok", 30)
            if moves[-1] == p.ponder:
                t0 = time.monotonic()
                p.e.send("ponderhit")
                when, best = p.read_reply(60)
                stats.waited("ponderhit", t0, when, pos)
                clocks[side] -= int((when - t0) * 1000)
                timed = True
            else:
                t0 = time.monotonic()
                p.e.send("stop")
                when, reply = p.read_reply(30)
                stats.waited("stop", t0, when, "ponder, " + pos)
                ref.undo()
                ref.play(p.ponder)
                reply_move = split_best(reply)[0]
                if reply_move == "(none)":
                    # The expected reply would have mated or stalemated us.
                    if ref.legal():
                        stats.fail(f"no move after stop of ponder on {p.ponder}, {pos}")
                elif ref.play(reply_move) is None:
                    stats.fail(f"illegal move {reply} after stop of ponder on {p.ponder}, {pos}")
                else:
                    ref.undo()
                ref.undo()
                ref.play(moves[-1])
            p.ponder = None
        if best is None:
            go = how = go_line(rng, tc, clocks)
            p.e.send(pos, go)
            t0 = time.monotonic()
            stop_early = go == "go infinite" or rng.random() < 0.1
            isready = rng.random() < 0.2
            if stop_early or isready:
                time.sleep(rng.random() * 0.05)
                t_stop = time.monotonic()
                p.e.send(*(["isready"] if isready else []), *(["stop"] if stop_early else []))
            when, best = p.read_reply(60 + budget(go, cur_fen) / 1000 if "time" in go else 60, isready)
            elapsed = int((when - t0) * 1000)
            if stop_early:
                stats.waited("stop", t_stop, when, f"{go}, {pos}")
            if "time" in go and not stop_early:
                b = budget(go, cur_fen)
                if elapsed - b > stats.overshoot[0]:
                    stats.overshoot = (elapsed - b, f"{go}, budget {b}, took {elapsed}, ply {len(moves)}")
                if elapsed > b + SLACK_MS:
                    stats.fail(f"{go} took {elapsed} ms for a budget of {b} ms, {pos}")
            if go.startswith("go wtime"):
                clocks[side] -= elapsed
                timed = True
        if timed:
            clocks[side] += tc["inc"]
            if clocks[side] <= 0:
                # Lost on time in a real game; noted, and the game goes on
                # with a fresh clock so that it still ends by the rules.
                stats.forfeits.append(f"ply {len(moves)}: clock {clocks[side]} ms after {how}")
                clocks[side] = tc["base"]
        stats.searches += 1
        move, ponder = split_best(best)
        result = ref.play(move)
        if result is None:
            stats.fail(f"illegal bestmove {best!r} after {pos}")
            break
        state, cur_fen = result
        moves.append(move)
        if ponder is not None:
            if ref.play(ponder) is None:
                stats.fail(f"illegal ponder move {best!r} after {pos}")
                ponder = None
            else:
                ref.undo()
        if use_ponder and ponder is not None and state == "play":
            p.e.send(uci.position_command(fen, moves + [ponder]),
                     f"go ponder wtime {max(clocks[0], 1)} btime {max(clocks[1], 1)} "
                     f"winc {tc['inc']} binc {tc['inc']}")
            p.ponder = ponder
    for p in players:
        if p.ponder is not None:
            p.e.send("stop")
            p.read_reply(30)
            p.ponder = None
    if state in ("checkmate", "stalemate"):
        # Nothing to play: the engine must say so rather than move.
        last = players[0 if cur_fen.split()[1] == "w" else 1]
        last.e.send(uci.position_command(fen, moves), "go depth 2")
        _, reply = last.read_reply(60)
        if reply != "bestmove (none)":
            stats.fail(f"{reply!r} in a {state} position, {uci.position_command(fen, moves)}")
    stats.games += 1
    stats.plies += len(moves)
    stats.ends[state] = stats.ends.get(state, 0) + 1


def forced_game(rng, stats, player, ref, plies=1600):
    """Random legal moves (mostly quiet, so the game lasts), a check of the
    engine's board and a search every few moves."""
    ref.load(START)
    player.e.send("ucinewgame")
    moves, fen = [], START
    next_search = rng.randint(10, 60)
    while len(moves) < plies:
        legal, quiet = ref.legal(), ref.ask("quiet").split()
        pool = quiet if quiet and rng.random() < 0.97 else legal
        rng.shuffle(pool)
        result = None
        for m in pool + legal:
            result = ref.play(m)
            if result[0] in ("checkmate", "stalemate"):
                ref.undo()
                result = None
                continue
            moves.append(m)
            fen = result[1]
            break
        if result is None:
            break  # every move ends the game: take what we have
        if len(moves) >= next_search or len(moves) == plies:
            next_search = len(moves) + rng.randint(10, 60)
            player.e.send(uci.position_command(None, moves))
            shown = uci.board_fen(player.e).split()
            want = fen.split()
            if shown[:3] + shown[4:] != want[:3] + want[4:]:
                stats.fail(f"engine board {' '.join(shown)} differs from {fen} after {len(moves)} plies")
            go = rng.choice(["go depth 3", "go movetime 30", "go wtime 3000 btime 3000 winc 30 binc 30"])
            player.e.send(go)
            _, reply = player.read_reply(60)
            stats.searches += 1
            if ref.play(split_best(reply)[0]) is None:
                stats.fail(f"illegal bestmove {reply!r} after {len(moves)} forced plies")
            else:
                ref.undo()
    stats.forced_plies += len(moves)


def run(binary, games, forced, seed, tcs, forced_plies=1600, log=None):
    rng = random.Random(seed)
    stats = Stats()
    openings = uci.data_file("openings_8moves_v3_sample250.epd")
    ref = Referee()
    players = [Player(binary), Player(binary)]
    try:
        for g in range(games):
            tc = tcs[g % len(tcs)]
            fen = None if rng.random() < 0.3 else " ".join(rng.choice(openings).split()[:6])
            play_game(rng, stats, players, ref, tc, fen)
            if log:
                log(f"game {g + 1}: {tc}: {stats.summary()}")
        for g in range(forced):
            forced_game(rng, stats, players[0], ref, forced_plies)
            if log:
                log(f"forced game {g + 1}: {stats.summary()}")
    finally:
        for p in players:
            try:
                p.e.close()  # checks a clean end: exit code 0, nothing on stderr
            except uci.EngineError as err:
                stats.fail(str(err)[-3000:])
        ref.close()
    return stats


CI_TCS = [{"kind": "clock", "base": 3000, "inc": 30}, {"kind": "mixed", "base": 2000, "inc": 20},
          {"kind": "clock", "base": 2000, "inc": 0}, {"kind": "depth"}, {"kind": "movetime"}]
LONG_TCS = CI_TCS + [{"kind": "clock", "base": 10000, "inc": 100}, {"kind": "clock", "base": 1000, "inc": 10},
                     {"kind": "clock", "base": 6000, "inc": 0}, {"kind": "movetime", "ms": 100}]

if __name__ == "__main__":
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("binary")
    ap.add_argument("--games", type=int, default=20)
    ap.add_argument("--forced", type=int, default=2)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    s = run(os.path.abspath(a.binary), a.games, a.forced, a.seed, LONG_TCS,
            log=lambda t: print(t, flush=True))
    print(s.summary())
    for f in s.forfeits:
        print("clock overrun:", f)
    for f in s.failures:
        print("FAILURE:", f)
    sys.exit(1 if s.failures else 0)

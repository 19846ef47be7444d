"""Drives the velkar binary through its standard input and output, as a
chess interface does.  Shared by the test_*.py scripts of this folder."""

import os
import queue
import subprocess
import sys
import threading
import time
import unittest

BINARY = None  # set by run_tests() from the command line
DATA_DIR = os.environ.get(
    "VELKAR_DATA_DIR",
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))

START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


class EngineError(AssertionError):
    """The engine did not answer as expected (in time, or at all)."""


class Engine:
    """One running engine process.  A reader thread puts every output line
    into a queue, so every read can have a timeout and a hung engine fails
    the test instead of hanging it."""

    def __init__(self, binary=None, args=()):
        self.proc = subprocess.Popen(
            [binary or BINARY, *args], stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        self.lines = queue.Queue()
        self.log = []  # everything read so far, for failure messages
        self.stderr = []
        threading.Thread(target=self._pump, args=(self.proc.stdout, self.lines),
                         daemon=True).start()
        threading.Thread(target=self._drain_stderr, daemon=True).start()

    @staticmethod
    def _pump(stream, q):
        for raw in iter(stream.readline, b""):
            q.put((time.monotonic(), raw.decode("utf-8", "replace").rstrip("\n")))
        q.put((time.monotonic(), None))  # end of output

    def _drain_stderr(self):
        for raw in iter(self.proc.stderr.readline, b""):
            self.stderr.append(raw.decode("utf-8", "replace"))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # --- writing -----------------------------------------------------------
    def send(self, *lines):
        for line in lines:
            self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()

    def close_input(self):
        self.proc.stdin.close()

    # --- reading -----------------------------------------------------------
    def _context(self):
        tail = "\n  ".join(self.log[-15:])
        err = "".join(self.stderr[-20:])
        return f"\nlast lines read:\n  {tail}" + (f"\nstderr:\n{err}" if err else "")

    def read(self, timeout=10.0, stamped=False):
        """The next line; None at end of output.  Raises on timeout."""
        try:
            when, line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise EngineError(f"no output within {timeout} s" + self._context()) from None
        if line is None:
            self.lines.put((when, None))  # stay at end of output
        else:
            self.log.append(line)
        return (when, line) if stamped else line

    def read_all_pending(self, wait=0.0):
        """Every line that arrives within `wait` seconds (at least those already here)."""
        out = []
        deadline = time.monotonic() + wait
        while True:
            try:
                _, line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                return out
            if line is None:
                self.lines.put((0, None))
                return out
            self.log.append(line)
            out.append(line)

    def expect(self, prefix, timeout=10.0):
        """Read until a line starting with `prefix`; return (line, lines before it)."""
        skipped = []
        deadline = time.monotonic() + timeout
        while True:
            line = self.read(max(0.01, deadline - time.monotonic()))
            if line is None:
                raise EngineError(f"output ended while waiting for {prefix!r}" + self._context())
            if line.startswith(prefix):
                return line, skipped
            skipped.append(line)

    def sync(self, timeout=10.0):
        """isready/readyok round trip; returns the lines that came before readyok."""
        self.send("isready")
        return self.expect("readyok", timeout)[1]

    def banner(self, timeout=10.0):
        return self.read(timeout)

    def search(self, go="go depth 4", timeout=30.0):
        """Send `go`, collect until bestmove.  Returns (info lines, bestmove line)."""
        self.send(go)
        best, before = self.expect("bestmove", timeout)
        return before, best

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise EngineError(f"engine still running {timeout} s later" + self._context()) from None

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.close()
            except OSError:
                pass
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        for s in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                s.close()
            except OSError:
                pass


# --- helpers shared by the scripts ------------------------------------------

def position_command(fen=None, moves=()):
    cmd = "position startpos" if fen is None else f"position fen {fen}"
    return cmd + (" moves " + " ".join(moves) if moves else "")


def perft(engine, depth, timeout=60.0):
    """Runs `perft depth` on the engine's current position.
    Returns ({move: count} in the order listed, total)."""
    engine.send(f"perft {depth}")
    counts = {}
    while True:
        line = engine.read(timeout)
        if line is None:
            raise EngineError("output ended during perft" + engine._context())
        if line.startswith("Nodes searched:"):
            return counts, int(line.split(":")[1])
        if line:
            move, _, n = line.partition(": ")
            counts[move] = int(n)


def legal_moves(fen=None, moves=()):
    """The engine's own list of legal moves, from a fresh process."""
    with Engine() as e:
        e.banner()
        e.send(position_command(fen, moves))
        return list(perft(e, 1)[0])


def board(engine):
    """(FEN, key) as the `d` command shows them."""
    engine.send("d")
    fen = engine.expect("Fen: ")[0][len("Fen: "):]
    return fen, engine.expect("Key: ")[0][len("Key: "):]


def board_fen(engine):
    return board(engine)[0]


def epd_fen(line):
    """A FEN from an EPD line: its first four fields and ' 0 1'."""
    return " ".join(line.split()[:4]) + " 0 1"


def data_file(name):
    with open(os.path.join(DATA_DIR, name)) as f:
        return [l.strip() for l in f if l.strip() and not l.startswith("#")]


def run_tests():
    """Entry point of every script: `python3 test_x.py <velkar binary>`."""
    global BINARY
    if len(sys.argv) < 2:
        sys.exit(f"usage: {sys.argv[0]} <path to velkar>")
    BINARY = os.path.abspath(sys.argv[1])
    prog = unittest.main(module="__main__", argv=[sys.argv[0]], exit=False, verbosity=2)
    r = prog.result
    print(f"{os.path.basename(sys.argv[0])}: {r.testsRun} run, "
          f"{len(r.failures)} failed, {len(r.errors)} errors")
    sys.exit(0 if r.wasSuccessful() else 1)

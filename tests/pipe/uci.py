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
DATA_DIR = os.environ.get("VELKAR_DATA_DIR", os.path.join(os.path.dirname(__file__), "..", "data"))
START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


class EngineError(AssertionError):
    """The engine did not answer as expected (in time, or at all)."""


class Engine:
    """One running engine process.  A reader thread queues every output line,
    so every read has a timeout and a hung engine fails the test instead of
    hanging it.  Closing checks that the engine ended cleanly (exit code 0,
    nothing on stderr), which is how sanitizer reports surface."""

    def __init__(self, args=()):
        self.proc = subprocess.Popen([BINARY, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, bufsize=0)
        self.lines, self.log, self.stderr = queue.Queue(), [], []
        threading.Thread(target=self._pump, daemon=True).start()
        threading.Thread(target=lambda: self.stderr.extend(
            l.decode("utf-8", "replace") for l in self.proc.stderr), daemon=True).start()

    def _pump(self):
        for raw in iter(self.proc.stdout.readline, b""):
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\n"))
        self.lines.put(None)  # end of output

    def __enter__(self):
        return self

    def __exit__(self, exc_type, *_):
        self.close(check=exc_type is None)

    def send(self, *lines):
        self.proc.stdin.write("".join(l + "\n" for l in lines).encode())
        self.proc.stdin.flush()

    def close_input(self):
        self.proc.stdin.close()

    def _context(self):
        err = "".join(self.stderr[-20:])
        return "\nlast lines read:\n  " + "\n  ".join(self.log[-15:]) + (f"\nstderr:\n{err}" if err else "")

    def read(self, timeout=10.0):
        """The next line; None at end of output.  Raises on timeout."""
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise EngineError(f"no output within {timeout} s" + self._context()) from None
        if line is None:
            self.lines.put(None)  # stay at end of output
        else:
            self.log.append(line)
        return line

    def read_all_pending(self, wait=0.0):
        """Every line that arrives within `wait` seconds."""
        out, deadline = [], time.monotonic() + wait
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                return out
            if line is None:
                self.lines.put(None)
                return out
            self.log.append(line)
            out.append(line)

    def expect(self, prefix, timeout=10.0):
        """Reads until a line starting with `prefix`; returns (line, lines before it)."""
        skipped, deadline = [], time.monotonic() + timeout
        while True:
            line = self.read(max(0.01, deadline - time.monotonic()))
            if line is None:
                raise EngineError(f"output ended while waiting for {prefix!r}" + self._context())
            if line.startswith(prefix):
                return line, skipped
            skipped.append(line)

    def sync(self, timeout=10.0):
        """isready/readyok round trip; returns the lines written before readyok."""
        self.send("isready")
        return self.expect("readyok", timeout)[1]

    def banner(self):
        line = self.read()
        if line is None:
            code = self.proc.poll()
            raise EngineError(f"the engine's output ended before its first line (exit code {code})" + self._context())
        return line

    def search(self, go="go depth 4", timeout=30.0):
        """Sends `go`, reads until bestmove.  Returns (lines before it, bestmove line)."""
        self.send(go)
        best, before = self.expect("bestmove", timeout)
        return before, best

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise EngineError(f"engine still running {timeout} s later" + self._context()) from None

    def close(self, check=True):
        if not self.proc.stdin.closed:
            try:
                self.proc.stdin.close()
            except OSError:
                pass
        try:
            code = self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            if check:
                raise EngineError("engine did not end at end of input" + self._context()) from None
            return
        time.sleep(0.05)  # let the reader threads take the last bytes
        if check and (code != 0 or self.stderr):
            raise EngineError(f"engine ended with code {code}" + self._context())


def position_command(fen=None, moves=()):
    cmd = "position startpos" if fen is None else f"position fen {fen}"
    return cmd + (" moves " + " ".join(moves) if moves else "")


def perft(engine, depth, timeout=60.0):
    """`perft depth` on the current position: ({move: count} in listed order, total)."""
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


def legal_moves(fen=None, moves=(), engine=None):
    """The engine's own list of legal moves, from a fresh process unless an
    idle engine is given (its position is then changed)."""
    if engine is not None:
        engine.send(position_command(fen, moves))
        return list(perft(engine, 1)[0])
    with Engine() as e:
        e.banner()
        return legal_moves(fen, moves, e)


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
        return [l.strip() for l in f if l.strip()]


def run_tests():
    """Entry point of every script: `python3 test_x.py <velkar binary>`."""
    global BINARY
    if len(sys.argv) < 2:
        sys.exit(f"usage: {sys.argv[0]} <path to velkar>")
    BINARY = os.path.abspath(sys.argv[1])
    r = unittest.main(module="__main__", argv=sys.argv[:1], exit=False, verbosity=2).result
    print(f"{os.path.basename(sys.argv[0])}: {r.testsRun} run, {len(r.failures)} failed, {len(r.errors)} errors")
    sys.exit(0 if r.wasSuccessful() else 1)

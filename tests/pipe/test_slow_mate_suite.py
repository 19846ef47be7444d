"""The mate suite (tests/data/mate_suite.epd) through tools/matesuite: every
position answers `go mate N` by itself with a mate in N or fewer and a line
that plays it out.  The limit per position is generous (the slowest takes a
few seconds here); docs/mates-and-time.md gives the measured figures."""

import os
import subprocess
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def main():
    suite = os.path.join(os.environ.get("VELKAR_DATA_DIR", os.path.join(ROOT, "tests", "data")), "mate_suite.epd")
    run = subprocess.run([sys.executable, os.path.join(ROOT, "tools", "matesuite", "matesuite.py"), sys.argv[1], suite,
                          "--limit", "120"], capture_output=True, text=True, timeout=3600)
    print(run.stdout, run.stderr)
    summary = run.stdout.splitlines()[0] if run.stdout else ""
    n = sum(1 for l in open(suite) if " dm " in l)
    assert run.returncode == 0, "some mates were not found"
    assert f"answered by itself {n}, found {n}," in summary and f"complete mating PV {n};" in summary, summary


if __name__ == "__main__":
    main()

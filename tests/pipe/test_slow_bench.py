"""The default bench, whose node count README.md records as the signature,
both from the command line and as a UCI command."""
import subprocess
import sys

SIGNATURE = 17230875

def nodes(out):
    return [l for l in out.splitlines() if l.startswith("Nodes searched: ")]

def main():
    engine = sys.argv[1]
    out = subprocess.run([engine, "bench"], capture_output=True, text=True, timeout=900,
                         stdin=subprocess.DEVNULL).stdout
    assert nodes(out) == [f"Nodes searched: {SIGNATURE}"], nodes(out)
    out = subprocess.run([engine], input="bench\nquit\n", capture_output=True, text=True, timeout=900).stdout
    assert nodes(out) == [f"Nodes searched: {SIGNATURE}"], nodes(out)
    print("bench signature ok")

if __name__ == "__main__":
    main()

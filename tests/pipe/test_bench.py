"""The bench node count is the signature of the whole search: any change of
what the engine searches changes it.  A shallow bench runs in every build."""
import subprocess
import sys

SIGNATURE_DEPTH_5 = 2907547

def main():
    out = subprocess.run([sys.argv[1], "bench", "5"], capture_output=True, text=True, timeout=600,
                         stdin=subprocess.DEVNULL).stdout
    nodes = [l for l in out.splitlines() if l.startswith("Nodes searched: ")]
    assert nodes == [f"Nodes searched: {SIGNATURE_DEPTH_5}"], nodes
    assert any(l.startswith("Nodes/second: ") for l in out.splitlines())
    print("bench depth 5 signature ok")

if __name__ == "__main__":
    main()

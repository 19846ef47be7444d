"""The bench node count is the signature of the whole search: any change of
what the engine searches changes it.  A shallow bench runs in every build.
Its output must also read as OpenBench's workers read a bench: from the
last line up, punctuation taken for blanks, the first node count and the
first speed found."""
import re
import subprocess
import sys

SIGNATURE_DEPTH_5 = 2907547

def openbench_reading(out):
    nodes = speed = None
    for line in reversed(out.strip().splitlines()):
        line = re.sub(r"[^a-zA-Z0-9 ]+", " ", line).upper()
        n = re.search(r"([0-9]+ NODES)|(NODES[ ]+[0-9]+)|(NODES SEARCHED[ ]+[0-9]+)", line)
        s = re.search(r"([0-9]+ NPS)|(NPS[ ]+[0-9]+)|(NODES SECOND[ ]+[0-9]+)", line)
        nodes = nodes or (n and int(re.sub(r"[^0-9]", "", n.group())))
        speed = speed or (s and int(re.sub(r"[^0-9]", "", s.group())))
    return nodes, speed


def main():
    out = subprocess.run([sys.argv[1], "bench", "5"], capture_output=True, text=True, timeout=600,
                         stdin=subprocess.DEVNULL).stdout
    nodes = [l for l in out.splitlines() if l.startswith("Nodes searched: ")]
    assert nodes == [f"Nodes searched: {SIGNATURE_DEPTH_5}"], nodes
    assert any(l.startswith("Nodes/second: ") for l in out.splitlines())
    nodes, speed = openbench_reading(out)
    assert nodes == SIGNATURE_DEPTH_5 and speed and speed > 0, (nodes, speed)
    print("bench depth 5 signature ok")

if __name__ == "__main__":
    main()

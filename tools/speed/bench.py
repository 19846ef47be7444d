#!/usr/bin/env python3
"""Bench speed of several builds, runs taken in turn: each round runs
`<command> bench` once for every build, in the order given.  Prints, for
each build, the median of the bench's own Nodes/second and the median of
the nodes per second of CPU time of the process (user and system), which a
machine shared with other work disturbs less than wall time.

    python3 tools/speed/bench.py 5 before=/tmp/base/build/velkar after=build/velkar \\
        wasm="node web/dist/uci.js"
"""
import re
import resource
import statistics
import subprocess
import sys


def main():
    rounds = int(sys.argv[1])
    builds = [a.split("=", 1) for a in sys.argv[2:]]
    wall = {name: [] for name, _ in builds}
    cpu = {name: [] for name, _ in builds}
    for _ in range(rounds):
        for name, command in builds:
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            out = subprocess.run(command + " bench", shell=True, capture_output=True, text=True).stdout
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            seconds = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
            nodes = int(re.search(r"Nodes searched: (\d+)", out).group(1))
            wall[name].append(int(re.search(r"Nodes/second: (\d+)", out).group(1)))
            cpu[name].append(nodes / seconds)
            print(f"{name}: {nodes} nodes, {wall[name][-1]} nodes/s", flush=True)
    for name, _ in builds:
        runs = " ".join(f"{x / 1e6:.2f}" for x in wall[name])
        print(f"{name:12s} Nodes/second median {statistics.median(wall[name]) / 1e6:.2f} M ({runs}), "
              f"nodes per CPU second median {statistics.median(cpu[name]) / 1e6:.2f} M")


main()

#!/usr/bin/env python3
"""Measures how often, and how fast, --stop-when-proven proves class-like groupings best.

Builds class-like instances of 30 to 60 persons (two types, a class column spread with weight
100, a town column spread with 50, a language column packed with -50 and a majority language,
groups of 4 to 6), runs the program on each with the bundled example's plan made ten times
longer, --stop-when-proven and a 60 s limit, and reports for the instances whose Target Score
was not reached how many ended proven and how long they took.

Usage: bench/prove_classes.py PROGRAM [COUNT] [FIRST_SEED]
"""
import os
import random
import subprocess
import sys
import tempfile
import time

LIMIT_S = 60
PLAN = (1200, 25, 60, 40)  # the example's plan (120 runs of 25 stages of 60 + 40), ten times


def instance(seed):
    rng = random.Random(seed)
    n = rng.randint(30, 60)
    groups = max(2, round(n / rng.choice([4, 5, 6])))
    classes = rng.randint(2, 4)
    towns = rng.randint(n // 6 + 1, n // 3 + 1)
    rows = ["0\t0\t100\t50\t-50"]
    for i in range(1, n + 1):
        town = min(rng.randint(1, towns), rng.randint(1, towns))
        language = 1 if rng.random() < 0.75 else rng.randint(2, 4)
        rows.append(f"{i}\t{rng.randint(1, 2)}\t{(i - 1) % classes + 1}\t{town}\t{language}")
    parameters = f"{n}\n5\n1\n{groups}\n" + "\n".join(str(v) for v in PLAN) + "\n"
    return parameters, "\n".join(rows) + "\n"


def main():
    program = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    first = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    proven, short, times = 0, 0, []
    for seed in range(first, first + count):
        with tempfile.TemporaryDirectory() as folder:
            parameters, data = instance(seed)
            for name, text in (("parameters.txt", parameters), ("data.txt", data)):
                with open(os.path.join(folder, name), "w") as f:
                    f.write(text)
            start = time.monotonic()
            try:
                out = subprocess.run([program, "--folder", folder, "--seed", str(seed),
                                      "--no-pause", "--stop-when-proven"], capture_output=True,
                                     text=True, timeout=LIMIT_S).stdout
                outcome = ("proven" if "PROVEN !!" in out else
                           "target" if "SUCCESS !!" in out else "plan spent")
            except subprocess.TimeoutExpired:
                outcome = "60 s limit"
            elapsed = time.monotonic() - start
            with open(os.path.join(folder, "results.txt")) as f:
                lines = f.read().split("\n")
            target, best = int(lines[0].split()[0]), int(lines[2].split()[1])
        print(f"seed {seed:3}: N {parameters.split()[0]:>2}, G {parameters.split()[3]:>2}, "
              f"target {target:6}, best {best:6}: {outcome:10} in {elapsed:5.1f} s", flush=True)
        if outcome != "target":
            short += 1
            proven += outcome == "proven"
            if outcome == "proven":
                times.append(elapsed)
    print(f"\nTarget Score not reached: {short}; proven best: {proven}", end="")
    if times:
        times.sort()
        print(f" (median {times[len(times) // 2]:.1f} s, slowest {times[-1]:.1f} s)")
    else:
        print()


if __name__ == "__main__":
    main()

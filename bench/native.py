"""The chess core alone (native/perft) beside Stockfish's `go perft`.

Perft with bulk counting at the last ply, in nodes per second, on the six
standard positions. The two programs run interleaved, round by round, and
each figure is the median over the rounds. Stockfish (Debian's package,
one thread) is optional: without it only vorpane's figures are printed.

    python bench/native.py PATH/TO/vorpane-perft [--quick]
"""

import argparse
import shutil
import statistics
import subprocess
import time

# At least this share of Stockfish's nodes per second.
TARGET = 1 / 3


def find_stockfish():
    # Debian installs it under /usr/games, which is not always on PATH.
    return shutil.which("stockfish") or shutil.which("stockfish", path="/usr/games")


class Stockfish:
    """One Stockfish process on one thread, fed positions through its pipe."""

    def __init__(self, path):
        self.process = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, bufsize=1)
        self.send("uci")
        self.wait_for("uciok")
        self.send("setoption name Threads value 1")
        self.send("isready")
        self.wait_for("readyok")

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def wait_for(self, prefix):
        for line in self.process.stdout:
            if line.startswith(prefix):
                return line
        raise RuntimeError(f"stockfish ended before printing {prefix!r}")

    def perft(self, fen, depth):
        """(nodes, seconds) from sending `go perft` to the node count."""
        self.send(f"position fen {fen}")
        self.send("isready")
        self.wait_for("readyok")
        started = time.perf_counter()
        self.send(f"go perft {depth}")
        line = self.wait_for("Nodes searched:")
        seconds = time.perf_counter() - started
        return int(line.split(":")[1]), seconds

    def close(self):
        self.send("quit")
        self.process.wait(timeout=10)


def vorpane_perft(tool, fen, depth):
    """(nodes, seconds) as the tool measures them, start-up excluded."""
    out = subprocess.run([tool, str(depth), fen], capture_output=True, text=True, check=True)
    nodes, nanoseconds = out.stdout.split()
    return int(nodes), float(nanoseconds) / 1e9


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tool", help="the vorpane-perft executable")
    parser.add_argument("--quick", action="store_true", help="one ply less, fewer rounds")
    args = parser.parse_args()
    rounds = 3 if args.quick else 7

    listing = subprocess.run([args.tool, "--list"] + (["--quick"] if args.quick else []),
                             capture_output=True, text=True, check=True).stdout
    positions = [line.split("\t") for line in listing.splitlines()]

    path = find_stockfish()
    stockfish = Stockfish(path) if path else None
    print(f"native perft, bulk counting at the last ply, {rounds} rounds, medians; "
          + (f"Stockfish: {path}, 1 thread" if stockfish else "Stockfish not installed"))
    print()
    header = f"{'position':<11} {'depth':>5} {'nodes':>11} {'vorpane n/s':>13}"
    print(header + (f" {'stockfish n/s':>14} {'ratio':>6}  target" if stockfish else ""))
    wrong = missed = 0
    for name, depth, expected, fen in positions:
        depth, expected = int(depth), int(expected)
        ours, theirs = [], []
        for r in range(rounds):
            runs = [(ours, lambda: vorpane_perft(args.tool, fen, depth))]
            if stockfish:
                runs.append((theirs, lambda: stockfish.perft(fen, depth)))
            for samples, run in runs if r % 2 == 0 else reversed(runs):
                nodes, seconds = run()
                wrong += nodes != expected
                samples.append(seconds)
        ours_nps = expected / statistics.median(ours)
        line = f"{name:<11} {depth:>5} {expected:>11,} {ours_nps:>13,.0f}"
        if stockfish:
            theirs_nps = expected / statistics.median(theirs)
            ratio = ours_nps / theirs_nps
            missed += ratio < TARGET
            verdict = "ok" if ratio >= TARGET else "MISSED"
            line += f" {theirs_nps:>14,.0f} {ratio:>6.2f}  >= 0.33 {verdict}"
        print(line)
    if stockfish:
        stockfish.close()
    print()
    if wrong:
        print(f"WRONG NODE COUNTS: {wrong} runs")
    elif stockfish:
        print("all targets met" if not missed else f"missed on {missed} positions")
    return 1 if wrong else 0


if __name__ == "__main__":
    raise SystemExit(main())

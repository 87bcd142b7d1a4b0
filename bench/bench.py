"""vorpane against python-chess, side by side in one process.

Both libraries do the same work on the same positions, interleaved round by
round so that a busy neighbour on the machine slows both alike. Each figure
is the median over the rounds; the ratio is python-chess time / vorpane time.

    python bench/bench.py            # the full run
    python bench/bench.py --quick    # fewer rounds, a rough picture
"""

import argparse
import statistics
import sys
import time
import timeit

import chess

import vorpane

POSITIONS = [
    ("start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"),
    ("kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"),
    ("position 3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"),
    ("position 4", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1"),
    ("position 5", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8"),
    ("position 6", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"),
]

# (position, depth, nodes): the Python-driven perft runs.
PERFT_RUNS = [("start", 4, 197281), ("kiwipete", 3, 97862)]

# The least ratio each workload should reach; legality is the other way round:
# legal_moves() may cost at most this many times pseudo_legal_moves().
TARGETS = {"legal_moves": 30, "is_check": 8, "is_checkmate": 8, "is_game_over": 8, "perft": 15}
LEGALITY_BUDGET = 1.3


def vorpane_perft(board, depth):
    if depth == 0:
        return 1
    nodes = 0
    for move in board.legal_moves():
        board.apply_move(move)
        nodes += vorpane_perft(board, depth - 1)
        board.pop()
    return nodes


def chess_perft(board, depth):
    if depth == 0:
        return 1
    nodes = 0
    for move in board.legal_moves:
        board.push(move)
        nodes += chess_perft(board, depth - 1)
        board.pop()
    return nodes


class Timer:
    """Times statements compiled into timeit's loop, so that no wrapper
    call sits between the loop and the call being measured."""

    def __init__(self, stmt, names, batch_seconds):
        self.timer = timeit.Timer(stmt, globals=names)
        self.number = 1
        if batch_seconds:
            # Enough calls per batch that the clock's resolution does not matter.
            while self.timer.timeit(self.number) < batch_seconds:
                self.number *= 2

    def per_call(self):
        return self.timer.timeit(self.number) / self.number


def side_by_side(pairs, rounds):
    """Runs each (vorpane, python-chess) pair of timers interleaved, the
    library that goes first alternating, and returns the median per call of
    each timer, in the order given."""
    samples = [([], []) for _ in pairs]
    for r in range(rounds):
        for (ours, theirs), (ours_t, theirs_t) in zip(pairs, samples):
            if r % 2:
                theirs_t.append(theirs.per_call())
                ours_t.append(ours.per_call())
            else:
                ours_t.append(ours.per_call())
                theirs_t.append(theirs.per_call())
    return [(statistics.median(a), statistics.median(b)) for a, b in samples]


def duration(seconds):
    if seconds >= 1e-3:
        return f"{seconds * 1e3:9.3f} ms"
    return f"{seconds * 1e6:9.3f} us"


def check_agreement():
    """The two libraries must do the same work: same legal move counts and
    the same answers on every position."""
    for name, fen in POSITIONS:
        ours, theirs = vorpane.Board(fen), chess.Board(fen)
        ours_moves = sorted(m.uci() for m in ours.legal_moves())
        theirs_moves = sorted(m.uci() for m in theirs.legal_moves)
        assert ours_moves == theirs_moves, f"{name}: the legal moves differ"
        assert ours.is_check() == theirs.is_check(), name
        assert ours.is_checkmate() == theirs.is_checkmate(), name


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="fewer rounds, shorter batches")
    args = parser.parse_args()
    rounds, batch = (5, 0.002) if args.quick else (21, 0.01)
    perft_rounds = 1 if args.quick else 5

    check_agreement()
    print(f"vorpane vs python-chess {chess.__version__}, CPython {sys.version.split()[0]}, "
          f"{rounds} rounds ({perft_rounds} for perft), medians per call")
    print()
    header = f"{'workload':<16} {'position':<11} {'python-chess':>12} {'vorpane':>12} "
    print(header + f"{'ratio':>8}  target")
    missed = []

    def report(workload, position, theirs, ours, target):
        ratio = theirs / ours
        verdict = "ok" if ratio >= target else "MISSED"
        if ratio < target:
            missed.append(f"{workload} on {position}")
        print(f"{workload:<16} {position:<11} {duration(theirs)} {duration(ours)} "
              f"{ratio:7.1f}x  >= {target}x {verdict}")

    queries = ["legal_moves", "is_check", "is_checkmate", "is_stalemate", "is_game_over"]
    chess_statements = {"legal_moves": "list(b.legal_moves)"}
    for workload in queries:
        pairs = []
        for _, fen in POSITIONS:
            ours = Timer(f"b.{workload}()", {"b": vorpane.Board(fen)}, batch)
            stmt = chess_statements.get(workload, f"b.{workload}()")
            theirs = Timer(stmt, {"b": chess.Board(fen)}, batch)
            pairs.append((ours, theirs))
        for (name, _), (ours_t, theirs_t) in zip(POSITIONS, side_by_side(pairs, rounds)):
            report(workload, name, theirs_t, ours_t, TARGETS.get(workload, 1))
    print()

    for name, depth, nodes in PERFT_RUNS:
        fen = dict(POSITIONS)[name]
        ours_board, theirs_board = vorpane.Board(fen), chess.Board(fen)
        assert vorpane_perft(ours_board, depth) == nodes == chess_perft(theirs_board, depth)
        ours = Timer(f"perft(b, {depth})", {"b": ours_board, "perft": vorpane_perft}, 0)
        theirs = Timer(f"perft(b, {depth})", {"b": theirs_board, "perft": chess_perft}, 0)
        ((ours_t, theirs_t),) = side_by_side([(ours, theirs)], perft_rounds)
        report("perft", f"{name} d{depth}", theirs_t, ours_t, TARGETS["perft"])
        print(f"{'':<28} nodes/s: python-chess {nodes / theirs_t:,.0f}, "
              f"vorpane {nodes / ours_t:,.0f}")
    print()

    # What legality costs on top of building the pseudo-legal list: both vorpane.
    print(f"{'vorpane':<16} {'position':<11} {'pseudo_legal':>12} {'legal':>12} "
          f"{'ratio':>8}  budget")
    pairs = []
    for _, fen in POSITIONS:
        legal = Timer("b.legal_moves()", {"b": vorpane.Board(fen)}, batch)
        pseudo = Timer("b.pseudo_legal_moves()", {"b": vorpane.Board(fen)}, batch)
        pairs.append((legal, pseudo))
    for (name, _), (legal_t, pseudo_t) in zip(POSITIONS, side_by_side(pairs, rounds)):
        ratio = legal_t / pseudo_t
        verdict = "ok" if ratio <= LEGALITY_BUDGET else "MISSED"
        if ratio > LEGALITY_BUDGET:
            missed.append(f"legal/pseudo-legal on {name}")
        print(f"{'legal/pseudo':<16} {name:<11} {duration(pseudo_t)} {duration(legal_t)} "
              f"{ratio:7.2f}x  <= {LEGALITY_BUDGET}x {verdict}")
    print()
    print("all targets met" if not missed else "missed: " + ", ".join(missed))


if __name__ == "__main__":
    started = time.perf_counter()
    main()
    print(f"({time.perf_counter() - started:.0f} s)")

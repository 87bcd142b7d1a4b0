"""Count the positions reachable in N plies (perft), one line per root move.

    python examples/perft.py [--depth N] ["<FEN>"]

Perft is the usual check of a move generator, as the totals are known for many
positions; the start position gives 20, 400, 8902, 197281, 4865609 and
119060324 for depths 1 to 6. Each root move's count is printed as soon as it is
done, since depth 6 and beyond take seconds to minutes.
"""

import argparse
import time

from vorpane import Board


def perft(board: Board, depth: int) -> int:
    """The number of move sequences of `depth` plies; the board is left as it was."""
    moves = board.legal_moves()
    if depth == 1:
        return len(moves)
    nodes = 0
    for move in moves:
        board.apply_move(move)
        nodes += perft(board, depth - 1)
        board.pop()
    return nodes


def main() -> None:
    parser = argparse.ArgumentParser(description="Perft of a position, one line per root move.")
    parser.add_argument("fen", nargs="?", help="the position (default: the start position)")
    parser.add_argument("--depth", type=int, default=5, help="plies to count (default 5)")
    args = parser.parse_args()
    if args.depth < 1:
        parser.error("--depth must be at least 1")

    board = Board(args.fen)
    start = time.perf_counter()
    total = 0
    for move in board.legal_moves():
        board.apply_move(move)
        count = perft(board, args.depth - 1) if args.depth > 1 else 1
        board.pop()
        total += count
        print(f"{move.uci()}: {count}", flush=True)
    seconds = time.perf_counter() - start
    print(f"\ntotal at depth {args.depth}: {total}")
    print(f"{seconds:.2f} s, {total / max(seconds, 1e-9):,.0f} positions per second")


if __name__ == "__main__":
    main()

"""Play a random game from a seed: every move, its diagram, and the result.

    python examples/random_game.py [--seed N] [--max-plies N] [--quiet]

The same seed always plays the same game. vorpane ends a game by checkmate or
stalemate only, so two bare kings would shuffle forever: --max-plies stops it.
"""

import argparse
import random

from vorpane import Board, Move


def play(board: Board, rng: random.Random, max_plies: int, quiet: bool) -> list[str]:
    """Plays random legal moves until the game ends or max_plies; returns their UCI texts."""
    played: list[str] = []
    while len(played) < max_plies:
        moves: list[Move] = board.legal_moves()
        if not moves:
            break
        move = rng.choice(moves)
        # White's first move is "1.", Black's reply "1...".
        number = f"{len(played) // 2 + 1}{'.' if board.turn else '...'}"
        board.apply_move(move)
        played.append(move.uci())
        if not quiet:
            print(number, move.uci())
            print(board)
            print()
    return played


def result(board: Board) -> str:
    """How the game stands; a side that is mated is the side to move."""
    if board.is_checkmate():
        return "checkmate: " + ("black" if board.turn else "white") + " wins"
    if board.is_stalemate():
        return "stalemate: a draw"
    return "no result yet (vorpane knows no fifty-move or repetition draw)"


def main() -> None:
    parser = argparse.ArgumentParser(description="Play a random game from a seed.")
    parser.add_argument("--seed", type=int, default=14, help="random seed (default 14)")
    parser.add_argument("--max-plies", type=int, default=300, help="stop after this many plies")
    parser.add_argument("--quiet", action="store_true", help="print the final position only")
    args = parser.parse_args()

    board = Board()
    played = play(board, random.Random(args.seed), args.max_plies, args.quiet)
    if args.quiet:
        print(board)
        print()
    print(f"seed {args.seed}, {len(played)} plies:", " ".join(played))
    print(result(board))


if __name__ == "__main__":
    main()

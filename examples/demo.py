"""The first thing to run: a position, its diagram and its moves.

    python examples/demo.py ["<FEN>"]
"""

import sys

import vorpane


def main() -> None:
    board = vorpane.Board(sys.argv[1]) if len(sys.argv) > 1 else vorpane.Board()
    print(board)
    print()
    print("side to move:", "white" if board.turn else "black")
    moves = board.legal_moves()
    print(f"{len(moves)} legal moves:", " ".join(move.uci() for move in moves))
    if board.is_checkmate():
        print("checkmate")
    elif board.is_stalemate():
        print("stalemate")
    elif board.is_check():
        print("check")


if __name__ == "__main__":
    main()

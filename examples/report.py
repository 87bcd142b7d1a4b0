"""Read FEN texts from a file, one per line, and say how each position stands.

    python examples/report.py [FILE]

FILE defaults to positions.txt beside this script. Blank lines and lines
starting with # are skipped. Each position is reported as checkmate,
stalemate, check, or in play, with the number of legal moves.
"""

import sys
from pathlib import Path

from vorpane import Board


def describe(board: Board) -> str:
    """One line on the position: mate, stalemate, check or in play."""
    side = "white" if board.turn else "black"
    other = "black" if board.turn else "white"
    if board.is_checkmate():
        return f"checkmate: {other} wins"
    if board.is_stalemate():
        return f"stalemate: {side} to move has no legal move"
    moves = len(board.legal_moves())
    if board.is_check():
        return f"check: {side} to move, {moves} legal moves"
    return f"in play: {side} to move, {moves} legal moves"


def report(fen: str) -> str:
    """describe() for a FEN text, or the fault the FEN reader stopped with."""
    try:
        board = Board(fen)
    except BaseException as err:
        # A fault is vorpane's InternalFault, which derives from BaseException
        # and is not a module attribute: tell it apart from Ctrl-C by its name.
        if type(err).__name__ != "InternalFault":
            raise
        return f"fault: {err}"
    return describe(board)


def main() -> None:
    path = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("positions.txt")
    for number, line in enumerate(path.read_text().splitlines(), start=1):
        fen = line.strip()
        if fen and not fen.startswith("#"):
            print(f"line {number}: {report(fen)}")
            print(f"    {fen}")


if __name__ == "__main__":
    main()

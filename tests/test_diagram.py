"""The board diagram that str() and repr() show."""

import pytest

from helpers import START_FEN
from vorpane import Board, Move

EMPTY_FEN = "8/8/8/8/8/8/8/8 w - - 0 1"
START_DIAGRAM = "\n".join([
    "r n b q k b n r",
    "p p p p p p p p",
    ". . . . . . . .",
    ". . . . . . . .",
    ". . . . . . . .",
    ". . . . . . . .",
    "P P P P P P P P",
    "R N B Q K B N R",
])


def diagram(pieces):
    """The diagram of {square: letter}; rank 8 comes first, file a on the left."""
    return "\n".join(
        " ".join(pieces.get(8 * r + f, ".") for f in range(8)) for r in range(7, -1, -1))


def test_start_diagram():
    board = Board()
    assert str(board) == repr(board) == START_DIAGRAM
    assert len(START_DIAGRAM) == 127


def test_empty_board():
    board = Board(EMPTY_FEN)
    assert str(board) == repr(board) == diagram({}) == "\n".join([". " * 7 + "."] * 8)


def test_squares_are_laid_out_rank_8_first():
    board = Board("k7/8/8/8/4P3/8/8/7K w - - 0 1")
    assert str(board) == diagram({56: "k", 28: "P", 7: "K"})


# Everything lands on d5. The later write wins: white P R N B Q K, then black p r n b q k.
@pytest.mark.parametrize("steps, shown", [
    ([("xor", "P")], "."),  # a kind without a colour
    ([("or", "P"), ("xor", "P")], "."),  # a colour without a kind
    ([("or", "P"), ("or", "Q")], "Q"),
    ([("or", "Q"), ("or", "P")], "Q"),
    ([("or", "K"), ("or", "R")], "K"),
    ([("or", "p"), ("or", "P")], "p"),
    ([("or", "K"), ("or", "p")], "k"),
    ([("or", "n"), ("or", "B")], "b"),
])
def test_overlapping_bitboards(steps, shown):
    board = Board(EMPTY_FEN)
    for op, letter in steps:
        getattr(board, f"set_pieces_{op}")(letter, 1 << 35)
    assert str(board) == diagram({35: shown} if shown != "." else {})


def test_diagram_ignores_everything_but_the_pieces():
    board = Board(START_FEN)
    board.turn = False
    board._remove_castling_rights("a")
    assert str(board) == str(Board("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b - e3 7 9"))
    assert str(board) == START_DIAGRAM


def test_diagram_follows_a_move_and_its_take_back():
    board = Board()
    board.apply_move(Move(12, 28))
    lines = START_DIAGRAM.split("\n")
    lines[4], lines[6] = ". . . . P . . .", "P P P P . P P P"
    assert str(board) == "\n".join(lines)
    board.pop()
    assert str(board) == START_DIAGRAM

"""Shared test helpers: fault checks and snapshots of everything observable."""

import contextlib

import pytest

import vorpane

START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
MISSING_VALUE = "missing value: an absent value was used"


def index_fault(length, index):
    return f"index out of bounds: the len is {length} but the index is {index}"


NO_KING = index_fault(64, 4294967295)


def is_fault(err):
    """True for vorpane's InternalFault: a BaseException, never an Exception."""
    return type(err).__name__ == "InternalFault" and not isinstance(err, Exception)


@contextlib.contextmanager
def raises_fault(message):
    """Expects an InternalFault (a BaseException, not an Exception) with `message`."""
    with pytest.raises(BaseException) as info:
        yield info
    assert is_fault(info.value)
    assert str(info.value) == message


def ucis(moves):
    return [m.uci() for m in moves]


def bitboards(board):
    """Every bitboard get_pieces reads: the six kinds, white, all."""
    return {letter: board.get_pieces(letter) for letter in "PRNBQKWA"}


def assert_history(board, moves):
    """Pops the whole history, newest first, expecting exactly `moves` in it."""
    for text in reversed(moves):
        assert board.pop().uci() == text
    with raises_fault(MISSING_VALUE):
        board.pop()


def numpy_like(name, **body):
    """A type that the flag conversion takes for a NumPy boolean by its name."""
    return type(name, (), {"__module__": "numpy", **body})()


def castles(board, white):
    """The castling moves of one side, leaving `turn` as it was."""
    turn = board.turn
    board.turn = white
    try:
        return ucis(board._castling_moves())
    finally:
        board.turn = turn


def snapshot(board: vorpane.Board):
    """Everything a query must leave alone and that Python can read directly."""
    return (
        bitboards(board),
        board.turn,
        str(board),
        board._check_castling_rights(),
    )

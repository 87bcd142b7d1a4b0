"""Scale: a game of 100,000 plies on one board, and position texts of a
megabyte."""

import pytest

from helpers import MISSING_VALUE, START_FEN, index_fault, is_fault, snapshot, ucis
from vorpane import Board, Move

PLIES = 100_000
MEGABYTE = 1 << 20


def test_a_game_of_100000_plies_is_played_and_taken_back():
    # Knights out and home again, both sides: every ply is legal and the
    # position repeats every four plies.
    cycle = [Move(6, 21), Move(62, 45), Move(21, 6), Move(45, 62)]
    board = Board()
    start = snapshot(board), ucis(board.legal_moves())
    for ply in range(PLIES):
        move = cycle[ply % 4]
        if ply % 10_000 == 0:
            assert move.uci() in ucis(board.legal_moves())
        board.apply_move(move)
    assert (snapshot(board), ucis(board.legal_moves())) == start
    for ply in reversed(range(PLIES)):
        assert board.pop().uci() == cycle[ply % 4].uci()
        if ply % 10_000 == 1:  # one knight out
            assert str(board) == str(Board("rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b - - 0 1"))
    assert (snapshot(board), ucis(board.legal_moves())) == start
    with pytest.raises(BaseException) as err:
        board.pop()
    assert is_fault(err.value) and str(err.value) == MISSING_VALUE


STANDARD = Board()
KINGS = Board("K1k5/8/8/8/8/8/8/8 w - - 0 1")
PLACEMENT, REST = START_FEN.split(" ", 1)


@pytest.mark.parametrize("text, same_as", [
    # digits of nothing: the cursor does not move
    ("0" * MEGABYTE + PLACEMENT + " " + REST, STANDARD),
    # huge counters read as 0
    (START_FEN.replace(" 0 1", " " + "9" * MEGABYTE + " " + "1" * MEGABYTE), STANDARD),
    # a castling text of a megabyte of letters no side owns
    (START_FEN.replace("KQkq", "\u00e9" * (MEGABYTE // 2)), None),
    # an en-passant field of a megabyte: the first two characters count
    (START_FEN.replace(" - ", " e3" + "x" * MEGABYTE + " "), None),
    # a megabyte of trailing fields
    (START_FEN + " x" * (MEGABYTE // 2), STANDARD),
    # skips of nothing after the kings: the cursor runs far past the board
    ("K1k" + "1" * MEGABYTE + " w - - 0 1", KINGS),
])
def test_a_megabyte_position_text_is_read(text, same_as):
    assert len(text.encode()) >= MEGABYTE
    board = Board(text)
    board.set_board()
    seen = snapshot(board), ucis(board.legal_moves())
    if same_as is not None:
        assert seen[0][:3] == snapshot(same_as)[:3]
    assert len(str(board)) == 127
    for move in board.legal_moves():
        board.apply_move(move)
        board.pop()
    assert (snapshot(board), ucis(board.legal_moves())) == seen


@pytest.mark.parametrize("text, message", [
    # too few fields: the message quotes the whole text
    ("8" * MEGABYTE, "Invalid starting fen; got " + "8" * MEGABYTE + ", with 1 parts"),
    # a megabyte of rank separators wraps the cursor round; the piece then
    # lands far past the board
    ("/" * MEGABYTE + "K w - - 0 1", index_fault(64, (55 - 16 * MEGABYTE + 1) % 2**64)),
    # a piece after a megabyte of skipped squares
    ("8" * MEGABYTE + "K w - - 0 1", index_fault(64, 55 + 8 * MEGABYTE + 1)),
])
def test_a_megabyte_position_text_faults_whole(text, message):
    with pytest.raises(BaseException) as err:
        Board(text)
    assert is_fault(err.value) and str(err.value) == message

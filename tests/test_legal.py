"""Legal moves and game end."""

import pytest

from vorpane import Board, Move

from helpers import NO_KING, START_FEN, assert_history, raises_fault, snapshot, ucis


def play(board, *moves):
    for text in moves:
        (move,) = [m for m in board.legal_moves() if m.uci() == text]
        board.apply_move(move)


def game_end(board):
    return board.is_check(), board.is_checkmate(), board.is_stalemate(), board.is_game_over()


@pytest.mark.parametrize("fen, expected", [
    (START_FEN, ucis(Board().pseudo_legal_moves())),
    # castling first, king side before queen side for KQkq
    ("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
     ["e1g1", "e1c1", "e1f2", "e1e2", "e1d2", "e1f1", "e1d1",
      "h1h2", "h1h3", "h1h4", "h1h5", "h1h6", "h1h7", "h1h8", "h1g1", "h1f1",
      "a1a2", "a1a3", "a1a4", "a1a5", "a1a6", "a1a7", "a1a8", "a1b1", "a1c1", "a1d1"]),
    # a pinned bishop cannot move
    ("k3r3/8/8/8/8/8/4B3/4K3 w - - 0 1", ["e1f2", "e1d2", "e1f1", "e1d1"]),
    # the king does not step onto squares a pawn covers diagonally
    ("k7/8/8/8/8/4p3/8/4K3 w - - 0 1", ["e1e2", "e1f1", "e1d1"]),
    # the en-passant capture would open the rank to the rook
    ("8/8/8/KPp4r/8/8/8/7k w - c6 0 1", ["b5b6", "a5b6", "a5a6", "a5a4"]),
    # in check: only capturing the checker, stepping aside or blocking, no castling
    ("4k3/8/8/8/8/8/3q4/R3K1N1 w Q - 0 1", ["e1d2", "e1f1"]),
    ("4k3/8/8/8/8/8/4q3/R3K3 w Q - 0 1", ["e1e2"]),
    ("4k3/8/8/8/8/8/4B3/r3K3 w - - 0 1", ["e1f2", "e1d2", "e2d1"]),
])
def test_legal_moves(fen, expected):
    board = Board(fen)
    before = snapshot(board)
    assert ucis(board.legal_moves()) == expected
    assert snapshot(board) == before


def test_legal_moves_leave_the_board_and_history_as_they_were():
    board = Board("r3k2r/8/8/8/3p4/8/4P3/R3K2R w KQkq - 0 1")
    play(board, "a1b1", "a8b8", "e2e4")
    before = snapshot(board), ucis(board.pawn_moves()), ucis(board._castling_moves())
    board.legal_moves()
    assert (snapshot(board), ucis(board.pawn_moves()), ucis(board._castling_moves())) == before
    assert_history(board, ["a1b1", "a8b8", "e2e4"])


def test_fools_mate():
    board = Board()
    play(board, "f2f3", "e7e5", "g2g4", "d8h4")
    assert board.legal_moves() == []
    assert game_end(board) == (True, True, False, True)


@pytest.mark.parametrize("fen, expected", [
    (START_FEN, (False, False, False, False)),
    ("7k/5K2/6Q1/8/8/8/8/8 b - - 0 1", (False, False, True, True)),
    ("k7/2Q5/1K6/8/8/8/8/8 b - - 0 1", (False, False, True, True)),
    ("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", (True, True, False, True)),
    ("4k3/8/8/8/8/8/8/4K2r w - - 0 1", (True, False, False, False)),
    # the half-move clock plays no part
    ("4k3/8/8/8/8/8/8/4K3 w - - 150 90", (False, False, False, False)),
])
def test_game_end(fen, expected):
    board = Board(fen)
    before = snapshot(board)
    assert game_end(board) == expected
    assert snapshot(board) == before


# White to move after one black move, or the other way round; "fault" marks NO_KING.
NO_WHITE_KING = ("4k3/p7/8/8/8/8/P7/8 b - - 0 1", Move(48, 40))
NO_BLACK_KING = ("8/p7/8/8/8/8/P7/4K3 b - - 0 1", Move(48, 40))
NO_WHITE_KING_BLACK_TO_MOVE = ("4k3/p7/8/8/8/8/P7/8 w - - 0 1", Move(8, 16))
NO_BLACK_KING_BLACK_TO_MOVE = ("8/p7/8/8/8/8/P7/4K3 w - - 0 1", Move(8, 16))


@pytest.mark.parametrize("position, query, expected", [
    # no king of the side to move: its moves cannot be generated, but it is not in check
    (NO_WHITE_KING, "legal_moves", "fault"),
    (NO_WHITE_KING, "is_checkmate", False),
    (NO_WHITE_KING, "is_stalemate", "fault"),
    (NO_WHITE_KING, "is_game_over", "fault"),
    (NO_BLACK_KING_BLACK_TO_MOVE, "legal_moves", "fault"),
    (NO_BLACK_KING_BLACK_TO_MOVE, "is_checkmate", False),
    (NO_BLACK_KING_BLACK_TO_MOVE, "is_game_over", "fault"),
    # no king of the other side: the test of check faults, with a candidate on the board
    (NO_BLACK_KING, "legal_moves", "fault"),
    (NO_BLACK_KING, "is_checkmate", "fault"),
    (NO_BLACK_KING, "is_stalemate", "fault"),
    (NO_BLACK_KING, "is_game_over", "fault"),
    (NO_WHITE_KING_BLACK_TO_MOVE, "legal_moves", "fault"),
    (NO_WHITE_KING_BLACK_TO_MOVE, "is_game_over", "fault"),
])
def test_missing_king(position, query, expected):
    fen, move = position
    board = Board(fen)
    board.apply_move(move)
    before = snapshot(board)
    if expected == "fault":
        with raises_fault(NO_KING):
            getattr(board, query)()
    else:
        assert getattr(board, query)() is expected
    assert snapshot(board) == before
    assert_history(board, [move.uci()])

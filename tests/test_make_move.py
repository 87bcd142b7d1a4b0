"""Making moves, castling-rights bookkeeping, and taking moves back."""

import pytest

from vorpane import Board, Move

from helpers import (castles, MISSING_VALUE, START_FEN, assert_history, bitboards, index_fault,
                     raises_fault, snapshot, ucis)

OPEN = "r3k2r/8/8/8/8/8/8/R3K2R {} KQkq - 0 1"
# d- and f-pawns keep the castled rooks from covering the other king's path
SHIELDED = "r3k2r/3p1p2/8/8/8/8/3P1P2/R3K2R {} KQkq - 0 1"


def play(board, *moves):
    """Plays moves given as UCI texts, each the one the move lists offer."""
    for text in moves:
        (move,) = [m for m in board.pseudo_legal_moves() + board._castling_moves()
                   if m.uci() == text]
        board.apply_move(move)


def observe(board):
    """Everything a move changes, as far as Python can see it."""
    return (snapshot(board), castles(board, True), castles(board, False),
            ucis(board.pawn_moves()), ucis(board.legal_moves()))


# --- apply_move ----------------------------------------------------------------------

@pytest.mark.parametrize("fen, moves, after", [
    (START_FEN, ["e2e4"], "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b"),
    (START_FEN, ["g1f3", "b8c6"], "r1bqkbnr/pppppppp/2n5/8/8/5N2/PPPPPPPP/RNBQKB1R w"),
    # captures, also of a piece of the same kind
    ("4k3/8/8/3p4/8/4N3/8/4K3 w - - 0 1", ["e3d5"], "4k3/8/8/3N4/8/8/8/4K3 b"),
    ("r3k3/8/8/8/8/8/8/R3K3 w - - 0 1", ["a1a8"], "R3k3/8/8/8/8/8/8/4K3 b"),
    ("4k3/8/8/8/8/8/8/r2NK3 b - - 0 1", ["a1d1"], "4k3/8/8/8/8/8/8/3rK3 w"),
    # en passant, both sides
    ("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1", ["d7d5", "e5d6"], "4k3/8/3P4/8/8/8/8/4K3 b"),
    ("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1", ["e2e4", "d4e3"], "4k3/8/8/8/8/4p3/8/4K3 w"),
    # capture-promotions, also onto a piece of the promotion kind
    ("3qk3/4P3/8/8/8/8/8/4K3 w - - 0 1", ["e7d8q"], "3Qk3/8/8/8/8/8/8/4K3 b"),
    ("3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", ["e7d8n"], "3Nk3/8/8/8/8/8/8/4K3 b"),
    ("4k3/8/8/8/8/8/6p1/4KR2 b - - 0 1", ["g2f1r"], "4k3/8/8/8/8/8/8/4Kr2 w"),
    # castling moves the rook
    (OPEN.format("w"), ["e1g1"], "r3k2r/8/8/8/8/8/8/R4RK1 b"),
    (OPEN.format("w"), ["e1c1"], "r3k2r/8/8/8/8/8/8/2KR3R b"),
    (OPEN.format("b"), ["e8g8"], "r4rk1/8/8/8/8/8/8/R3K2R w"),
    (OPEN.format("b"), ["e8c8"], "2kr3r/8/8/8/8/8/8/R3K2R w"),
])
def test_apply_move(fen, moves, after):
    board = Board(fen)
    play(board, *moves)
    placement_after, turn = after.split()
    assert bitboards(board) == bitboards(Board(f"{placement_after} w - - 0 1"))
    assert board.turn is (turn == "w")


@pytest.mark.parametrize("color, fen, squares, placement_after", [
    ("w", "k7/4P3/8/8/8/8/8/4K3 w - - 0 1", (52, 60), "k3{}3/8/8/8/8/8/8/4K3"),
    ("b", "4k3/8/8/8/8/8/1p6/4K3 b - - 0 1", (9, 1), "4k3/8/8/8/8/8/8/1{}2K3"),
])
@pytest.mark.parametrize("letter", "qrnb")
def test_promotions(color, fen, squares, placement_after, letter):
    board = Board(fen)
    board.apply_move(Move(*squares, letter))
    piece = letter.upper() if color == "w" else letter
    assert bitboards(board) == bitboards(Board(f"{placement_after.format(piece)} w - - 0 1"))


@pytest.mark.parametrize("fen, moves, en_passant_moves", [
    # the next side's pawns see the square the double step passed over
    ("4k3/8/8/8/3p1p2/8/4P3/4K3 w - - 0 1", "e2e4", ["f4f3", "d4d3", "f4e3", "d4e3"]),
    ("4k3/4p3/8/3P1P2/8/8/8/4K3 b - - 0 1", "e7e5", ["f5f6", "d5d6", "f5e6", "d5e6"]),
    # the next move clears it
    ("4k3/8/8/8/3p1p2/8/4P3/4K3 w - - 0 1", "e2e4 e8e7 e1d1", ["f4f3", "d4d3"]),
    ("4k3/4p3/8/3P1P2/8/8/8/4K3 b - - 0 1", "e7e5 e1e2 e8d8", ["f5f6", "d5d6"]),
])
def test_en_passant_square(fen, moves, en_passant_moves):
    board = Board(fen)
    play(board, *moves.split())
    assert ucis(board.pawn_moves()) == en_passant_moves


@pytest.mark.parametrize("fen, from_mask, to_mask, reset", [
    (START_FEN, 1 << 12, 1 << 28, True),    # a white pawn leaves e2
    (START_FEN, 1 << 6, 1 << 21, False),    # a knight move
    (START_FEN, 1 << 6, 1 << 52, True),     # lands on a black piece
    (START_FEN, 1 << 52, 1 << 44, False),   # a black pawn, but white is to move
    (START_FEN.replace(" w ", " b "), 1 << 52, 1 << 44, True),
    (START_FEN.replace(" w ", " b "), 1 << 62, 1 << 12, True),
])
def test_reset_half_move_clock(fen, from_mask, to_mask, reset):
    board = Board(fen)
    before = snapshot(board)
    assert board._reset_half_move_clock(from_mask, to_mask) is reset
    assert snapshot(board) == before


@pytest.mark.parametrize("move, message", [
    (Move(64, 0), index_fault(64, 64)),
    (Move(12, 64), index_fault(64, 64)),
    (Move(12, 300), index_fault(64, 300)),
    (Move(20, 28), "Could not find the piece to move for e3e4"),
    (Move(52, 60, "Q"), "Panic in the disco!!! (promotion issue) for e7e8Q"),
    (Move(52, 60, "k"), "Panic in the disco!!! (promotion issue) for e7e8k"),
])
def test_apply_move_faults_and_pop_restores(move, message):
    board = Board("k7/4P3/8/8/8/8/4P3/4K3 w - - 0 1")
    before = observe(board)
    with raises_fault(message):
        board.apply_move(move)
    assert board.pop().uci() == move.uci()
    assert observe(board) == before
    assert_history(board, [])


def test_history_keeps_its_own_copy_of_the_move():
    board = Board()
    move = Move(12, 28)
    board.apply_move(move)
    move.to_square = 20
    assert board.pop().uci() == "e2e4"


# --- castling rights withdrawn by moves ----------------------------------------------

@pytest.mark.parametrize("fen, moves, white, black", [
    # a castling or other king move withdraws only the mover's rights
    (SHIELDED.format("w"), ["e1g1"], [], ["e8g8", "e8c8"]),
    (SHIELDED.format("w"), ["e1c1"], [], ["e8g8", "e8c8"]),
    (SHIELDED.format("w"), ["e1e2", "e8e7", "e2e1"], [], []),
    (SHIELDED.format("b"), ["e8g8"], ["e1g1", "e1c1"], []),
    (SHIELDED.format("b"), ["e8c8"], ["e1g1", "e1c1"], []),
    (SHIELDED.format("b"), ["e8d8"], ["e1g1", "e1c1"], []),
    # a rook leaving its corner withdraws the right of that corner only
    (OPEN.format("w"), ["a1a2"], ["e1g1"], ["e8g8", "e8c8"]),
    (OPEN.format("w"), ["h1h2"], ["e1c1"], ["e8g8", "e8c8"]),
    (OPEN.format("b"), ["a8a7"], ["e1g1", "e1c1"], ["e8g8"]),
    (OPEN.format("b"), ["h8h7"], ["e1g1", "e1c1"], ["e8c8"]),
    (OPEN.format("w"), ["a1b1", "a8b8", "b1a1", "b8a8"], ["e1g1"], ["e8g8"]),
    # a rook elsewhere on the a- or h-file withdraws nothing
    ("r3k2r/8/8/8/R7/8/8/R3K2R w KQkq - 0 1", ["a4b4"], ["e1g1", "e1c1"], ["e8g8", "e8c8"]),
    ("r3k2r/8/7r/8/8/8/8/R3K2R b KQkq - 0 1", ["h6h5"], ["e1g1", "e1c1"], ["e8g8", "e8c8"]),
    # a capture on a rook's corner withdraws the right of that corner
    ("r3k2r/8/8/8/8/8/6B1/R3K2R w KQkq - 0 1", ["g2a8"], ["e1g1", "e1c1"], ["e8g8"]),
    ("r3k2r/1b6/8/8/8/8/8/R3K2R b KQkq - 0 1", ["b7h1"], ["e1c1"], ["e8g8", "e8c8"]),
    ("r3k2r/1P6/8/8/8/8/8/4K3 w kq - 0 1", ["b7a8n"], [], ["e8g8"]),
    ("r3k2r/8/8/8/8/8/6p1/R3K2R b KQkq - 0 1", ["g2h1n"], ["e1c1"], ["e8g8", "e8c8"]),
])
def test_castling_rights_after_moves(fen, moves, white, black):
    board = Board(fen)
    play(board, *moves)
    assert (castles(board, True), castles(board, False)) == (white, black)


def test_king_move_keeps_the_rights_text_present():
    # an absent text would make removing a letter a missing-value fault
    board = Board("r3k2r/8/8/8/8/8/8/R3K2R w KQ - 0 1")
    play(board, "e1e2")
    board.turn = True
    board._remove_castling_rights("k")


@pytest.mark.parametrize("moves", [
    ["e1f1"], ["a1a2"], ["h1h2"], ["g2a8"], ["g2a8", "h8h1"], ["g2a8", "e8d8"],
    ["e1d1", "a8a1"],
])
def test_moves_without_rights_text(moves):
    board = Board("r3k2r/8/8/8/8/8/6B1/R3K2R w - - 0 1")
    play(board, *moves)
    assert (castles(board, True), castles(board, False)) == ([], [])
    assert_history(board, moves)


def test_king_two_squares_without_rights_moves_no_rook():
    board = Board("4k3/8/8/8/8/8/8/4K2R w kq - 0 1")
    board.apply_move(Move(4, 6))
    assert bitboards(board) == bitboards(Board("4k3/8/8/8/8/8/8/6KR b - - 0 1"))


# --- pop -----------------------------------------------------------------------------

def test_pop_on_empty_history():
    board = Board()
    before = snapshot(board)
    with raises_fault(MISSING_VALUE):
        board.pop()
    assert snapshot(board) == before
    play(board, "e2e4")
    assert board.pop().uci() == "e2e4"


def test_pop_returns_a_new_move():
    board = Board("k7/4P3/8/8/8/8/8/4K3 w - - 0 1")
    move = Move(52, 60, "q")
    board.apply_move(move)
    popped = board.pop()
    assert popped is not move
    assert (popped.from_square, popped.to_square, popped.promotion) == (52, 60, "q")


def test_pop_restores_every_field_in_reverse_order():
    board = Board("r3k2r/8/8/8/3p4/8/1p2P3/R3K2R w KQkq - 0 1")
    moves = ["e2e4", "d4e3", "e1g1", "e3e2", "f1e1", "b2a1q", "e1a1", "e8c8", "g1f2"]
    seen = []
    for move in moves:
        seen.append(observe(board))
        play(board, move)
    for move in reversed(moves):
        assert board.pop().uci() == move
        assert observe(board) == seen.pop()
    assert_history(board, [])

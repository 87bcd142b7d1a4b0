"""Attack test, check, castling rights and castling moves."""

import pytest

from vorpane import Board

from helpers import castles, MISSING_VALUE, NO_KING, START_FEN, raises_fault, snapshot, ucis

OPEN = "r3k2r/8/8/8/8/8/8/R3K2R {} KQkq - 0 1"


# --- the attack test and check -------------------------------------------------------

@pytest.mark.parametrize("fen, square, attacked", [
    (START_FEN, 40, True),    # a6: b8 knight and a7 pawn push
    (START_FEN, 47, True),    # h6
    (START_FEN, 20, False),   # e3
    (START_FEN, 60, False),   # e8 holds a piece of the side not to move
    # a pawn attacks the squares it can push to, and a diagonal only to capture
    ("k7/4p3/8/8/8/8/8/7K w - - 0 1", 44, True),    # e6, single push
    ("k7/4p3/8/8/8/8/8/7K w - - 0 1", 36, True),    # e5, double push
    ("k7/4p3/8/8/8/8/8/7K w - - 0 1", 43, False),   # d6, empty diagonal
    ("k7/4p3/8/8/8/8/8/7K w - - 0 1", 45, False),   # f6, empty diagonal
    ("k7/4p3/3N4/8/8/8/8/7K w - - 0 1", 43, True),  # d6 holds a white piece
    ("k7/4p3/8/8/8/8/8/7K w - - 0 1", 52, False),   # e7, black's own pawn
    # an en-passant target counts for the pawn that may take it
    ("k7/8/8/3pP3/8/8/8/7K b - d6 0 1", 43, True),
    ("k7/8/8/3pP3/8/8/8/7K b - - 0 1", 43, False),
    (START_FEN, 64, False),
    (START_FEN, 255, False),
])
def test_is_attacked(fen, square, attacked):
    board = Board(fen)
    before = snapshot(board)
    assert board._is_attacked(square) is attacked
    assert snapshot(board) == before


@pytest.mark.parametrize("fen, check", [
    (START_FEN, False),
    ("4k3/8/8/8/8/5n2/8/4K3 w - - 0 1", True),
    ("4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", True),
    ("4k3/8/8/8/8/8/4p3/4K3 w - - 0 1", False),
    ("4k3/8/8/8/8/8/8/4K2r b - - 0 1", False),
    ("4k2R/8/8/8/8/8/8/4K3 b - - 0 1", True),
    # no king of the side to move: never in check
    ("4r2k/8/8/8/8/8/8/8 w - - 0 1", False),
    # two kings of the side to move: the one on the higher square decides
    ("6K1/8/8/8/8/8/8/rK5k w - - 0 1", False),
    ("r5K1/8/8/8/8/8/8/1K5k w - - 0 1", True),
])
def test_is_check(fen, check):
    board = Board(fen)
    before = snapshot(board)
    assert board.is_check() is check
    assert snapshot(board) == before


@pytest.mark.parametrize("query", [
    lambda b: b._is_attacked(4),
    lambda b: b.is_check(),
    lambda b: b._castling_moves(),
])
@pytest.mark.parametrize("fen", [
    "8/8/8/8/8/8/8/R3K2R w KQ - 0 1",
    "r3k2r/8/8/8/8/8/8/8 b kq - 0 1",
])
def test_no_king_of_the_side_not_to_move_faults_and_turn_is_restored(fen, query):
    board = Board(fen)
    before = snapshot(board)
    with raises_fault(NO_KING):
        query(board)
    assert snapshot(board) == before


# --- castling rights -----------------------------------------------------------------

@pytest.mark.parametrize("rights, removals, white, black", [
    ("KQkq", "", ["e1g1", "e1c1"], ["e8g8", "e8c8"]),
    ("KQkq", "k", ["e1c1"], ["e8g8", "e8c8"]),
    ("KQkq", "kq", [], ["e8g8", "e8c8"]),
    ("KQkq", "qq", ["e1g1"], ["e8g8", "e8c8"]),
    ("KKq", "k", [], ["e8c8"]),     # every K goes
    ("KQ", "kqk", [], []),          # removing from an empty text is no error
    ("KQkq", "a", [], []),
    ("-", "a", [], []),
])
def test_remove_castling_rights_with_white_to_move(rights, removals, white, black):
    board = Board(OPEN.replace("KQkq", rights).format("w"))
    for letter in removals:
        board._remove_castling_rights(letter)
    assert board._check_castling_rights() is bool(white)
    assert (castles(board, True), castles(board, False)) == (white, black)


def test_remove_castling_rights_with_black_to_move_removes_black_letters():
    board = Board(OPEN.format("b"))
    board._remove_castling_rights("q")
    assert (castles(board, True), castles(board, False)) == (["e1g1", "e1c1"], ["e8g8"])
    board._remove_castling_rights("k")
    assert not board._check_castling_rights()
    board.turn = True
    assert board._check_castling_rights()


@pytest.mark.parametrize("rights, white, black", [
    ("KQkq", True, True),
    ("Qk", True, True),
    ("kq", False, True),
    ("K", True, False),
    ("KX", True, False),
    ("X-", False, False),
    ("-", False, False),
])
def test_check_castling_rights(rights, white, black):
    board = Board(f"4k3/8/8/8/8/8/8/4K3 w {rights} - 0 1")
    assert board._check_castling_rights() is white
    board.turn = False
    assert board._check_castling_rights() is black


@pytest.mark.parametrize("rights, letter, message", [
    ("KQkq", "K", "Invalid castling rights"),
    ("KQkq", "x", "Invalid castling rights"),
    ("-", "Q", "Invalid castling rights"),
    ("-", "k", MISSING_VALUE),
    ("-", "q", MISSING_VALUE),
])
def test_remove_castling_rights_faults(rights, letter, message):
    board = Board(OPEN.replace("KQkq", rights).format("w"))
    before = snapshot(board), castles(board, True), castles(board, False)
    with raises_fault(message):
        board._remove_castling_rights(letter)
    assert (snapshot(board), castles(board, True), castles(board, False)) == before


def test_absent_rights_stay_absent():
    board = Board(OPEN.format("w"))
    board._remove_castling_rights("a")
    board._remove_castling_rights("a")
    with raises_fault(MISSING_VALUE):
        board._remove_castling_rights("k")


# --- castling moves ------------------------------------------------------------------

@pytest.mark.parametrize("fen, expected", [
    (START_FEN, []),
    (OPEN.format("w"), ["e1g1", "e1c1"]),
    (OPEN.format("b"), ["e8g8", "e8c8"]),
    # the order follows the letters; a letter twice gives the move twice
    ("r3k2r/8/8/8/8/8/8/R3K2R w QK - 0 1", ["e1c1", "e1g1"]),
    ("r3k2r/8/8/8/8/8/8/R3K2R w KK - 0 1", ["e1g1", "e1g1"]),
    ("r3k2r/8/8/8/8/8/8/R3K2R b qkq - 0 1", ["e8c8", "e8g8", "e8c8"]),
    # only the letters of the side to move count
    ("r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", []),
    ("r3k2r/8/8/8/8/8/8/R3K2R b KQ - 0 1", []),
    ("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", []),
    # blockers, own or opposing; b1 must be empty
    ("r3k2r/8/8/8/8/8/8/RN2K2R w KQ - 0 1", ["e1g1"]),
    ("r3k2r/8/8/8/8/8/8/R2nK2R w KQ - 0 1", ["e1g1"]),
    ("r3k2r/8/8/8/8/8/8/R3K1NR w KQ - 0 1", ["e1c1"]),
    ("r3kb1r/8/8/8/8/8/8/R3K2R b kq - 0 1", ["e8c8"]),
    # attacked squares: king, transit or target
    ("k4r2/8/8/8/8/8/8/R3K2R w KQ - 0 1", ["e1c1"]),
    ("k5r1/8/8/8/8/8/8/R3K2R w KQ - 0 1", ["e1c1"]),
    ("k2r4/8/8/8/8/8/8/R3K2R w KQ - 0 1", ["e1g1"]),
    ("k3r3/8/8/8/8/8/8/R3K2R w KQ - 0 1", []),
    ("r3k2r/8/8/8/8/8/8/R4R1K b kq - 0 1", ["e8c8"]),
    # b1 is crossed by the rook only: an attack on it does not matter
    ("kr6/8/8/8/8/8/8/R3K2R w KQ - 0 1", ["e1g1", "e1c1"]),
    # a pawn that can advance onto f1 covers it
    ("k7/8/8/8/8/8/5p2/R3K2R w KQ - 0 1", []),
    # neither king nor rook is looked for
    ("4k3/8/8/8/8/8/8/8 w K - 0 1", ["e1g1"]),
    # letters past ASCII are cased by Unicode: an upper-case one is a
    # queen-side right of white, a lower-case one belongs to black
    ("4k3/8/8/8/8/8/8/R3K2R w ÉK - 0 1", ["e1c1", "e1g1"]),
    ("4k3/8/8/8/8/8/8/R3K2R w éK - 0 1", ["e1g1"]),
])
def test_castling_moves(fen, expected):
    board = Board(fen)
    before = snapshot(board)
    assert ucis(board._castling_moves()) == expected
    assert snapshot(board) == before


@pytest.mark.parametrize("fen, expected", [
    # an opposing pawn covering a square of the king's path diagonally
    ("r3k2r/8/8/8/8/8/7p/R3K2R w KQkq - 0 1", ["e1c1"]),     # g1
    ("r3k2r/8/8/8/8/8/4p3/R3K2R w KQkq - 0 1", []),          # d1 and f1
    ("r3k2r/8/8/8/8/8/1p6/R3K2R w KQkq - 0 1", ["e1g1"]),    # c1
    ("r3k2r/8/8/8/8/8/3p4/R3K2R w KQkq - 0 1", []),          # e1 (check) and c1
    ("r3k2r/7P/8/8/8/8/8/R3K2R b KQkq - 0 1", ["e8c8"]),     # g8
    ("r3k2r/4P3/8/8/8/8/8/R3K2R b KQkq - 0 1", []),          # d8 and f8
    ("r3k2r/1P6/8/8/8/8/8/R3K2R b KQkq - 0 1", ["e8g8"]),    # c8
    # a pawn covering b1 only does not matter
    ("r3k2r/8/8/8/8/8/p7/R3K2R w KQkq - 0 1", ["e1g1", "e1c1"]),
])
def test_castling_moves_respect_pawn_diagonals(fen, expected):
    board = Board(fen)
    before = snapshot(board)
    assert ucis(board._castling_moves()) == expected
    assert snapshot(board) == before


@pytest.mark.parametrize("fen", [
    # the pawn covers e1, but the test of e1 still generates black's moves first
    "8/8/8/8/8/8/3p4/R3K2R w KQ - 0 1",
    "8/8/8/8/8/8/7p/R3K2R w K - 0 1",
])
def test_castling_moves_fault_as_the_attack_test_does(fen):
    board = Board(fen)
    before = snapshot(board)
    with raises_fault(NO_KING):
        board._castling_moves()
    assert snapshot(board) == before


@pytest.mark.parametrize("fen", [
    "8/8/8/8/8/8/3p4/R3K2R w - - 0 1",
    "8/8/8/8/8/8/3p4/RN2K1NR w KQ - 0 1",
])
def test_castling_moves_without_attack_tests_do_not_fault(fen):
    assert Board(fen)._castling_moves() == []

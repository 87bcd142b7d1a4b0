"""The FEN reader: the constructor, its lenient fields, and set_board()."""

import pytest

from helpers import MISSING_VALUE, START_FEN, bitboards, index_fault, raises_fault, snapshot, ucis
from vorpane import Board, Move

START_PLACEMENT = START_FEN.split(" ")[0]
EMPTY_PLACEMENT = "8/8/8/8/8/8/8/8"


def fen(placement=EMPTY_PLACEMENT, side="w", castling="-", ep="-", half="0", full="1"):
    return " ".join([placement, side, castling, ep, half, full])


def rank(n):
    return 0xFF << 8 * (n - 1)


def expected_bitboards(pieces):
    """The bitboards of a position given as {square: letter}."""
    def mask(test):
        return sum(1 << square for square, letter in pieces.items() if test(letter))
    result = {kind: mask(lambda letter, kind=kind: letter.upper() == kind) for kind in "PRNBQK"}
    return result | {"W": mask(str.isupper), "A": mask(lambda letter: True)}


@pytest.mark.parametrize("make", [
    Board,
    lambda: Board(None),
    lambda: Board(starting_fen=None),
    lambda: Board(START_FEN),
])
def test_start_position(make):
    board = make()
    assert bitboards(board) == {
        "P": rank(2) | rank(7),
        "R": 0x8100000000000081,
        "N": 0x4200000000000042,
        "B": 0x2400000000000024,
        "Q": 0x0800000000000008,
        "K": 0x1000000000000010,
        "W": rank(1) | rank(2),
        "A": rank(1) | rank(2) | rank(7) | rank(8),
    }
    assert board.turn is True
    assert board._check_castling_rights() is True
    with raises_fault(MISSING_VALUE):
        board.pop()


@pytest.mark.parametrize("text, parts", [
    ("", 1),
    ("é", 1),
    (START_FEN.rsplit(" ", 2)[0], 4),
    (fen()[:-2], 5),
    ("  ", 3),
    # only U+0020 separates fields
    (fen().replace(" ", "\t"), 1),
    (fen(half="0\n1")[:-2], 5),
    (fen().replace(" 0 ", "\u00a00 "), 5),
])
def test_too_few_fields(text, parts):
    with raises_fault(f"Invalid starting fen; got {text}, with {parts} parts"):
        Board(text)


@pytest.mark.parametrize("placement, pieces", [
    ("k7/8/8/8/8/8/8/7K", {56: "k", 7: "K"}),
    # nine pieces on the 7th rank: the ninth lands on a8, later ranks start late
    ("8/ppppppppp/P7/8/8/8/8/8", {**{s: "p" for s in range(48, 57)}, 41: "P"}),
    # a short rank makes the next one start early
    ("7/P7/8/8/8/8/8/8", {47: "P"}),
    ("8/9p/8/8/8/8/8/8", {57: "p"}),
    ("0p0/8/8/8/8/8/8/8", {56: "p"}),
    # a ninth rank holding only a digit places nothing
    ("8/8/8/8/8/8/8/8/8", {}),
    # the cursor wraps below zero and, eight squares on, back around to a1
    ("8/8/8/8/8/8/8/8/8P", {0: "P"}),
])
def test_placement_cursor(placement, pieces):
    assert bitboards(Board(fen(placement))) == expected_bitboards(pieces)


@pytest.mark.parametrize("placement, message", [
    ("ppppppppp/8/8/8/8/8/8/8", index_fault(64, 64)),
    ("9p/8/8/8/8/8/8/8", index_fault(64, 65)),
    ("8/8/8/8/8/8/8/8/P", index_fault(64, 2**64 - 8)),
    # the square is tested before the letter
    ("8/8/8/8/8/8/8/8/X", index_fault(64, 2**64 - 8)),
    ("8X/8/8/8/8/8/8/8", index_fault(64, 64)),
    ("X7/8/8/8/8/8/8/8", "Invalid piece type"),
    ("8/8/8/8/8/8/8/RNBQKBNé", "Invalid piece type"),
])
def test_placement_faults(placement, message):
    with raises_fault(message):
        Board(fen(placement))


@pytest.mark.parametrize("side, white", [
    ("w", True), ("W", False), ("b", False), ("white", False), ("", False), ("w\t", False),
])
def test_only_w_gives_white_to_move(side, white):
    assert Board(fen(side=side)).turn is white


@pytest.mark.parametrize("castling, has_rights, present", [
    ("-", False, False),
    ("", False, True),
    ("KQkq", True, True),
    ("kq", False, True),
    ("KX", True, True),
])
def test_castling_field(castling, has_rights, present):
    board = Board(fen(castling=castling))
    assert board._check_castling_rights() is has_rights
    if present:
        board._remove_castling_rights("k")
    else:
        with raises_fault(MISSING_VALUE):
            board._remove_castling_rights("k")


# White pawns on every square of rank 5 (black's on rank 4 when black is to move):
# the eight pushes come first, then the en-passant captures onto the stored square.
EP_PLACEMENT = {"w": "8/8/8/PPPPPPPP/8/8/8/8", "b": "8/8/8/8/pppppppp/8/8/8"}


@pytest.mark.parametrize("side, ep, captures", [
    ("w", "-", []),
    ("w", "e6", ["f5e6", "d5e6"]),
    ("w", "a6", ["b5a6"]),
    ("w", "h6", ["g5h6"]),
    ("w", "E6", ["b5a6"]),  # no file letter: file a
    ("w", "e63", ["f5e6", "d5e6"]),  # later characters are ignored
    ("w", "e3", []),
    ("b", "e3", ["f4e3", "d4e3"]),
    ("b", "E3", ["b4a3"]),
])
def test_en_passant_field(side, ep, captures):
    board = Board(fen(EP_PLACEMENT[side], side=side, ep=ep))
    assert ucis(board.pawn_moves())[8:] == captures


@pytest.mark.parametrize("ep, square", [
    ("e0", 252), ("ex", 252), ("E0", 248), ("e9", 68), ("h9", 71),
])
def test_en_passant_square_off_the_board_is_stored(ep, square):
    board = Board(fen(EP_PLACEMENT["w"], ep=ep))
    with raises_fault(index_fault(64, square)):
        board.pawn_moves()


@pytest.mark.parametrize("ep, length", [("e", 1), ("é", 1), ("", 0)])
def test_en_passant_field_too_short(ep, length):
    with raises_fault(index_fault(length, 1)):
        Board(fen(ep=ep))


def test_two_blanks_shift_the_fields():
    # castling becomes the empty text, "KQkq" the en-passant field (square 248)
    board = Board(f"{START_PLACEMENT} w  KQkq - 0 1")
    assert bitboards(board) == bitboards(Board())
    assert board._check_castling_rights() is False
    board._remove_castling_rights("k")
    with raises_fault(index_fault(64, 248)):
        board.pawn_moves()


@pytest.mark.parametrize("text", [
    *(fen(START_PLACEMENT, castling="KQkq", half=value) for value in
      ["+7", "007", "-7", "7a", "+", "-", "", "18446744073709551615", "18446744073709551616"]),
    *(fen(START_PLACEMENT, castling="KQkq", full=value) for value in ["-1", "1\n", "", "0x10"]),
    START_FEN + " ",
    START_FEN + " and more",
])
def test_counters_and_extra_fields_never_fault(text):
    assert snapshot(Board(text)) == snapshot(Board())


def test_set_board_after_a_move_gives_the_start_position_and_keeps_the_history():
    board = Board()
    board.apply_move(Move(12, 28))
    board.set_board()
    assert snapshot(board) == snapshot(Board())
    assert board.pop().uci() == "e2e4"
    assert snapshot(board) == snapshot(Board())
    with raises_fault(MISSING_VALUE):
        board.pop()


CASTLING_FEN = "r3k2r/8/8/8/8/8/8/R3K2R b Kq - 5 20"


@pytest.mark.parametrize("disturb", [
    lambda b: b.set_pieces_or("q", 1 << 28),
    lambda b: b.set_pieces_xor("K", 1 << 4),
    lambda b: setattr(b, "turn", True),
    lambda b: b._remove_castling_rights("a"),
    lambda b: b.set_board(),
], ids=["extra-piece", "lost-king", "turn", "castling", "twice"])
def test_set_board_rereads_the_text_from_scratch(disturb):
    board = Board(CASTLING_FEN)
    disturb(board)
    board.set_board()
    assert snapshot(board) == snapshot(Board(CASTLING_FEN))


def test_set_board_clears_the_en_passant_square():
    board = Board("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1")
    board.apply_move(Move(12, 28))
    assert ucis(board.pawn_moves()) == ["d4d3", "d4e3"]
    board.set_board()
    board.turn = False
    assert ucis(board.pawn_moves()) == ["d4d3"]

"""Direct access to the bitboards and the side to move."""

import pytest

from helpers import bitboards, raises_fault, snapshot
from vorpane import Board

EMPTY_FEN = "8/8/8/8/8/8/8/8 w - - 0 1"
D5 = 1 << 35
START = {
    "P": 0x00FF00000000FF00,
    "R": 0x8100000000000081,
    "N": 0x4200000000000042,
    "B": 0x2400000000000024,
    "Q": 0x0800000000000008,
    "K": 0x1000000000000010,
    "W": 0x000000000000FFFF,
    "A": 0xFFFF00000000FFFF,
}


@pytest.mark.parametrize("letter", "PRNBQKWAprnbqkwa")
def test_get_pieces_ignores_case(letter):
    assert Board().get_pieces(letter) == START[letter.upper()]


@pytest.mark.parametrize("letter", ["x", "Z", ".", " ", "1", "é"])
def test_get_pieces_refuses_other_letters(letter):
    board = Board()
    with raises_fault(f"Invalid piece type: {letter}"):
        board.get_pieces(letter)


@pytest.mark.parametrize("letter", "PRNBQKprnbqk")
def test_set_pieces_or_adds_to_the_kind_and_the_colour(letter):
    board = Board(EMPTY_FEN)
    board.set_pieces_or(letter, D5)
    expected = dict.fromkeys(START, 0) | {letter.upper(): D5, "A": D5}
    if letter.isupper():
        expected["W"] = D5
    assert bitboards(board) == expected


def test_set_pieces_or_merges_without_checking():
    board = Board()
    board.set_pieces_or("Q", 0xFF00)  # white pawns are now queens as well
    assert bitboards(board) == START | {"Q": 0x0800000000000008 | 0xFF00}
    board.set_pieces_or("n", 2**64 - 1)
    assert bitboards(board) == START | {"Q": 0x0800000000000008 | 0xFF00, "N": 2**64 - 1,
                                        "A": 2**64 - 1}


@pytest.mark.parametrize("letter", "Qq")
def test_set_pieces_xor_toggles_the_kind_only(letter):
    board = Board()
    board.set_pieces_xor(letter, 8)  # d1
    assert bitboards(board) == START | {"Q": 0x0800000000000000}
    board.set_pieces_xor(letter, 8)
    assert bitboards(board) == START


def test_set_pieces_xor_on_an_empty_square_leaves_the_colours_alone():
    board = Board()
    board.set_pieces_xor("p", 1 << 20)
    assert bitboards(board) == START | {"P": START["P"] | 1 << 20}


@pytest.mark.parametrize("setter", ["set_pieces_or", "set_pieces_xor"])
def test_an_empty_bitboard_changes_nothing(setter):
    board = Board()
    before = snapshot(board)
    for letter in "PRNBQKprnbqk":
        getattr(board, setter)(letter, 0)
    assert snapshot(board) == before


@pytest.mark.parametrize("setter", ["set_pieces_or", "set_pieces_xor"])
@pytest.mark.parametrize("letter", ["W", "w", "A", "a", "x", "é"])
def test_setters_refuse_non_piece_letters_and_change_nothing(setter, letter):
    board = Board()
    before = snapshot(board)
    with raises_fault("Invalid piece type"):
        getattr(board, setter)(letter, 1)
    assert snapshot(board) == before


def test_setter_arguments_are_converted_before_the_letter_is_read():
    board = Board()
    with pytest.raises(OverflowError):
        board.set_pieces_or("W", -1)
    with pytest.raises(ValueError):
        board.set_pieces_xor("WW", 1)


def test_turn_is_read_and_written_without_changing_anything_else():
    board = Board()
    pieces, diagram = bitboards(board), str(board)
    assert board.turn is True
    board.turn = False
    assert board.turn is False
    assert (bitboards(board), str(board)) == (pieces, diagram)
    assert board._check_castling_rights() is True  # black still holds k and q
    assert Board("8/8/8/8/8/8/8/8 b - - 0 1").turn is False

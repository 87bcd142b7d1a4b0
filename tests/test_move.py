"""Moves as objects: construction, fields, UCI text."""

import pytest

from vorpane import Move


@pytest.mark.parametrize("from_square, to_square, promotion, text", [
    (12, 28, None, "e2e4"),
    (52, 60, "q", "e7e8q"),
    (52, 60, "Q", "e7e8Q"),  # written as stored
    (1, 2, "Z", "b1c1Z"),
    (52, 60, "é", "e7e8é"),
    (0, 63, None, "a1h8"),
    # squares past h8 still print: file s mod 8, rank (s mod 256) / 8 + 1
    (64, 0, None, "a9a1"),
    (100, 0, None, "e13a1"),
    (300, 0, None, "e6a1"),
    (0, 2**32 - 1, None, "a1h32"),
])
def test_uci_text(from_square, to_square, promotion, text):
    move = Move(from_square, to_square, promotion)
    assert move.uci() == str(move) == repr(move) == text
    assert (move.from_square, move.to_square, move.promotion) == (
        from_square, to_square, promotion)


@pytest.mark.parametrize("make", [
    lambda: Move(12, 28),
    lambda: Move(12, 28, None),
    lambda: Move(to_square=28, from_square=12, promotion=None),
])
def test_promotion_defaults_to_none(make):
    move = make()
    assert move.promotion is None
    assert move.uci() == "e2e4"


@pytest.mark.parametrize("start, name, value, text", [
    ((12, 28), "to_square", 36, "e2e5"),
    ((12, 28), "from_square", 300, "e6e4"),
    ((12, 28), "promotion", "n", "e2e4n"),
    ((52, 60, "q"), "promotion", None, "e7e8"),
    ((52, 60, "q"), "to_square", 2**32 - 1, "e7h32q"),
])
def test_property_writes(start, name, value, text):
    move = Move(*start)
    setattr(move, name, value)
    assert getattr(move, name) == value
    assert move.uci() == text


CONVERSION_ERRORS = [
    ("from_square", -1, OverflowError, "out of range integral type conversion attempted"),
    ("to_square", 2**32, OverflowError, "out of range integral type conversion attempted"),
    ("to_square", 2**64, OverflowError, "Python int too large to convert to C long"),
    ("from_square", "e2", TypeError,
     "argument 'from_square': 'str' object cannot be interpreted as an integer"),
    ("to_square", None, TypeError,
     "argument 'to_square': 'NoneType' object cannot be interpreted as an integer"),
    ("promotion", 5, TypeError,
     "argument 'promotion': 'int' object cannot be converted to 'PyString'"),
    ("promotion", "qq", ValueError, "expected a string of length 1"),
    ("promotion", "", ValueError, "expected a string of length 1"),
]


@pytest.mark.parametrize("name, value, exc_type, message", CONVERSION_ERRORS)
def test_constructor_conversion_errors(name, value, exc_type, message):
    args = {"from_square": 52, "to_square": 60, "promotion": "q"} | {name: value}
    with pytest.raises(exc_type) as err:
        Move(**args)
    assert type(err.value) is exc_type
    assert str(err.value) == message


@pytest.mark.parametrize("name, value, exc_type, message", CONVERSION_ERRORS)
def test_a_rejected_write_leaves_the_move_unchanged(name, value, exc_type, message):
    move = Move(52, 60, "q")
    with pytest.raises(exc_type) as err:
        setattr(move, name, value)
    assert type(err.value) is exc_type
    assert str(err.value) == message
    assert (move.from_square, move.to_square, move.promotion) == (52, 60, "q")


def test_moves_compare_by_identity():
    move = Move(12, 28)
    assert move == move
    assert Move(12, 28) != Move(12, 28)

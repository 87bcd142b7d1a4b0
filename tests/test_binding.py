"""The call frame: argument binding, conversion by declared type, holds, properties."""

import numpy
import pytest

from helpers import numpy_like, snapshot
from vorpane import Board, Move


class Index:
    """An integer-like object: anything with __index__ converts as an integer."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Callback:
    """An integer-like object whose conversion runs `action` first."""

    def __init__(self, action, value=0):
        self.action, self.value = action, value

    def __index__(self):
        self.action()
        return self.value


def raised(exc_type, call):
    with pytest.raises(exc_type) as err:
        call()
    assert type(err.value) is exc_type
    return err.value


# --- binding ---------------------------------------------------------------

@pytest.mark.parametrize("call, message", [
    (lambda b: b.get_pieces("P", "P"),
     "Board.get_pieces() takes 1 positional arguments but 2 were given"),
    (lambda b: b.set_pieces_or("P", 1, 2),
     "Board.set_pieces_or() takes 2 positional arguments but 3 were given"),
    (lambda b: Board(None, None),
     "Board.__new__() takes from 0 to 1 positional arguments but 2 were given"),
    (lambda b: Move(1, 2, "q", 4),
     "Move.__new__() takes from 2 to 3 positional arguments but 4 were given"),
    # the count is checked before the keywords
    (lambda b: b.get_pieces("P", "P", piece_type="P"),
     "Board.get_pieces() takes 1 positional arguments but 2 were given"),
    (lambda b: b.get_pieces(piece_type="P", x=1),
     "Board.get_pieces() got an unexpected keyword argument 'x'"),
    (lambda b: Board(fen=None),
     "Board.__new__() got an unexpected keyword argument 'fen'"),
    # keywords are checked in the order given, before missing arguments
    (lambda b: b.set_pieces_or(bitboard=1, piece_type="P", colour="w"),
     "Board.set_pieces_or() got an unexpected keyword argument 'colour'"),
    (lambda b: b.set_pieces_or(y=1, bitboard=1, piece_type="P"),
     "Board.set_pieces_or() got an unexpected keyword argument 'y'"),
    (lambda b: b.get_pieces("P", piece_type="P"),
     "Board.get_pieces() got multiple values for argument 'piece_type'"),
    (lambda b: Move(1, 2, from_square=3),
     "Move.__new__() got multiple values for argument 'from_square'"),
    (lambda b: b.get_pieces(),
     "Board.get_pieces() missing 1 required positional argument: 'piece_type'"),
    (lambda b: b.set_pieces_or("P"),
     "Board.set_pieces_or() missing 1 required positional argument: 'bitboard'"),
    (lambda b: b.set_pieces_or(bitboard=1),
     "Board.set_pieces_or() missing 1 required positional argument: 'piece_type'"),
    (lambda b: b.set_pieces_xor(),
     "Board.set_pieces_xor() missing 2 required positional arguments: "
     "'piece_type' and 'bitboard'"),
    (lambda b: Move(),
     "Move.__new__() missing 2 required positional arguments: 'from_square' and 'to_square'"),
    (lambda b: Move(promotion="q"),
     "Move.__new__() missing 2 required positional arguments: 'from_square' and 'to_square'"),
    (lambda b: b._restore(),
     "Board._restore() missing 1 required positional argument: 'board_state'"),
    # no-argument methods are refused by the interpreter itself
    (lambda b: b.set_board(1),
     "Board.set_board() takes no arguments (1 given)"),
    (lambda b: b.pop(x=1),
     "Board.pop() takes no keyword arguments"),
    (lambda b: Move(1, 2).uci(1),
     "Move.uci() takes no arguments (1 given)"),
])
def test_binding_errors(call, message):
    board = Board()
    before = snapshot(board)
    assert str(raised(TypeError, lambda: call(board))) == message
    assert snapshot(board) == before


def test_arguments_bind_by_keyword_in_any_order():
    board = Board(starting_fen=None)
    board.set_pieces_or(bitboard=1 << 28, piece_type="N")
    assert board.get_pieces(piece_type="N") == 0x4200000010000042
    move = Move(promotion="q", to_square=60, from_square=52)
    assert move.uci() == "e7e8q"


def test_self_of_another_type_is_refused():
    err = raised(TypeError, lambda: Board.get_pieces(Move(1, 2), "P"))
    assert str(err) in (
        "descriptor 'get_pieces' for 'builtins.Board' objects doesn't apply to a "
        "'builtins.Move' object",
        "'Move' object cannot be converted to 'Board'",
    )


# --- conversion ------------------------------------------------------------

class Text(str):
    pass


@pytest.mark.parametrize("call, exc_type, message", [
    # text and one character
    (lambda b: Board(5), TypeError,
     "argument 'starting_fen': 'int' object cannot be converted to 'PyString'"),
    (lambda b: Board(b"8/8/8/8/8/8/8/8 w - - 0 1"), TypeError,
     "argument 'starting_fen': 'bytes' object cannot be converted to 'PyString'"),
    (lambda b: Board("\ud800"), UnicodeEncodeError,
     "'utf-8' codec can't encode character '\\ud800' in position 0: surrogates not allowed"),
    (lambda b: b.get_pieces(1), TypeError,
     "argument 'piece_type': 'int' object cannot be converted to 'PyString'"),
    (lambda b: b.get_pieces(None), TypeError,
     "argument 'piece_type': 'NoneType' object cannot be converted to 'PyString'"),
    (lambda b: b.get_pieces("PP"), ValueError, "expected a string of length 1"),
    (lambda b: b.get_pieces(""), ValueError, "expected a string of length 1"),
    (lambda b: b._remove_castling_rights("kq"), ValueError, "expected a string of length 1"),
    (lambda b: b._remove_castling_rights(1), TypeError,
     "argument 'id': 'int' object cannot be converted to 'PyString'"),
    # unsigned 64-bit
    (lambda b: b.set_pieces_or("P", -1), OverflowError, "can't convert negative int to unsigned"),
    (lambda b: b.set_pieces_or("P", 2**64), OverflowError, "int too big to convert"),
    (lambda b: b.set_pieces_xor("P", Index(-1)), OverflowError,
     "can't convert negative int to unsigned"),
    (lambda b: b.set_pieces_or("P", "1"), TypeError,
     "argument 'bitboard': 'str' object cannot be interpreted as an integer"),
    (lambda b: b.set_pieces_or("P", 1.0), TypeError,
     "argument 'bitboard': 'float' object cannot be interpreted as an integer"),
    (lambda b: b._reset_half_move_clock(0, None), TypeError,
     "argument 'to_mask': 'NoneType' object cannot be interpreted as an integer"),
    # unsigned 32-bit
    (lambda b: Move(-1, 0), OverflowError, "out of range integral type conversion attempted"),
    (lambda b: Move(0, 2**32), OverflowError, "out of range integral type conversion attempted"),
    (lambda b: Move(Index(2**32), 0), OverflowError,
     "out of range integral type conversion attempted"),
    (lambda b: Move(2**63, 0), OverflowError, "Python int too large to convert to C long"),
    (lambda b: Move(0, -(2**63) - 1), OverflowError, "Python int too large to convert to C long"),
    (lambda b: Move("e2", 0), TypeError,
     "argument 'from_square': 'str' object cannot be interpreted as an integer"),
    # unsigned 8-bit
    (lambda b: b._is_attacked(256), OverflowError,
     "out of range integral type conversion attempted"),
    (lambda b: b._is_attacked(-1), OverflowError,
     "out of range integral type conversion attempted"),
    (lambda b: b._is_attacked("e4"), TypeError,
     "argument 'square': 'str' object cannot be interpreted as an integer"),
    # objects
    (lambda b: b.apply_move("e2e4"), TypeError,
     "argument 'mov': 'str' object cannot be converted to 'Move'"),
    (lambda b: b.apply_move(b), TypeError,
     "argument 'mov': 'Board' object cannot be converted to 'Move'"),
    (lambda b: b._restore(5), TypeError,
     "argument 'board_state': 'int' object cannot be converted to 'BoardState'"),
    (lambda b: b._restore(Move(12, 28)), TypeError,
     "argument 'board_state': 'Move' object cannot be converted to 'BoardState'"),
    # the first failing argument ends the call
    (lambda b: b.set_pieces_or(1, -1), TypeError,
     "argument 'piece_type': 'int' object cannot be converted to 'PyString'"),
    (lambda b: Move(0, "x", "qq"), TypeError,
     "argument 'to_square': 'str' object cannot be interpreted as an integer"),
])
def test_conversion_errors(call, exc_type, message):
    board = Board()
    before = snapshot(board)
    assert str(raised(exc_type, lambda: call(board))) == message
    assert snapshot(board) == before


class OtherTypeError(TypeError):
    pass


def failing_index(error, cause):
    def __index__(self):
        raise error from cause
    return type("Failing", (), {"__index__": __index__})()


@pytest.mark.parametrize("error, expected_type, expected_text", [
    (TypeError("no index"), TypeError, "argument 'bitboard': no index"),
    # only exactly TypeError gets the prefix
    (OtherTypeError("no index"), OtherTypeError, "no index"),
    (ValueError("no index"), ValueError, "no index"),
])
def test_only_a_plain_type_error_gets_the_argument_prefix(error, expected_type, expected_text):
    cause = KeyError("root")
    err = raised(expected_type, lambda: Board().set_pieces_or("P", failing_index(error, cause)))
    assert str(err) == expected_text
    assert err.__cause__ is cause


def test_conversions_accept_subclasses_index_objects_and_range_ends():
    board = Board(Text("8/8/8/8/8/8/8/8 w - - 0 1"))
    board.set_pieces_or(Text("k"), Index(2**64 - 1))
    assert board.get_pieces("A") == 2**64 - 1
    board._remove_castling_rights(Text("a"))
    assert board._reset_half_move_clock(Index(2**64 - 1), Index(0)) is False
    assert Move(Index(12), Index(28)).uci() == "e2e4"
    assert (Move(0, 2**32 - 1).to_square, Move(2**32 - 1, 0).from_square) == (2**32 - 1,) * 2
    assert Board()._is_attacked(255) is False
    assert Board()._is_attacked(Index(40)) is True


def test_restore_is_always_refused_and_the_state_type_has_no_constructor():
    board = Board()
    raised(TypeError, lambda: board._restore(None))
    # the state type is never exported; once built it is reachable only as a subclass
    found = [t for t in object.__subclasses__() if t.__name__ == "BoardState"]
    if not found:
        pytest.skip("the state type cannot be reached from Python")
    state_type, = found
    assert state_type.__module__ == "builtins"
    assert str(raised(TypeError, state_type)) == "No constructor defined for BoardState"


# --- flags -----------------------------------------------------------------

@pytest.mark.parametrize("value, expected", [
    (False, False),
    (True, True),
    (numpy.bool_(False), False),
    (numpy.bool_(True), True),
    (numpy_like("bool", __bool__=lambda self: False), False),
])
def test_turn_accepts_booleans_and_numpy_booleans(value, expected):
    board = Board()
    board.turn = not expected
    board.turn = value
    assert board.turn is expected


@pytest.mark.parametrize("value, message", [
    (1, "argument 'turn': 'int' object cannot be converted to 'PyBool'"),
    (0, "argument 'turn': 'int' object cannot be converted to 'PyBool'"),
    (None, "argument 'turn': 'NoneType' object cannot be converted to 'PyBool'"),
    ("w", "argument 'turn': 'str' object cannot be converted to 'PyBool'"),
    (numpy.int8(1), "argument 'turn': 'int8' object cannot be converted to 'PyBool'"),
    (numpy_like("bool_"),
     "argument 'turn': object of type 'bool_' does not define a '__bool__' conversion"),
])
def test_turn_refuses_everything_else(value, message):
    board = Board()
    assert str(raised(TypeError, lambda: setattr(board, "turn", value))) == message
    assert board.turn is True


# --- properties ------------------------------------------------------------

@pytest.mark.parametrize("make, name", [
    (Board, "turn"),
    (lambda: Move(52, 60, "q"), "from_square"),
    (lambda: Move(52, 60, "q"), "to_square"),
    (lambda: Move(52, 60, "q"), "promotion"),
])
def test_properties_cannot_be_deleted(make, name):
    obj = make()
    before = str(obj), getattr(obj, name)
    assert str(raised(AttributeError, lambda: delattr(obj, name))) == "can't delete attribute"
    assert (str(obj), getattr(obj, name)) == before


# --- holds -----------------------------------------------------------------

@pytest.mark.parametrize("outer, inner, message", [
    # exclusive outer hold: even a reader is refused
    (lambda b, arg: b.set_pieces_or("P", arg), lambda b: b.get_pieces("P"),
     "Already mutably borrowed"),
    (lambda b, arg: b.set_pieces_xor("P", arg), lambda b: str(b), "Already mutably borrowed"),
    (lambda b, arg: b.set_pieces_or("P", arg), lambda b: b.turn, "Already mutably borrowed"),
    (lambda b, arg: b._is_attacked(arg), lambda b: b._check_castling_rights(),
     "Already mutably borrowed"),
    (lambda b, arg: b.set_pieces_or("P", arg), lambda b: b.set_pieces_xor("P", 1),
     "Already borrowed"),
    # shared outer hold: a writer is refused
    (lambda b, arg: b._reset_half_move_clock(arg, 0), lambda b: b.set_pieces_or("P", 1),
     "Already borrowed"),
    (lambda b, arg: b._reset_half_move_clock(0, arg), lambda b: setattr(b, "turn", False),
     "Already borrowed"),
    (lambda b, arg: b._reset_half_move_clock(arg, 0), lambda b: b.set_board(),
     "Already borrowed"),
])
def test_reentry_through_an_argument_meets_the_hold(outer, inner, message):
    board = Board()
    before = snapshot(board)
    err = raised(RuntimeError, lambda: outer(board, Callback(lambda: inner(board), 1 << 20)))
    assert str(err) == message
    assert snapshot(board) == before
    # every hold was released
    board.set_pieces_or("P", 1 << 20)
    assert board.get_pieces("P") == 0x00FF00000010FF00


def test_shared_holds_coexist():
    board = Board()
    seen = []
    reader = Callback(lambda: seen.append((board.get_pieces("K"), str(board), board.turn)), 1 << 12)
    assert board._reset_half_move_clock(reader, 0) is True
    assert seen == [(0x1000000000000010, str(Board()), True)]


def test_property_writes_convert_before_taking_the_hold():
    board = Board()
    flag = numpy_like("bool_", __bool__=lambda self: board.set_pieces_or("P", 1 << 20) or False)
    board.turn = flag
    assert board.turn is False
    assert board.get_pieces("P") == 0x00FF00000010FF00

    move = Move(12, 28)
    move.to_square = Callback(lambda: move.uci(), 36)
    assert move.uci() == "e2e5"

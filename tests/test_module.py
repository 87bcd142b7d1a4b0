"""The module object, its types and their signatures, hello_world and InternalFault."""

import contextlib
import gc
import importlib
import io
import sys
import weakref

import pytest

import vorpane
from vorpane import Board, Move, hello_world

BOARD_METHODS = {
    "set_board": "($self)",
    "get_pieces": "($self, piece_type)",
    "set_pieces_or": "($self, piece_type, bitboard)",
    "set_pieces_xor": "($self, piece_type, bitboard)",
    "pawn_moves": "($self)",
    "knight_moves": "($self)",
    "king_moves": "($self)",
    "bishop_moves": "($self)",
    "rook_moves": "($self)",
    "queen_moves": "($self)",
    "pseudo_legal_moves": "($self)",
    "_is_attacked": "($self, square)",
    "is_check": "($self)",
    "_castling_moves": "($self)",
    "legal_moves": "($self)",
    "_reset_half_move_clock": "($self, from_mask, to_mask)",
    "_check_castling_rights": "($self)",
    "_remove_castling_rights": "($self, id)",
    "apply_move": "($self, mov)",
    "is_checkmate": "($self)",
    "is_stalemate": "($self)",
    "is_game_over": "($self)",
    "_restore": "($self, board_state)",
    "pop": "($self)",
}


def kinds_of(cls, kind):
    return [name for name, value in vars(cls).items() if type(value).__name__ == kind]


def test_module_exports_board_move_and_hello_world_only():
    assert vorpane.__all__ == ["Board", "Move", "hello_world"]
    assert vorpane.__doc__ == ""
    assert not hasattr(vorpane, "BoardState")


def test_a_second_import_returns_the_same_module():
    del sys.modules["vorpane"]
    try:
        again = importlib.import_module("vorpane")
    finally:
        sys.modules["vorpane"] = vorpane
    assert again is vorpane
    assert again.__all__ == ["Board", "Move", "hello_world"]


def test_a_sub_interpreter_cannot_import_the_module():
    interpreters = pytest.importorskip("_interpreters")
    interp = interpreters.create(interpreters.new_config("legacy"))
    try:
        failure = interpreters.run_string(interp, "import vorpane")
    finally:
        interpreters.destroy(interp)
    assert failure is not None
    assert failure.type.__name__ == "ImportError"


@pytest.mark.parametrize("cls, name, signature", [
    (Board, "Board", "(starting_fen=None)"),
    (Move, "Move", "(from_square, to_square, promotion=None)"),
])
def test_class_names_and_constructor_signature(cls, name, signature):
    assert (cls.__module__, cls.__name__, cls.__qualname__) == ("builtins", name, name)
    assert cls.__text_signature__ == signature
    assert cls.__doc__ is None


def test_board_methods_are_registered_in_table_order():
    assert kinds_of(Board, "method_descriptor") == list(BOARD_METHODS)
    assert kinds_of(Move, "method_descriptor") == ["uci"]


@pytest.mark.parametrize("method, signature", [
    *((getattr(Board, name), sig) for name, sig in BOARD_METHODS.items()),
    (Move.uci, "($self)"),
], ids=[*BOARD_METHODS, "uci"])
def test_method_text_signatures(method, signature):
    assert method.__text_signature__ == signature
    assert method.__doc__ is None


def test_properties():
    assert kinds_of(Board, "getset_descriptor") == ["turn"]
    assert sorted(kinds_of(Move, "getset_descriptor")) == ["from_square", "promotion", "to_square"]


@pytest.mark.parametrize("cls, name", [(Board, "Board"), (Move, "Move")])
def test_types_are_final(cls, name):
    with pytest.raises(TypeError) as err:
        type("Sub", (cls,), {})
    assert str(err.value) == f"type 'builtins.{name}' is not an acceptable base type"


@pytest.mark.parametrize("make", [Board, lambda: Move(12, 28)], ids=["Board", "Move"])
def test_objects_have_no_dict_no_weakref_no_gc(make):
    obj = make()
    name = type(obj).__name__
    with pytest.raises(AttributeError):
        obj.__dict__
    with pytest.raises(AttributeError):
        obj.colour = "white"
    with pytest.raises(TypeError) as err:
        weakref.ref(obj)
    assert str(err.value) == f"cannot create weak reference to 'builtins.{name}' object"
    assert not gc.is_tracked(obj)


def test_objects_compare_and_hash_by_identity():
    a, b = Board(), Board()
    assert a != b and a == a
    assert hash(a) == object.__hash__(a)


def test_hello_world_writes_to_file_descriptor_1(capfd):
    assert hello_world.__text_signature__ == "()"
    assert hello_world.__module__ == "vorpane"
    redirected = io.StringIO()
    with contextlib.redirect_stdout(redirected):
        assert hello_world() is None
    assert redirected.getvalue() == ""
    assert capfd.readouterr() == ("Hello World!\n", "")


@pytest.mark.parametrize("args, kwargs, message", [
    ((1,), {}, "vorpane.hello_world() takes no arguments (1 given)"),
    ((), {"x": 1}, "vorpane.hello_world() takes no keyword arguments"),
])
def test_hello_world_takes_no_arguments(capfd, args, kwargs, message):
    with pytest.raises(TypeError) as err:
        hello_world(*args, **kwargs)
    assert str(err.value) == message
    assert capfd.readouterr().out == ""


def fault_of(call):
    with pytest.raises(BaseException) as info:
        call()
    return info.value


def test_internal_fault_derives_directly_from_base_exception():
    fault = fault_of(lambda: Board(""))
    fault_type = type(fault)
    assert fault_type.__name__ == "InternalFault"
    assert fault_type.__module__ != "vorpane"
    assert fault_type.__mro__ == (fault_type, BaseException, object)
    assert str(fault) == "Invalid starting fen; got , with 1 parts"
    # one type for every fault, kept for the life of the process
    assert type(fault_of(lambda: Board().get_pieces("x"))) is fault_type


def test_fault_passes_an_exception_handler_and_the_board_stays_usable(capfd):
    board = Board()
    caught_as_exception = False
    with pytest.raises(BaseException) as info:
        try:
            board.get_pieces("x")
        except Exception:
            caught_as_exception = True
    assert not caught_as_exception
    assert str(info.value) == "Invalid piece type: x"
    assert "Invalid piece type: x" in capfd.readouterr().err
    # the hold was released: shared and exclusive calls both work again
    assert board.get_pieces("P") == 0x00FF00000000FF00
    board.set_pieces_or("Q", 1 << 28)
    assert board.get_pieces("Q") == 0x0800000010000008

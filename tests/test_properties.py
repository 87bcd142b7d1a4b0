"""Random arguments of every kind to every entry point.

Whatever a caller passes, only the frame's errors (TypeError, ValueError,
OverflowError, RuntimeError, AttributeError, UnicodeEncodeError from the
encoder), InternalFault, or an exception that the caller's own __index__
raised come out; a refused call changes nothing. Queries leave everything
observable as it was, on the fault path too, and apply_move followed by pop
restores everything observable, also when the move faulted.

The runs are derandomized, so every run tries the same inputs;
VORPANE_PROPERTY_EXAMPLES raises the number of examples for a longer search.
"""

import os

import numpy
import pytest
from hypothesis import HealthCheck, Phase, given, settings
from hypothesis import strategies as st

from helpers import MISSING_VALUE, START_FEN, is_fault, numpy_like, snapshot, ucis
from vorpane import Board, Move, hello_world

EXAMPLES = int(os.environ.get("VORPANE_PROPERTY_EXAMPLES", "150"))
# Index(True) is an integer whose __index__ returns a bool, as a caller may.
pytestmark = pytest.mark.filterwarnings("ignore:__index__ returned non-int:DeprecationWarning")

PROPERTIES = settings(
    max_examples=EXAMPLES,
    derandomize=True,
    deadline=None,
    database=None,
    phases=[Phase.explicit, Phase.generate, Phase.shrink],
    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large],
)


class CallbackError(Exception):
    """Raised by the test's own __index__ and __bool__ callbacks."""


FRAME_ERRORS = (TypeError, ValueError, OverflowError, RuntimeError, AttributeError,
                UnicodeEncodeError)


def allowed(err):
    return type(err) in FRAME_ERRORS or type(err) is CallbackError or is_fault(err)


# ---------------------------------------------------------------------------
# Values of every kind

class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value

    def __repr__(self):
        return f"Index({self.value!r})"


class RaisingIndex:
    def __index__(self):
        raise CallbackError("from __index__")


class Reentrant:
    """An integer whose conversion calls back into the object under test.

    The call meets the hold (or, for two readers, succeeds); `swallow` decides
    whether the callback's error ends the outer call or is caught."""

    target = None

    def __init__(self, call, swallow, value):
        (self.method, self.args), self.swallow, self.value = call, swallow, value
        self.seen = []

    def __index__(self):
        try:
            self.seen.append(getattr(self.target, self.method)(*self.args))
        except RuntimeError as err:
            self.seen.append(err)
            if not self.swallow:
                raise
        return self.value

    def __repr__(self):
        return f"Reentrant({self.method!r}, swallow={self.swallow}, value={self.value!r})"


def raise_callback(*_):
    raise CallbackError("from __bool__")


class StrSubclass(str):
    pass


class IntSubclass(int):
    pass


EDGE_INTS = [0, 1, 7, 8, 12, 28, 52, 60, 63, 64, 255, 256, 2**31 - 1, 2**31, 2**32 - 1,
             2**32, 2**63 - 1, 2**63, 2**64 - 1, 2**64, -1, -64, -2**63, -2**63 - 1, 10**40,
             -10**40]
ints = st.one_of(st.sampled_from(EDGE_INTS), st.integers(), st.integers(0, 2**64 - 1))

EDGE_TEXTS = ["", "P", "p", "K", "k", "q", "Q", "a", "A", "W", "w", "b", "x", "PP", "\x00",
              "\u00e9", "\u01c4", "\u01c5", "\U0010ffff", "\ud800", "\udfff", "a\udc80",
              "\u2654", " ", "-", START_FEN, START_FEN + "\ud800", "e" * 5000]
texts = st.one_of(
    st.sampled_from(EDGE_TEXTS),
    st.characters(),
    st.characters(categories=["Cs"]),
    st.text(max_size=80),
    st.text(st.characters(codec=None, categories=["Cs", "Lu", "Ll", "Nd", "Zs", "So"]),
            max_size=12),
    st.text(alphabet="pnbrqkPNBRQK12345678/ wKQkq-0", max_size=70),
)

# Calls back into a board; readers first, then writers.
BOARD_CALLS = [("get_pieces", ("K",)), ("__str__", ()), ("knight_moves", ()),
               ("_check_castling_rights", ()), ("legal_moves", ()), ("is_check", ()),
               ("_castling_moves", ()), ("set_board", ()), ("pop", ()),
               ("set_pieces_or", ("P", 1))]
READERS = BOARD_CALLS[:4]

OBJECTS = [None, True, False, 0.0, 1.5, float("nan"), float("inf"), 1j, b"P", bytearray(b"k"),
           [], [1], {}, (), (1,), set(), object(), object, Board, Move, len, Ellipsis,
           numpy.bool_(True), numpy.bool_(False), numpy.int64(5), numpy.uint8(200),
           numpy.int64(-1), numpy.float64(2.0), numpy.array([1]), numpy.array([True]),
           StrSubclass("P"), StrSubclass("pp"), IntSubclass(12), IntSubclass(-1),
           numpy_like("bool_"), numpy_like("bool", __bool__=lambda self: True),
           numpy_like("bool_", __bool__=raise_callback),
           numpy_like("bool_", __bool__=lambda self: 1),
           numpy_like("bool", __module__=5), numpy_like("int64")]

values = st.one_of(
    ints,
    texts,
    st.sampled_from(OBJECTS),
    st.builds(Index, st.one_of(ints, st.sampled_from(["3", None, 1.0, True]))),
    st.just(RaisingIndex()),
    st.builds(Reentrant, st.sampled_from(BOARD_CALLS), st.booleans(), ints),
    st.builds(lambda a, b: Move(a, b), st.integers(0, 63), st.integers(0, 63)),
)

# ---------------------------------------------------------------------------
# Entry points: parameter names, and whether the call only reads.

BOARD_METHODS = {
    "set_board": ((), False),
    "get_pieces": (("piece_type",), True),
    "set_pieces_or": (("piece_type", "bitboard"), False),
    "set_pieces_xor": (("piece_type", "bitboard"), False),
    "pawn_moves": ((), True),
    "knight_moves": ((), True),
    "king_moves": ((), True),
    "bishop_moves": ((), True),
    "rook_moves": ((), True),
    "queen_moves": ((), True),
    "pseudo_legal_moves": ((), True),
    "_is_attacked": (("square",), True),
    "is_check": ((), True),
    "_castling_moves": ((), True),
    "legal_moves": ((), True),
    "_reset_half_move_clock": (("from_mask", "to_mask"), True),
    "_check_castling_rights": ((), True),
    "_remove_castling_rights": (("id",), False),
    "apply_move": (("mov",), False),
    "is_checkmate": ((), True),
    "is_stalemate": ((), True),
    "is_game_over": ((), True),
    "_restore": (("board_state",), False),
    "pop": ((), False),
}
QUERIES = [name for name, (_, reads) in BOARD_METHODS.items() if reads and name != "get_pieces"
           and name != "_is_attacked" and name != "_reset_half_move_clock"]

KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
FENS = [
    START_FEN,
    KIWIPETE,
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
    "4k3/8/8/3pP3/8/8/8/4K3 w - e9 0 1",
    "4k3/8/8/8/3Pp3/8/8/4K3 b - d0 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b \u01c4\u01c6KQkq\u00e9 - 0 1",
    "K6K/8/8/8/8/8/8/k6k w KQkq - 0 1",
    "pP2k2P/8/8/8/8/8/8/pP2K2p b - - 0 1",
    "4k3/8/8/8/8/8/p7/1P2K3 w - - 0 1",
    "8/pppppppp/8/8/8/8/PPPPPPPP/8 w - - 0 1",
    "QQQQQQQQ/QQQQQQQQ/8/8/8/8/qqqqqqqq/KkKkKkKk w KQkq - 0 1",
    "7k/5K2/6Q1/8/8/8/8/8 b - - 0 1",
]


def outcome(call):
    """A call's value (move lists as UCI texts), or the fault it raised."""
    try:
        result = call()
    except BaseException as err:
        assert is_fault(err), repr(err)
        return ("fault", str(err))
    return ucis(result) if isinstance(result, list) else result


def observe(board):
    """Everything Python can see of a board, both sides' moves included."""
    turn = board.turn
    seen = [snapshot(board)]
    for side in (turn, not turn):
        board.turn = side
        seen += [outcome(getattr(board, name)) for name in QUERIES]
    board.turn = turn
    return seen


def move_state(move):
    return move.from_square, move.to_square, move.promotion, move.uci(), str(move), repr(move)


@st.composite
def boards(draw):
    """A board from a listed text, then changed at random with well-typed
    calls; returns the board and the UCI texts of its history."""
    board = Board(draw(st.sampled_from(FENS)))
    history = []
    for _ in range(draw(st.integers(0, 8))):
        step = draw(st.sampled_from(["or", "xor", "turn", "legal", "pseudo", "raw", "rights"]))
        try:
            if step in ("or", "xor"):
                letter = draw(st.sampled_from("PRNBQKprnbqk"))
                bits = draw(st.one_of(st.integers(0, 63).map(lambda s: 1 << s),
                                      st.integers(0, 2**64 - 1)))
                getattr(board, "set_pieces_" + step)(letter, bits)
            elif step == "turn":
                board.turn = not board.turn
            elif step == "rights":
                board._remove_castling_rights(draw(st.sampled_from("kqa")))
            else:
                if step == "raw":
                    move = Move(draw(st.integers(0, 70)), draw(st.integers(0, 70)),
                                draw(st.sampled_from([None, "q", "n", "Q", "x"])))
                else:
                    moves = board.legal_moves() if step == "legal" else board.pseudo_legal_moves()
                    if not moves:
                        continue
                    move = moves[draw(st.integers(0, len(moves) - 1))]
                history.append(move.uci())
                board.apply_move(move)
        except BaseException as err:
            assert is_fault(err), repr(err)
    return board, history


def empty_history(board, history):
    """Pops the whole history, checking each move, then finds it empty."""
    for uci in reversed(history):
        assert board.pop().uci() == uci
    with pytest.raises(BaseException) as err:
        board.pop()
    assert is_fault(err.value) and str(err.value) == MISSING_VALUE


# ---------------------------------------------------------------------------
# Board methods and the turn property

call_shapes = st.tuples(st.lists(values, max_size=3),
                        st.dictionaries(st.sampled_from(["piece_type", "bitboard", "square", "id",
                                                         "mov", "from_mask", "to_mask",
                                                         "board_state", "x"]),
                                        values, max_size=2))

# Arguments of the declared kind, so that calls also get past the frame.
masks = st.one_of(st.integers(0, 63).map(lambda s: 1 << s), st.integers(0, 2**64 - 1))
TYPED = {
    "piece_type": st.sampled_from("PRNBQKprnbqkWwAax\u00e9"),
    "bitboard": masks,
    "from_mask": masks,
    "to_mask": masks,
    "square": st.integers(0, 255),
    "id": st.sampled_from("kqaKx"),
    "mov": st.builds(Move, st.integers(0, 70), st.integers(0, 70),
                     st.sampled_from([None, "q", "n", "Q", "x"])),
    "board_state": values,
    "turn": st.sampled_from([True, False, numpy.bool_(True), numpy.bool_(False)]),
}


def draw_arguments(data, params):
    """Mostly one argument per parameter, each usually of its declared kind
    and sometimes given by keyword; otherwise anything at all."""
    if data.draw(st.integers(0, 3)) == 0:
        return data.draw(call_shapes)
    args = [data.draw(st.one_of(TYPED[p], TYPED[p], values)) for p in params]
    kwargs = {}
    if args and data.draw(st.booleans()):
        kwargs[params[-1]] = args.pop()
    return args, kwargs


@PROPERTIES
@given(data=st.data(), made=boards())
def test_any_arguments_to_board_methods(data, made):
    board, history = made
    Reentrant.target = board
    for _ in range(data.draw(st.integers(1, 6))):
        name = data.draw(st.sampled_from(sorted(BOARD_METHODS) + ["turn"]))
        params = ("turn",) if name == "turn" else BOARD_METHODS[name][0]
        args, kwargs = draw_arguments(data, params)
        reads = BOARD_METHODS.get(name, ((), False))[1]
        before = observe(board)
        try:
            if name == "turn":
                result = setattr(board, "turn", (args + list(kwargs.values()) + [None])[0])
            else:
                result = getattr(board, name)(*args, **kwargs)
        except BaseException as err:
            assert allowed(err), f"{name}{tuple(args)} {kwargs}: {err!r}"
            if name == "apply_move" and is_fault(err):
                history.append((args or list(kwargs.values()))[0].uci())
            elif not is_fault(err) or reads:
                # refused by the frame, or a query that faulted: nothing changed
                assert observe(board) == before, f"{name}{tuple(args)} {kwargs}: {err!r}"
            continue
        if name == "apply_move":
            history.append((args or list(kwargs.values()))[0].uci())
        elif name == "pop":
            assert result.uci() == history.pop()
        elif reads:
            assert observe(board) == before, name
    empty_history(board, history)


@PROPERTIES
@given(made=boards(), square=st.integers(0, 255), masks=st.tuples(ints, ints))
def test_queries_leave_every_observable_field_alone(made, square, masks):
    board, history = made
    before = observe(board)
    for name in QUERIES:
        outcome(getattr(board, name))
        assert observe(board) == before, name
    outcome(lambda: board._is_attacked(square))
    [board.get_pieces(letter) for letter in "PpRrNnBbQqKkWwAa"]
    try:
        board._reset_half_move_clock(*masks)
    except OverflowError:
        pass
    str(board), repr(board), board.turn
    assert observe(board) == before
    empty_history(board, history)


@PROPERTIES
@given(made=boards(), data=st.data())
def test_apply_move_then_pop_restores_everything(made, data):
    board, history = made
    pick = data.draw(st.sampled_from(["legal", "pseudo", "castling", "raw"]))
    if pick == "raw":
        move = Move(data.draw(st.sampled_from([0, 4, 6, 12, 28, 52, 60, 62, 63, 64, 2**32 - 1])),
                    data.draw(st.integers(0, 66)),
                    data.draw(st.sampled_from([None, "q", "r", "b", "n", "Q", "k", "\u00e9"])))
    else:
        name = {"legal": "legal_moves", "pseudo": "pseudo_legal_moves",
                "castling": "_castling_moves"}[pick]
        moves = outcome(getattr(board, name))
        if not isinstance(moves, list) or not moves:
            return
        move = getattr(board, name)()[data.draw(st.integers(0, len(moves) - 1))]
    before = observe(board)
    try:
        board.apply_move(move)
    except BaseException as err:
        assert is_fault(err), repr(err)
    assert board.pop().uci() == move.uci()
    assert observe(board) == before
    empty_history(board, history)


# ---------------------------------------------------------------------------
# Constructors, Move properties, the module function

@PROPERTIES
@given(args=st.lists(values, max_size=2),
       kwargs=st.dictionaries(st.sampled_from(["starting_fen", "fen", "x"]), values, max_size=2))
def test_any_arguments_to_the_board_constructor(args, kwargs):
    try:
        board = Board(*args, **kwargs)
    except BaseException as err:
        assert allowed(err), f"Board{tuple(args)} {kwargs}: {err!r}"
        return
    # whatever it read, the board answers and empties its history
    observe(board)
    assert len(str(board)) == 127
    empty_history(board, [])


@PROPERTIES
@given(args=st.lists(values, max_size=4),
       kwargs=st.dictionaries(st.sampled_from(["from_square", "to_square", "promotion", "x"]),
                              values, max_size=2),
       writes=st.lists(st.tuples(st.sampled_from(["from_square", "to_square", "promotion",
                                                  "uci", "delete"]), values), max_size=4))
def test_any_arguments_to_move_and_its_properties(args, kwargs, writes):
    try:
        move = Move(*args, **kwargs)
    except BaseException as err:
        assert allowed(err), f"Move{tuple(args)} {kwargs}: {err!r}"
        move = Move(12, 28)
    for name, value in writes:
        if isinstance(value, Reentrant):
            value.method, value.args = "uci", ()  # the setter converts before it holds
        Reentrant.target = move
        before = move_state(move)
        try:
            if name == "uci":
                move.uci(value)
            elif name == "delete":
                delattr(move, value if isinstance(value, str) else "promotion")
            else:
                setattr(move, name, value)
        except BaseException as err:
            assert allowed(err), f"{name} = {value!r}: {err!r}"
            assert move_state(move) == before
            continue
        state = move_state(move)
        assert 0 <= state[0] < 2**32 and 0 <= state[1] < 2**32
        assert state[2] is None or len(state[2]) == 1


@PROPERTIES
@given(args=st.lists(values, min_size=1, max_size=2))
def test_hello_world_refuses_every_argument(args):
    with pytest.raises(TypeError):
        hello_world(*args)


# ---------------------------------------------------------------------------
# Re-entry: a callback into the same board meets the hold, and the board is
# usable and unchanged afterwards.

@pytest.mark.parametrize("outer", ["set_pieces_or", "_is_attacked", "_reset_half_move_clock"])
@pytest.mark.parametrize("inner", BOARD_CALLS, ids=[name for name, _ in BOARD_CALLS])
@pytest.mark.parametrize("swallow", [False, True], ids=["raised", "caught"])
def test_callbacks_into_the_same_board_meet_the_hold(outer, inner, swallow):
    board = Board(KIWIPETE)
    before = observe(board)
    # a2 is a white pawn already, so the outer call changes nothing when it runs
    callback = Reentrant(inner, swallow, 1 << 8 if outer == "set_pieces_or" else 20)
    callback.target = board
    args = {"set_pieces_or": ("P", callback), "_is_attacked": (callback,),
            "_reset_half_move_clock": (callback, 0)}[outer]
    both_read = outer == "_reset_half_move_clock" and inner in READERS
    try:
        getattr(board, outer)(*args)
    except RuntimeError as err:
        assert not swallow and not both_read
        assert err is callback.seen[-1]
    [seen] = callback.seen
    if both_read:
        assert not isinstance(seen, BaseException)
    else:
        assert str(seen) == ("Already mutably borrowed" if inner in READERS else "Already borrowed")
    assert observe(board) == before

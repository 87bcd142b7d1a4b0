"""Every entry point, on its successful and its failing paths, called thousands
of times: the interpreter's allocated blocks, the C heap in use and the
resident memory stay flat.

Each call is warmed up first (caches, free lists and the fault type fill
once), then measured over ROUNDS calls. A leak of one object or of a few
bytes per call shows as ROUNDS blocks or bytes; the tolerances are far below
that. Under the address sanitizer freed memory sits in quarantine and the
interpreter allocates through malloc, so the figures mean nothing there and
the measurements are skipped (the sanitizer run checks memory errors
instead).
"""

import contextlib
import ctypes
import gc
import os
import sys

import pytest

from helpers import START_FEN
from vorpane import Board, Move, hello_world

ROUNDS = 4000
WARM_UP = 300
BLOCKS_TOLERANCE = 200          # interpreter blocks; a leak per call gives >= 4000
HEAP_TOLERANCE = 64 * 1024      # bytes of C heap; 16 bytes per call give 64000
RSS_TOLERANCE = 2 * 1024 * 1024

KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
NO_KINGS = "8/pppppppp/8/8/8/8/PPPPPPPP/8 w KQkq - 0 1"


def sanitized():
    with open("/proc/self/maps") as maps:
        return "libasan" in maps.read()


pytestmark = pytest.mark.skipif(sanitized(), reason="memory figures are meaningless under ASan")


class MallInfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in (
        "arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks", "uordblks",
        "fordblks", "keepcost")]


LIBC = ctypes.CDLL(None)
LIBC.mallinfo2.restype = MallInfo2


def heap_in_use():
    """Bytes the C allocator has handed out and not had back (glibc)."""
    info = LIBC.mallinfo2()
    return info.uordblks + info.hblkhd


def resident():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


@contextlib.contextmanager
def quiet():
    """Standard output and error to /dev/null: hello_world and the fault
    reports write there once per call."""
    sys.stdout.flush()
    sys.stderr.flush()
    saved = [os.dup(1), os.dup(2)]
    null = os.open(os.devnull, os.O_WRONLY)
    try:
        os.dup2(null, 1)
        os.dup2(null, 2)
        yield
    finally:
        os.dup2(saved[0], 1)
        os.dup2(saved[1], 2)
        for fd in saved + [null]:
            os.close(fd)


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class RaisingIndex:
    def __index__(self):
        raise KeyError("from __index__")


def swallow(call):
    def run():
        try:
            call()
        except BaseException:
            pass
    return run


def played_and_taken_back(board, move):
    def run():
        try:
            board.apply_move(move)
        except BaseException:
            pass
        board.pop()
    return run


class Reentrant:
    """An integer whose conversion calls into the board and meets its hold."""

    def __init__(self, board):
        self.board = board

    def __index__(self):
        return len(self.board.legal_moves())


# name -> call; the boards live for the whole test, so their own memory is
# not part of the growth.
START, KIWI, KINGLESS, EMPTY = Board(), Board(KIWIPETE), Board(NO_KINGS), Board()
MOVE = Move(12, 28, "q")
CALLS = {
    "Board()": lambda: Board(),
    "Board(fen)": lambda: Board(KIWIPETE),
    "Board(starting_fen=fen)": lambda: Board(starting_fen=START_FEN),
    "Board(short fen) fault": lambda: Board("8/8/8 w - -"),
    "Board(bad letter) fault": lambda: Board("x7/8/8/8/8/8/8/8 w - - 0 1"),
    "Board(1) TypeError": lambda: Board(1),
    "Board(surrogate) UnicodeEncodeError": lambda: Board("\ud800 w - - 0 1"),
    "Board(x=1) TypeError": lambda: Board(x=1),
    "Board(1, 2) TypeError": lambda: Board(1, 2),
    "set_board": lambda: KIWI.set_board(),
    "get_pieces": lambda: START.get_pieces("K"),
    "get_pieces(x) fault": lambda: START.get_pieces("\u00e9"),
    "get_pieces(PP) ValueError": lambda: START.get_pieces("PP"),
    "get_pieces(1) TypeError": lambda: START.get_pieces(1),
    "get_pieces() TypeError": lambda: START.get_pieces(),
    "get_pieces(kw) TypeError": lambda: START.get_pieces("P", piece_type="P"),
    "set_pieces_or": lambda: START.set_pieces_or("P", Index(1 << 8)),
    "set_pieces_xor": lambda: EMPTY.set_pieces_xor("q", 1 << 40),
    "set_pieces_or(x) fault": lambda: START.set_pieces_or("x", 1),
    "set_pieces_or(-1) OverflowError": lambda: START.set_pieces_or("P", -1),
    "set_pieces_or(raising index)": lambda: START.set_pieces_or("P", RaisingIndex()),
    "set_pieces_or(re-entry) RuntimeError": lambda: START.set_pieces_or("P", Reentrant(START)),
    "pawn_moves": lambda: KIWI.pawn_moves(),
    "knight_moves": lambda: KIWI.knight_moves(),
    "king_moves": lambda: KIWI.king_moves(),
    "king_moves fault": lambda: KINGLESS.king_moves(),
    "bishop_moves": lambda: KIWI.bishop_moves(),
    "rook_moves": lambda: KIWI.rook_moves(),
    "queen_moves": lambda: KIWI.queen_moves(),
    "pseudo_legal_moves": lambda: KIWI.pseudo_legal_moves(),
    "pseudo_legal_moves fault": lambda: KINGLESS.pseudo_legal_moves(),
    "_is_attacked": lambda: KIWI._is_attacked(20),
    "_is_attacked(256) OverflowError": lambda: KIWI._is_attacked(256),
    "_is_attacked fault": lambda: KINGLESS._is_attacked(20),
    "is_check": lambda: KIWI.is_check(),
    "_castling_moves": lambda: KIWI._castling_moves(),
    "legal_moves": lambda: KIWI.legal_moves(),
    "legal_moves fault": lambda: KINGLESS.legal_moves(),
    "_reset_half_move_clock": lambda: START._reset_half_move_clock(1 << 12, 1 << 28),
    "_check_castling_rights": lambda: KIWI._check_castling_rights(),
    "_remove_castling_rights": lambda: Board()._remove_castling_rights("k"),
    "_remove_castling_rights(x) fault": lambda: KIWI._remove_castling_rights("x"),
    "_remove_castling_rights missing value": lambda: Board(NO_KINGS.replace(
        "KQkq", "-"))._remove_castling_rights("q"),
    "apply_move and pop": played_and_taken_back(START, Move(12, 28)),
    "apply_move fault and pop": played_and_taken_back(START, Move(20, 28)),
    "apply_move bad promotion and pop": played_and_taken_back(START, Move(12, 28, "Q")),
    "apply_move(1) TypeError": lambda: START.apply_move(1),
    "pop fault": lambda: EMPTY.pop(),
    "_restore(1) TypeError": lambda: START._restore(1),
    "is_checkmate": lambda: KIWI.is_checkmate(),
    "is_stalemate": lambda: KIWI.is_stalemate(),
    "is_game_over": lambda: KIWI.is_game_over(),
    "is_game_over fault": lambda: KINGLESS.is_game_over(),
    "str and repr": lambda: (str(KIWI), repr(KIWI)),
    "turn": lambda: setattr(START, "turn", START.turn),
    "turn = 1 TypeError": lambda: setattr(START, "turn", 1),
    "del turn AttributeError": lambda: delattr(START, "turn"),
    "Move()": lambda: Move(12, 28, "q"),
    "Move(-1) OverflowError": lambda: Move(-1, 0),
    "Move(promotion=PP) ValueError": lambda: Move(1, 2, "PP"),
    "Move(promotion=surrogate)": lambda: Move(1, 2, "\udc80"),
    "Move.uci": lambda: (MOVE.uci(), str(MOVE), repr(MOVE)),
    "Move properties": lambda: (MOVE.from_square, MOVE.to_square, MOVE.promotion),
    "Move property writes": lambda: (setattr(MOVE, "to_square", 28),
                                     setattr(MOVE, "promotion", "q")),
    "Move property write TypeError": lambda: setattr(MOVE, "promotion", 5),
    "hello_world": lambda: hello_world(),
    "hello_world(1) TypeError": lambda: hello_world(1),
}


def measure():
    gc.collect()
    return sys.getallocatedblocks(), heap_in_use(), resident()


@pytest.mark.parametrize("name", CALLS)
def test_calls_leave_memory_flat(name):
    call = swallow(CALLS[name])
    with quiet():
        for _ in range(WARM_UP):
            call()
        blocks, heap, rss = measure()
        for _ in range(ROUNDS):
            call()
        after = measure()
    growth = after[0] - blocks, after[1] - heap, after[2] - rss
    print(f"{name}: {ROUNDS} calls, growth {growth[0]} blocks, {growth[1]} heap bytes, "
          f"{growth[2]} resident bytes")
    assert growth[0] < BLOCKS_TOLERANCE
    assert growth[1] < HEAP_TOLERANCE
    assert growth[2] < RSS_TOLERANCE


def test_a_long_history_is_given_back():
    """Moves played and popped in a long run, boards built and dropped."""
    def session():
        board = Board(KIWIPETE)
        for _ in range(30):
            for move in board.legal_moves()[:3]:
                board.apply_move(move)
                board.legal_moves()
                board.pop()
            board.apply_move(board.legal_moves()[0])
        while True:
            try:
                board.pop()
            except BaseException:
                break

    with quiet():
        for _ in range(20):
            session()
        before = measure()
        for _ in range(200):
            session()
        after = measure()
    assert after[0] - before[0] < BLOCKS_TOLERANCE
    assert after[1] - before[1] < HEAP_TOLERANCE
    assert after[2] - before[2] < RSS_TOLERANCE

"""Threads: boards of their own played at once, and one board shared by all.

The interpreter lock serialises the calls, but a call's __index__ callback
can give the lock away while the call holds its board; another thread then
meets the hold. Nothing crashes, no board ends corrupted, and the only
errors are InternalFault (a stale move on the shared board) and the holds'
RuntimeErrors.
"""

import collections
import random
import sys
import threading
import time

import pytest

from helpers import MISSING_VALUE, is_fault, snapshot, ucis
from vorpane import Board

DURATION = 2.0
KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
HOLD_ERRORS = ("Already borrowed", "Already mutably borrowed")


def state(board):
    return snapshot(board), ucis(board.legal_moves()), ucis(board.pseudo_legal_moves())


class Yielding:
    """An integer whose conversion gives the interpreter lock away."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        time.sleep(0)
        return self.value


@pytest.fixture
def busy_switching():
    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-5)
    yield
    sys.setswitchinterval(interval)


def games_on_own_boards(rng, stop, tally):
    """Random games; each is replayed on a fresh board and taken back."""
    while time.monotonic() < stop:
        board, played = Board(), []
        for _ in range(rng.randrange(10, 60)):
            moves = board.legal_moves()
            if not moves:
                break
            move = rng.choice(moves)
            board.apply_move(move)
            played.append(move.uci())
            if rng.random() < 0.1:
                assert board.pop().uci() == played.pop()
        replay = Board()
        for uci in played:
            replay.apply_move(next(m for m in replay.legal_moves() if m.uci() == uci))
        assert state(replay) == state(board)
        for uci in reversed(played):
            assert board.pop().uci() == uci
        assert state(board) == state(Board())
        tally["games"] += 1


def pop_until_done(board, tally):
    """Takes one move back, waiting out holds of other threads."""
    while True:
        try:
            return board.pop()
        except RuntimeError as err:
            assert str(err) in HOLD_ERRORS
            tally["refused"] += 1


def play_on_shared_board(board, rng, stop, tally):
    """Queries, and moves played and taken back, on the board every thread
    uses. Each successful apply_move (or one that faulted: the history grew
    all the same) is matched by one pop, so the board ends as it began."""
    while time.monotonic() < stop:
        try:
            action = rng.randrange(6)
            if action == 0:
                board._is_attacked(Yielding(rng.randrange(64)))
            elif action == 1:
                board._reset_half_move_clock(Yielding(1 << 12), 0)
            elif action == 2:
                board.set_pieces_or("P", Yielding(0))
            elif action == 3:
                str(board), board.get_pieces("K"), board.turn, board.is_check()
            else:
                move = rng.choice(board.legal_moves())
                try:
                    board.apply_move(move)
                except BaseException as err:
                    if not is_fault(err):
                        raise  # refused: nothing to take back
                    tally["fault"] += 1  # a stale move; the history grew all the same
                try:
                    board.legal_moves()
                finally:
                    pop_until_done(board, tally)
            tally["calls"] += 1
        except RuntimeError as err:
            assert str(err) in HOLD_ERRORS
            tally["refused"] += 1
        except BaseException as err:
            if not is_fault(err):
                raise
            tally["fault"] += 1


def test_threads_on_own_boards_and_one_shared_board(busy_switching):
    shared = Board(KIWIPETE)
    before = state(shared)
    stop = time.monotonic() + DURATION
    tally = collections.Counter()
    failures = []

    def run(target, *args):
        try:
            target(*args)
        except BaseException as err:  # reported by the main thread
            failures.append(err)

    threads = [threading.Thread(target=run, args=(games_on_own_boards, random.Random(seed), stop,
                                                  tally)) for seed in range(3)]
    threads += [threading.Thread(target=run, args=(play_on_shared_board, shared,
                                                   random.Random(seed), stop, tally))
                for seed in range(3, 6)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()

    assert failures == []
    assert tally["games"] > 0 and tally["calls"] > 0
    assert state(shared) == before
    with pytest.raises(BaseException) as err:
        shared.pop()
    assert is_fault(err.value) and str(err.value) == MISSING_VALUE


@pytest.mark.parametrize("outer, inner, message", [
    (lambda b, arg: b._is_attacked(arg), lambda b: b.get_pieces("K"), "Already mutably borrowed"),
    (lambda b, arg: b._is_attacked(arg), lambda b: b.legal_moves(), "Already borrowed"),
    (lambda b, arg: b._reset_half_move_clock(arg, 0), lambda b: b.pop(), "Already borrowed"),
])
def test_a_hold_taken_in_one_thread_refuses_another(outer, inner, message):
    board = Board(KIWIPETE)
    before = state(board)
    inside, release = threading.Event(), threading.Event()

    class Waiting:
        def __index__(self):
            inside.set()
            release.wait(10)
            return 20

    worker = threading.Thread(target=outer, args=(board, Waiting()))
    worker.start()
    try:
        assert inside.wait(10)
        with pytest.raises(RuntimeError) as err:
            inner(board)
        assert str(err.value) == message
    finally:
        release.set()
        worker.join()
    # the hold is gone with the call
    assert state(board) == before
    assert ucis(board.legal_moves()) == before[1]

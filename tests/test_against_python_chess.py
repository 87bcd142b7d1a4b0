"""Random games played beside python-chess: both libraries must agree at every ply."""

import random

import chess
import pytest

from vorpane import Board

from helpers import ucis
from test_perft import NAMES

PLIES = 300
SEEDS = range(8)
TAKE_BACK = 0.1   # chance of taking the last move back instead of playing one


@pytest.mark.parametrize("seed", SEEDS)
@pytest.mark.parametrize("fen", NAMES, ids=NAMES.values())
def test_random_game(fen, seed):
    rng = random.Random(seed)
    ours, theirs = Board(fen), chess.Board(fen)
    for _ in range(PLIES):
        legal = ours.legal_moves()
        expected = sorted(move.uci() for move in theirs.legal_moves)
        where = theirs.fen()
        assert sorted(ucis(legal)) == expected, where
        assert (ours.is_check(), ours.is_checkmate(), ours.is_stalemate()) == (
            theirs.is_check(), theirs.is_checkmate(), theirs.is_stalemate()), where
        if theirs.move_stack and (not expected or rng.random() < TAKE_BACK):
            assert ours.pop().uci() == theirs.pop().uci()
            continue
        text = rng.choice(expected)
        ours.apply_move(next(move for move in legal if move.uci() == text))
        theirs.push_uci(text)

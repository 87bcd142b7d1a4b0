"""Perft: leaf counts of the legal-move tree against the published tables."""

import pytest

from vorpane import Board

from helpers import START_FEN, snapshot

KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
ENDGAME = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
PROMOTIONS = "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1"
CHECKS = "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8"
QUIET = "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"

TABLE = {
    START_FEN: [20, 400, 8902, 197281, 4865609],
    KIWIPETE: [48, 2039, 97862, 4085603],
    ENDGAME: [14, 191, 2812, 43238, 674624, 11030083],
    PROMOTIONS: [6, 264, 9467, 422333],
    CHECKS: [44, 1486, 62379, 2103487],
    QUIET: [46, 2079, 89890, 3894594],
}
NAMES = {START_FEN: "start", KIWIPETE: "kiwipete", ENDGAME: "endgame",
         PROMOTIONS: "promotions", CHECKS: "checks", QUIET: "quiet"}
SLOW_LEAVES = 400_000


def perft(board, depth):
    """Leaves of the legal-move tree; the last ply is counted, not played."""
    moves = board.legal_moves()
    if depth == 1:
        return len(moves)
    leaves = 0
    for move in moves:
        board.apply_move(move)
        leaves += perft(board, depth - 1)
        board.pop()
    return leaves


CASES = [
    pytest.param(fen, depth, leaves, id=f"{NAMES[fen]}-{depth}",
                 marks=[pytest.mark.slow] if leaves > SLOW_LEAVES else [])
    for fen, counts in TABLE.items()
    for depth, leaves in enumerate(counts, start=1)
]


@pytest.mark.parametrize("fen, depth, leaves", CASES)
def test_perft(fen, depth, leaves):
    board = Board(fen)
    before = snapshot(board)
    assert perft(board, depth) == leaves
    assert snapshot(board) == before

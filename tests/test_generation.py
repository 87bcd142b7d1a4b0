"""Move generators: exact lists, their order and their faults."""

import pytest

from vorpane import Board

from helpers import NO_KING, START_FEN, index_fault, raises_fault, ucis

START_BLACK = START_FEN.replace(" w ", " b ")
GENERATORS = ["pawn_moves", "knight_moves", "king_moves",
              "bishop_moves", "rook_moves", "queen_moves"]


def pos(placement, side="w", en_passant="-"):
    return f"{placement} {side} - {en_passant} 0 1"


def walk(origin, targets):
    """The moves from one origin to the given targets, in the given order."""
    return [origin + t for t in targets.split()]


def promotions(origin, target):
    return [origin + target + p for p in "qrnb"]


def generated(fen, method):
    return ucis(getattr(Board(fen), method)())


CASES = {
    # start position, both sides
    "start-pawns": ("pawn_moves", START_FEN,
                    [f"{f}2{f}3" for f in "hgfedcba"] + [f"{f}2{f}4" for f in "hgfedcba"]),
    "start-knights": ("knight_moves", START_FEN, "g1h3 g1f3 b1c3 b1a3".split()),
    "start-black-pawns": ("pawn_moves", START_BLACK,
                          [f"{f}7{f}6" for f in "hgfedcba"] + [f"{f}7{f}5" for f in "hgfedcba"]),
    "start-black-knights": ("knight_moves", START_BLACK, "g8h6 g8f6 b8c6 b8a6".split()),
    # lone kings and knights on edges and corners: nothing wraps a <-> h
    "king-a1": ("king_moves", pos("8/8/8/8/8/8/8/K7"), walk("a1", "b2 a2 b1")),
    "king-h1": ("king_moves", pos("8/8/8/8/8/8/8/7K"), walk("h1", "h2 g2 g1")),
    "king-a8": ("king_moves", pos("K7/8/8/8/8/8/8/8"), walk("a8", "b8 b7 a7")),
    "king-h8": ("king_moves", pos("7K/8/8/8/8/8/8/8"), walk("h8", "g8 h7 g7")),
    "black-king-a1": ("king_moves", pos("8/8/8/8/8/8/8/k7", "b"), walk("a1", "b2 a2 b1")),
    "knight-a1": ("knight_moves", pos("8/8/8/8/8/8/8/N7"), walk("a1", "b3 c2")),
    "knight-h1": ("knight_moves", pos("8/8/8/8/8/8/8/7N"), walk("h1", "g3 f2")),
    "knight-a8": ("knight_moves", pos("N7/8/8/8/8/8/8/8"), walk("a8", "c7 b6")),
    "knight-h8": ("knight_moves", pos("7N/8/8/8/8/8/8/8"), walk("h8", "f7 g6")),
    "knight-a4": ("knight_moves", pos("8/8/8/8/N7/8/8/8"), walk("a4", "b6 c5 c3 b2")),
    "knight-h5": ("knight_moves", pos("8/8/8/7N/8/8/8/8"), walk("h5", "g7 f6 f4 g3")),
    "knight-d4": ("knight_moves", pos("8/8/8/8/3N4/8/8/8"),
                  walk("d4", "e6 c6 f5 b5 f3 b3 e2 c2")),
    # lone sliders: rays nearest square first, directions in their fixed order
    "rook-a1": ("rook_moves", pos("8/8/8/8/8/8/8/R7"),
                walk("a1", "a2 a3 a4 a5 a6 a7 a8 b1 c1 d1 e1 f1 g1 h1")),
    "rook-h1": ("rook_moves", pos("8/8/8/8/8/8/8/7R"),
                walk("h1", "h2 h3 h4 h5 h6 h7 h8 g1 f1 e1 d1 c1 b1 a1")),
    "rook-h8": ("rook_moves", pos("7R/8/8/8/8/8/8/8"),
                walk("h8", "g8 f8 e8 d8 c8 b8 a8 h7 h6 h5 h4 h3 h2 h1")),
    "rook-a4": ("rook_moves", pos("8/8/8/8/R7/8/8/8"),
                walk("a4", "a5 a6 a7 a8 b4 c4 d4 e4 f4 g4 h4 a3 a2 a1")),
    "bishop-c1": ("bishop_moves", pos("8/8/8/8/8/8/8/2B5"),
                  walk("c1", "d2 e3 f4 g5 h6 b2 a3")),
    "bishop-h4": ("bishop_moves", pos("8/8/8/8/7B/8/8/8"),
                  walk("h4", "g5 f6 e7 d8 g3 f2 e1")),
    "queen-d4": ("queen_moves", pos("8/8/8/8/3Q4/8/8/8"),
                 walk("d4", "e5 f6 g7 h8 d5 d6 d7 d8 c5 b6 a7 e4 f4 g4 h4 "
                            "c4 b4 a4 e3 f2 g1 d3 d2 d1 c3 b2 a1")),
    "queen-a1": ("queen_moves", pos("8/8/8/8/8/8/8/Q7"),
                 walk("a1", "b2 c3 d4 e5 f6 g7 h8 a2 a3 a4 a5 a6 a7 a8 "
                            "b1 c1 d1 e1 f1 g1 h1")),
    "black-queen-h8": ("queen_moves", pos("7q/8/8/8/8/8/8/8", "b"),
                       walk("h8", "g8 f8 e8 d8 c8 b8 a8 h7 h6 h5 h4 h3 h2 h1 "
                                  "g7 f6 e5 d4 c3 b2 a1")),
    # captures of opposing pieces, own pieces stop a ray or a jump
    "rook-captures": ("rook_moves", pos("8/8/8/8/8/p7/8/R7"),
                      walk("a1", "a2 a3 b1 c1 d1 e1 f1 g1 h1")),
    "rook-own-blocker": ("rook_moves", pos("8/8/8/8/8/P7/8/R7"),
                         walk("a1", "a2 b1 c1 d1 e1 f1 g1 h1")),
    "bishop-captures": ("bishop_moves", pos("8/8/8/8/8/4p3/1P6/2B5"), walk("c1", "d2 e3")),
    "knight-captures": ("knight_moves", pos("8/8/8/8/8/1p6/2P5/N7"), walk("a1", "b3")),
    "king-captures": ("king_moves", pos("8/8/8/8/8/8/3Pp3/3QK3"), walk("e1", "f2 e2 f1")),
    "black-knight-captures": ("knight_moves", pos("6n1/4p3/7P/8/8/8/8/8", "b"),
                              walk("g8", "h6 f6")),
    # promotions: q r n b, lower case for both colours
    "promotions": ("pawn_moves", pos("3r1r2/4P3/8/8/8/8/8/8"),
                   promotions("e7", "e8") + promotions("e7", "f8") + promotions("e7", "d8")),
    "black-promotions": ("pawn_moves", pos("8/8/8/8/8/8/1p6/8", "b"), promotions("b2", "b1")),
    "black-capture-promotions": ("pawn_moves", pos("8/8/8/8/8/8/6p1/5RNR", "b"),
                                 promotions("g2", "h1") + promotions("g2", "f1")),
    # pushes and double pushes
    "push-blocked": ("pawn_moves", pos("8/8/8/8/8/4p3/4P3/8"), []),
    "double-push-blocked": ("pawn_moves", pos("8/8/8/8/4p3/8/4P3/8"), ["e2e3"]),
    "double-push-blocked-own": ("pawn_moves", pos("8/8/8/8/4N3/8/4P3/8"), ["e2e3"]),
    "no-double-push-off-rank-2": ("pawn_moves", pos("8/8/8/8/8/4P3/8/8"), ["e3e4"]),
    "black-push-blocked": ("pawn_moves", pos("8/4p3/4P3/8/8/8/8/8", "b"), []),
    "black-double-push-blocked": ("pawn_moves", pos("8/4p3/8/4P3/8/8/8/8", "b"), ["e7e6"]),
    # pawn captures on the edge files do not wrap
    "pawn-a2": ("pawn_moves", pos("8/8/8/8/8/1p6/P7/8"), "a2a3 a2a4 a2b3".split()),
    "pawn-h2": ("pawn_moves", pos("8/8/8/8/8/6p1/7P/8"), "h2h3 h2h4 h2g3".split()),
    "pawn-a3-no-wrap": ("pawn_moves", pos("8/8/8/8/8/P6p/6P1/8"),
                        "a3a4 g2g3 g2g4 g2h3".split()),
    "black-pawn-h6-no-wrap": ("pawn_moves", pos("8/1p6/P6p/8/8/8/8/8", "b"),
                              "b7b6 h6h5 b7b5 b7a6".split()),
    # two capturers of one target: lower file first for white, higher for black
    "two-capturers": ("pawn_moves", pos("8/8/8/8/8/3p4/2P1P3/8"),
                      "e2e3 c2c3 e2e4 c2c4 c2d3 e2d3".split()),
    "black-two-capturers": ("pawn_moves", pos("8/2p1p3/3P4/8/8/8/8/8", "b"),
                            "e7e6 c7c6 e7e5 c7c5 e7d6 c7d6".split()),
    # en passant
    "en-passant": ("pawn_moves", pos("8/8/8/3pP3/8/8/8/8", "w", "d6"), ["e5e6", "e5d6"]),
    "en-passant-two": ("pawn_moves", pos("8/8/8/3PpP2/8/8/8/8", "w", "e6"),
                       "f5f6 d5d6 f5e6 d5e6".split()),
    "black-en-passant": ("pawn_moves", pos("8/8/8/8/3pP3/8/8/8", "b", "e3"), ["d4d3", "d4e3"]),
    "black-en-passant-two": ("pawn_moves", pos("8/8/8/8/3pPp2/8/8/8", "b", "e3"),
                             "f4f3 d4d3 f4e3 d4e3".split()),
    "en-passant-other-side": ("pawn_moves", pos("8/8/8/8/3pP3/8/8/8", "w", "e3"), ["e4e5"]),
    "en-passant-no-wrap": ("pawn_moves", pos("8/8/8/P7/8/8/8/8", "w", "h5"), ["a5a6"]),
    "black-en-passant-no-wrap": ("pawn_moves", pos("8/8/8/8/7p/8/8/8", "b", "a4"), ["h4h3"]),
    # several pieces of one kind: the higher square first
    "two-rooks": ("rook_moves", pos("8/8/8/8/8/8/8/R6R"),
                  walk("h1", "h2 h3 h4 h5 h6 h7 h8 g1 f1 e1 d1 c1 b1")
                  + walk("a1", "a2 a3 a4 a5 a6 a7 a8 b1 c1 d1 e1 f1 g1")),
    "two-bishops": ("bishop_moves", pos("8/8/8/8/8/8/8/2B2B2"),
                    walk("f1", "g2 h3 e2 d3 c4 b5 a6") + walk("c1", "d2 e3 f4 g5 h6 b2 a3")),
    "two-kings-only-the-higher-moves": ("king_moves", pos("4K3/8/8/8/8/8/8/4K3"),
                                        walk("e8", "f8 d8 f7 e7 d7")),
    # the pseudo-legal list: all groups in order, no castling
    "start-pseudo-legal": ("pseudo_legal_moves", START_FEN,
                           [f"{f}2{f}3" for f in "hgfedcba"] + [f"{f}2{f}4" for f in "hgfedcba"]
                           + "g1h3 g1f3 b1c3 b1a3".split()),
    "start-black-pseudo-legal": ("pseudo_legal_moves", START_BLACK,
                                 [f"{f}7{f}6" for f in "hgfedcba"]
                                 + [f"{f}7{f}5" for f in "hgfedcba"]
                                 + "g8h6 g8f6 b8c6 b8a6".split()),
    "no-castling-in-pseudo-legal": ("pseudo_legal_moves",
                                    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
                                    walk("e1", "f2 e2 d2 f1 d1")
                                    + walk("h1", "h2 h3 h4 h5 h6 h7 h8 g1 f1")
                                    + walk("a1", "a2 a3 a4 a5 a6 a7 a8 b1 c1 d1")),
}

for side in (START_FEN, START_BLACK):
    for method in ("king_moves", "bishop_moves", "rook_moves", "queen_moves"):
        CASES[f"start-{'black-' if side is START_BLACK else ''}{method}"] = (method, side, [])


@pytest.mark.parametrize("method, fen, expected", CASES.values(), ids=CASES.keys())
def test_move_list(method, fen, expected):
    assert generated(fen, method) == expected


@pytest.mark.parametrize("fen", [
    "4k3/8/8/8/8/8/P7/KNBRQ3 w - - 0 1",
    "qrbnk3/7p/8/8/8/8/8/4K3 b - - 0 1",
])
def test_pseudo_legal_moves_concatenate_the_groups_in_order(fen):
    board = Board(fen)
    groups = [ucis(getattr(board, method)()) for method in GENERATORS]
    assert all(groups)
    assert ucis(board.pseudo_legal_moves()) == sum(groups, [])


def test_pseudo_legal_moves_keep_moves_that_leave_the_king_attacked():
    # the bishop is pinned and the king may step next to the opposing king
    moves = generated("4r3/8/8/8/8/3k4/4B3/4K3 w - - 0 1", "pseudo_legal_moves")
    assert {"e2f3", "e1d2"} <= set(moves)


@pytest.mark.parametrize("fen", [
    "4k3/8/8/8/8/8/P7/1NBRQ3 w - - 0 1",
    "1nbrq3/p7/8/8/8/8/8/4K3 b - - 0 1",
])
def test_side_to_move_without_king(fen):
    board = Board(fen)
    for method in ("king_moves", "pseudo_legal_moves"):
        with raises_fault(NO_KING):
            getattr(board, method)()
    for method in ("pawn_moves", "knight_moves", "bishop_moves", "rook_moves", "queen_moves"):
        assert getattr(board, method)()


@pytest.mark.parametrize("fen, square", [
    (pos("4k3/8/8/3pP3/8/8/8/4K3", "w", "e9"), 68),
    (pos("4k3/8/8/8/3pP3/8/8/4K3", "b", "e0"), 252),
    (pos("4k3/8/8/8/8/8/8/4K3", "w", "a9"), 64),
    (pos("4k3/8/8/8/8/8/8/4K3", "b", "hx"), 255),
])
def test_en_passant_square_off_the_board(fen, square):
    board = Board(fen)
    for method in ("pawn_moves", "pseudo_legal_moves"):
        with raises_fault(index_fault(64, square)):
            getattr(board, method)()


@pytest.mark.parametrize("fen, index", [
    # the origin of a capture on a2 would be a2 - 9, below square 0
    (pos("8/8/8/8/8/8/p7/1P6"), 2**32 - 1),
    # the origin of a capture on h7 would be h7 + 9, above square 63
    (pos("6p1/7P/8/8/8/8/8/8", "b"), 64),
])
def test_pawn_on_its_own_first_rank_capturing_off_the_board(fen, index):
    with raises_fault(index_fault(64, index)):
        Board(fen).pawn_moves()


@pytest.mark.parametrize("method", GENERATORS + ["pseudo_legal_moves"])
def test_each_call_returns_new_moves(method):
    board = Board("4k3/8/8/8/8/8/P7/KNBRQ3 w - - 0 1")
    first, second = getattr(board, method)(), getattr(board, method)()
    assert first and first is not second
    assert ucis(first) == ucis(second)
    assert all(a is not b for a in first for b in second)
    first[0].to_square = 63
    assert ucis(getattr(board, method)()) == ucis(second)

"""The fast attack and legality tests against their plain definitions.

The core answers attack tests from masks and skips the legality test for
most candidates. Here the plain definitions are written again from the
module's own primitives (the generators, apply_move, pop, turn) and both
must give the same answers and the same faults on many boards: positions
of random games, boards built at random with set_pieces_or / set_pieces_xor,
and hand-built boards that fault. Every query must also leave the board as
it found it, on the fault path too.
"""

import random

import pytest

from vorpane import Board

from helpers import NO_KING, is_fault, snapshot, ucis

POSITIONS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
]

RIGHTS = ["-", "KQkq", "Kq", "QK", "kq", "KK", "q-"]
EN_PASSANT = ["-", "-", "-", "e3", "d6", "a3", "h6", "e9", "a0", "h9"]
LETTERS = "PRNBQKprnbqk"
RANK_1, RANK_8 = 0xFF, 0xFF << 56
FILES_F_G, FILES_B_C_D = 0x6060606060606060, 0x0E0E0E0E0E0E0E0E
NOT_FILE_A, NOT_FILE_H = 0xFEFEFEFEFEFEFEFE, 0x7F7F7F7F7F7F7F7F


def squares(bitboard):
    """Highest square first."""
    while bitboard:
        square = bitboard.bit_length() - 1
        yield square
        bitboard ^= 1 << square


# ---------------------------------------------------------------------------
# Reading the colours. White is get_pieces("W"); black is not readable by
# itself, and a square may be in both colours, so a square of white is
# probed: left as the only king, king_moves() with black to move answers
# when the square is black and faults when it is not.

def holds_black(board, square):
    kings, turn = board.get_pieces("K"), board.turn
    board.set_pieces_xor("K", kings ^ (1 << square))
    board.turn = False
    try:
        board.king_moves()
        return True
    except BaseException as err:
        if not is_fault(err) or str(err) != NO_KING:
            raise
        return False
    finally:
        board.set_pieces_xor("K", kings ^ (1 << square))
        board.turn = turn


def colour_among(board, white_side, among):
    """The squares of `among` that are in the side's colour bitboard."""
    white = board.get_pieces("W")
    if white_side:
        return among & white
    black = among & board.get_pieces("A") & ~white
    for square in squares(among & white):
        if holds_black(board, square):
            black |= 1 << square
    return black


def king_square(board, white_side):
    kings = colour_among(board, white_side, board.get_pieces("K"))
    return kings.bit_length() - 1 if kings else 255


# ---------------------------------------------------------------------------
# The plain definitions.

def plain_attacked_squares(board):
    """Every square the side not to move reaches: turn flipped, its
    pseudo-legal list built, turn flipped back (also when that faults)."""
    board.turn = not board.turn
    try:
        return {move.to_square for move in board.pseudo_legal_moves()}
    finally:
        board.turn = not board.turn


def plain_is_attacked(board, square):
    return square in plain_attacked_squares(board)


def plain_is_check(board):
    return plain_is_attacked(board, king_square(board, board.turn))


def pawn_covers(board, square):
    """An opposing pawn could capture on the square (its diagonals only)."""
    white = board.turn
    bit = 1 << square
    if white:
        origins = ((bit << 7) & NOT_FILE_H) | ((bit << 9) & NOT_FILE_A)
    else:
        origins = ((bit >> 7) & NOT_FILE_A) | ((bit >> 9) & NOT_FILE_H)
    origins &= (1 << 64) - 1
    return bool(colour_among(board, not white, board.get_pieces("P") & origins))


def plain_castling_moves(board, rights):
    """The castling list of the side to move. Besides the attack test, a
    square an opposing pawn covers diagonally counts as attacked; the attack
    test runs first, so it faults whether or not a pawn covers the square."""
    if rights is None:
        return []
    white = board.turn
    king = 4 if white else 60
    home = board.get_pieces("A") & (RANK_1 if white else RANK_8)
    moves = []
    for letter in rights:
        if not (letter.isupper() if white else letter.islower()):
            continue
        king_side = letter in "Kk"
        if home & (FILES_F_G if king_side else FILES_B_C_D):
            continue
        step, target = (king + 1, king + 2) if king_side else (king - 1, king - 2)
        if any(plain_is_attacked(board, sq) or pawn_covers(board, sq)
               for sq in (king, step, target)):
            continue
        moves.append(f"{'e1' if white else 'e8'}{'gc'[not king_side]}{'18'[not white]}")
    return moves


def plain_legal_moves(board, rights):
    """Castling first, then each pseudo-legal move played, turn flipped back
    to the mover, the plain check test, and the move taken back. apply_move
    pushes its history first, so pop() restores the board after a fault too."""
    moves = plain_castling_moves(board, rights)
    for move in board.pseudo_legal_moves():
        try:
            board.apply_move(move)
            board.turn = not board.turn
            safe = not plain_is_check(board)
        finally:
            board.pop()
        if safe:
            moves.append(move.uci())
    return moves


def plain_is_checkmate(board, rights):
    return plain_is_check(board) and not plain_legal_moves(board, rights)


def plain_is_stalemate(board, rights):
    return not plain_is_check(board) and not plain_legal_moves(board, rights)


def plain_is_game_over(board, rights):
    return plain_is_checkmate(board, rights) or plain_is_stalemate(board, rights)


# ---------------------------------------------------------------------------
# Comparing.

def outcome(call):
    """("answer", value) or ("fault", message); move lists as UCI texts."""
    try:
        value = call()
    except BaseException as err:
        if not is_fault(err):
            raise
        return "fault", str(err)
    if isinstance(value, list) and value and not isinstance(value[0], str):
        value = ucis(value)
    return "answer", value


def assert_same(board, label, fast, plain):
    before = snapshot(board)
    expected = outcome(plain)
    assert snapshot(board) == before, f"plain {label} changed the board"
    got = outcome(fast)
    assert snapshot(board) == before, f"{label} changed the board"
    assert got == expected, label


def assert_fast_paths_agree(board, rights, context):
    """Every fast path on this board against its plain definition."""
    attacked = outcome(lambda: plain_attacked_squares(board))
    for square in [*range(64), 64, 200, 255]:
        expected = attacked if attacked[0] == "fault" else ("answer", square in attacked[1])
        assert outcome(lambda: board._is_attacked(square)) == expected, (context, square)
    queries = [
        ("is_check", board.is_check, lambda: plain_is_check(board)),
        ("_castling_moves", board._castling_moves, lambda: plain_castling_moves(board, rights)),
        ("legal_moves", board.legal_moves, lambda: plain_legal_moves(board, rights)),
        ("is_checkmate", board.is_checkmate, lambda: plain_is_checkmate(board, rights)),
        ("is_stalemate", board.is_stalemate, lambda: plain_is_stalemate(board, rights)),
        ("is_game_over", board.is_game_over, lambda: plain_is_game_over(board, rights)),
    ]
    for label, fast, plain in queries:
        assert_same(board, f"{label} on {context}", fast, plain)


# ---------------------------------------------------------------------------
# Boards.

def placement(board):
    """The FEN placement of a board whose squares each hold one piece."""
    white = board.get_pieces("W")
    rows = []
    for rank in range(7, -1, -1):
        row, empty = "", 0
        for file in range(8):
            bit = 1 << (8 * rank + file)
            letter = next((k for k in "PRNBQK" if board.get_pieces(k) & bit), None)
            if letter is None:
                empty += 1
                continue
            row += (str(empty) if empty else "") + (letter if white & bit else letter.lower())
            empty = 0
        rows.append(row + (str(empty) if empty else ""))
    return "/".join(rows)


def random_game_positions(rng, start, plies):
    """The FEN of each position of a random legal game, each with a
    castling-rights text drawn at random: castling is offered on the text
    alone, whether king and rook stand at home or not."""
    board = Board(start)
    for _ in range(plies):
        moves = board.legal_moves()
        if not moves:
            return
        move = rng.choice(moves)
        pawn = board.get_pieces("P") & (1 << move.from_square)
        double_push = pawn and abs(move.to_square - move.from_square) == 16
        board.apply_move(move)
        en_passant = "-"
        if double_push:
            behind = (move.from_square + move.to_square) // 2
            en_passant = "abcdefgh"[behind % 8] + str(behind // 8 + 1)
        rights = rng.choice(RIGHTS)
        side = "w" if board.turn else "b"
        yield f"{placement(board)} {side} {rights} {en_passant} 0 1"


def random_mask(rng):
    """A few squares, now and then a first or last rank or a whole file."""
    kind = rng.random()
    if kind < 0.1:
        return rng.choice([RANK_1, RANK_8, 0x0101010101010101 << rng.randrange(8)])
    mask = 0
    for _ in range(rng.randint(1, 3)):
        mask |= 1 << rng.randrange(64)
    return mask


def random_built_board(rng):
    """(fen, ops) of a board built square by square from an empty one:
    overlapping kinds, colourless pieces (set_pieces_xor changes kinds only),
    colours without a kind, several or no kings, pawns on first and last
    ranks, en-passant squares off the board."""
    rights = rng.choice(RIGHTS)
    side = rng.choice("wb")
    ops = []
    if rng.random() < 0.7:
        ops += [("set_pieces_or", "K", 1 << rng.randrange(64)),
                ("set_pieces_or", "k", 1 << rng.randrange(64))]
    for _ in range(rng.randint(2, 12)):
        method = "set_pieces_or" if rng.random() < 0.75 else "set_pieces_xor"
        ops.append((method, rng.choice(LETTERS), random_mask(rng)))
    fen = f"8/8/8/8/8/8/8/8 {side} {rights} {rng.choice(EN_PASSANT)} 0 1"
    return fen, ops


def built(fen, ops):
    board = Board(fen)
    for method, letter, mask in ops:
        getattr(board, method)(letter, mask)
    return board


def rights_of(fen):
    """The castling-rights text the board holds: "-" reads as absent."""
    rights = fen.split()[2]
    return None if rights == "-" else rights


@pytest.mark.parametrize("start", POSITIONS)
def test_positions_of_random_games(start):
    rng = random.Random(start)
    for _ in range(4):
        for fen in random_game_positions(rng, start, 40):
            assert_fast_paths_agree(Board(fen), rights_of(fen), fen)


@pytest.mark.parametrize("seed", range(8))
def test_positions_of_random_games_changed_by_hand(seed):
    """Game positions with a few pieces added or toggled: nearly well formed."""
    rng = random.Random(seed)
    for fen in random_game_positions(rng, rng.choice(POSITIONS), 30):
        ops = [(rng.choice(["set_pieces_or", "set_pieces_xor"]), rng.choice(LETTERS),
                1 << rng.randrange(64)) for _ in range(rng.randint(1, 2))]
        assert_fast_paths_agree(built(fen, ops), rights_of(fen), (fen, ops))


@pytest.mark.parametrize("seed", range(10))
def test_random_built_boards(seed):
    rng = random.Random(seed)
    for _ in range(40):
        fen, ops = random_built_board(rng)
        assert_fast_paths_agree(built(fen, ops), rights_of(fen), (fen, ops))


@pytest.mark.parametrize("fen", [
    # a capture takes the opponent's only king: by rook, pawn, knight, king
    "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",
    "8/8/8/3k4/4P3/8/8/4K3 w - - 0 1",
    "8/8/8/4k3/8/3N4/8/4K3 w - - 0 1",
    "8/8/8/8/8/8/4k3/4K3 b - - 0 1",
    "4k3/8/8/8/8/8/8/r3K2R w K - 0 1",
    # no king at all, two kings of a side, a king of one side only
    "8/8/8/3p4/4P3/8/8/8 w - - 0 1",
    "4k3/8/8/8/8/8/8/K3K3 w - - 0 1",
    "4k3/8/8/8/8/8/4P3/8 w - - 0 1",
    "4k3/8/8/8/8/8/4P3/8 b - - 0 1",
    # pawns on their own first rank, capture origins off the board
    "4k3/8/8/8/8/8/p7/1P2K3 w - - 0 1",
    "4k1p1/7P/8/8/8/8/8/4K3 b - - 0 1",
    "4k1p1/7P/8/8/8/8/8/4K3 w - - 0 1",
    "1P2k3/8/8/8/8/8/8/4K1p1 w - - 0 1",
    # en-passant squares off the board, and ordinary ones
    "4k3/8/8/3pP3/8/8/8/4K3 w - e9 0 1",
    "4k3/8/8/8/3pP3/8/8/4K3 b - a0 0 1",
    "4k3/8/8/8/3pP3/8/8/4K3 w - h9 0 1",
    "8/8/8/KPp4r/8/8/8/7k w - c6 0 1",
    "8/8/8/8/k2Pp2Q/8/8/3K4 b - d3 0 1",
    "8/8/8/8/k2Pp3/8/8/3K4 b - d3 0 1",
    "4k3/8/8/2pP4/8/8/8/4K3 w - c6 0 1",
    # castling through pawn diagonals, pushes, attacks and blocks
    "r3k2r/8/8/8/8/8/3p4/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/8/5p2/R3K2R w KQkq - 0 1",
    "r3k2r/6P1/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
    "5r2/8/8/8/8/8/8/4K2R w KQ - 0 1",
    "2r1k3/8/8/8/8/8/8/R3K3 w Q - 0 1",
    "1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1",
    "8/8/8/8/8/8/8/4K3 w KQ - 0 1",
    # checks, double checks, pins, evasions by block, capture and en passant
    "4k3/8/8/8/8/8/4B3/r3K3 w - - 0 1",
    "k3r3/8/8/8/8/8/4B3/4K3 w - - 0 1",
    "4k3/8/8/8/1b6/8/3P4/4K2r w - - 0 1",
    "4k3/8/5n2/8/8/8/4q3/4K3 w - - 0 1",
    "4k3/8/8/8/4r3/8/3N1N2/r3K3 w - - 0 1",
    "8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1",
    "8/8/3k4/2pP4/8/8/8/4K3 w - c6 0 1",
    "4k3/8/8/8/8/5n2/8/3QK3 w - - 0 1",
    "4k3/8/8/8/8/5n2/8/4K2r w - - 0 1",
    "4k3/4r3/8/8/7q/8/4N3/4K3 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    # mate and stalemate
    "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
    "7k/5K2/6Q1/8/8/8/8/8 b - - 0 1",
])
def test_hand_built_boards(fen):
    assert_fast_paths_agree(Board(fen), rights_of(fen), fen)


@pytest.mark.parametrize("ops", [
    # a king and a knight on one square: the knight's jump of two files
    # counts as castling in apply_move while the side holds a right
    [("set_pieces_or", "N", 1 << 53)],
    [("set_pieces_or", "N", 1 << 4)],
    # a pawn and a king on one square: the pawn's double push is a two-square
    # king move too
    [("set_pieces_or", "P", 1 << 12)],
    # a colour without a kind on a target square
    [("set_pieces_or", "b", 1 << 20), ("set_pieces_xor", "b", 1 << 20)],
    # a colourless rook pinning nothing, a colourless king
    [("set_pieces_xor", "R", 1 << 0), ("set_pieces_xor", "K", 1 << 60)],
    # queens, rooks, bishops and knights sharing nine squares: more moves
    # than a list holds without going to the heap
    [("set_pieces_or", letter, 35254838233088) for letter in "QRBN"],
])
@pytest.mark.parametrize("fen", [
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "k7/5K2/8/8/8/8/8/8 w KQ - 0 1",
    "4k3/8/8/8/8/8/8/4K3 w KQkq - 0 1",
])
def test_overlapping_pieces(fen, ops):
    assert_fast_paths_agree(built(fen, ops), rights_of(fen), (fen, ops))

"""Chess rules in C++: FEN positions, move generation, legality, check, mate and stalemate."""

# Squares are numbered 0 (a1) to 63 (h8); a bitboard is an int whose bit n
# stands for square n.  Integer parameters accept any object with __index__.
#
# Faults of the native code raise InternalFault, a direct subclass of
# BaseException.  It is not a module attribute (the type is made on the first
# fault), so it has no name here: catch it with `except BaseException`.

from typing import Self, SupportsIndex, final, type_check_only

__all__ = ["Board", "Move", "hello_world"]

@final
class Move:
    """One move: from square, to square and an optional promotion letter."""

    def __new__(
        cls, from_square: SupportsIndex, to_square: SupportsIndex, promotion: str | None = None
    ) -> Self:
        """Build a move; squares 0-4294967295, promotion None or one character."""

    @property
    def from_square(self) -> int:
        """The square the piece starts from."""

    @from_square.setter
    def from_square(self, value: SupportsIndex, /) -> None: ...
    @property
    def to_square(self) -> int:
        """The square the piece ends on."""

    @to_square.setter
    def to_square(self, value: SupportsIndex, /) -> None: ...
    @property
    def promotion(self) -> str | None:
        """The promotion letter (lower case when generated), or None."""

    @promotion.setter
    def promotion(self, value: str | None, /) -> None: ...
    def uci(self) -> str:
        """The move in UCI long algebraic notation, e.g. e2e4 or e7e8q."""

    def __str__(self) -> str:
        """The same text as uci()."""

    def __repr__(self) -> str:
        """The same text as uci()."""

@final
@type_check_only
class BoardState:
    """Snapshot of a position kept in the history; Python code never gets one."""

@final
class Board:
    """A chess position and the history of the moves played on it."""

    def __new__(cls, starting_fen: str | None = None) -> Self:
        """Build the position of a FEN text, or the standard start position."""

    @property
    def turn(self) -> bool:
        """Side to move: True for white, False for black."""

    @turn.setter
    def turn(self, value: bool, /) -> None: ...
    def set_board(self) -> None:
        """Clear the position and read the board's FEN text again; history stays."""

    def get_pieces(self, piece_type: str) -> int:
        """Bitboard of a kind (P R N B Q K, either case), W (white) or A (all)."""

    def set_pieces_or(self, piece_type: str, bitboard: SupportsIndex) -> None:
        """OR squares into a kind and into the colour of the letter's case."""

    def set_pieces_xor(self, piece_type: str, bitboard: SupportsIndex) -> None:
        """XOR squares into a kind only; the colour bitboards stay as they are."""

    def pawn_moves(self) -> list[Move]:
        """Pseudo-legal pawn moves of the side to move."""

    def knight_moves(self) -> list[Move]:
        """Pseudo-legal knight moves of the side to move."""

    def king_moves(self) -> list[Move]:
        """Pseudo-legal king moves (no castling) of the side to move."""

    def bishop_moves(self) -> list[Move]:
        """Pseudo-legal bishop moves of the side to move."""

    def rook_moves(self) -> list[Move]:
        """Pseudo-legal rook moves of the side to move."""

    def queen_moves(self) -> list[Move]:
        """Pseudo-legal queen moves of the side to move."""

    def pseudo_legal_moves(self) -> list[Move]:
        """All pseudo-legal moves: pawns, knights, kings, bishops, rooks, queens."""

    def _is_attacked(self, square: SupportsIndex) -> bool:
        """Whether the side not to move has a pseudo-legal move ending on square."""

    def is_check(self) -> bool:
        """Whether the side to move is in check."""

    def _castling_moves(self) -> list[Move]:
        """The castling moves open to the side to move, in the order of the rights text."""

    def legal_moves(self) -> list[Move]:
        """Legal moves: castling moves first, then the rest in generation order."""

    def _reset_half_move_clock(self, from_mask: SupportsIndex, to_mask: SupportsIndex) -> bool:
        """Whether a move between the masks is a pawn move or a capture."""

    def _check_castling_rights(self) -> bool:
        """Whether the side to move still holds a castling right."""

    def _remove_castling_rights(self, id: str) -> None:
        """Withdraw rights: k or q of the side to move, or a for all of them."""

    def apply_move(self, mov: Move) -> None:
        """Play a move (not checked for legality) and push it onto the history."""

    def is_checkmate(self) -> bool:
        """Whether the side to move is in check and has no legal move."""

    def is_stalemate(self) -> bool:
        """Whether the side to move is not in check and has no legal move."""

    def is_game_over(self) -> bool:
        """Whether the game has ended by checkmate or stalemate."""

    def _restore(self, board_state: BoardState) -> None:
        """Put a history snapshot back into the position."""

    def pop(self) -> Move:
        """Take back the last move played and return it as a new Move."""

    def __str__(self) -> str:
        """The position as an eight-line diagram, rank 8 first."""

    def __repr__(self) -> str:
        """The same text as str()."""

def hello_world() -> None:
    """Print Hello World! to the process's standard output."""

// The module root: the module object, its three types and hello_world, and
// the binding of every operation. The chess lives in board/; each entry here
// names its operation, its parameters and its hold, and the frame does the rest.

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "call_frame.h"

namespace vorpane::python {
namespace {

// ---------------------------------------------------------------------------
// Operations that are not plain member functions of the records.

Board make_board(std::optional<std::string> starting_fen) {
    return starting_fen ? Board(std::move(*starting_fen)) : Board();
}
Move make_move(Square from_square, Square to_square, std::optional<char32_t> promotion) {
    return Move{from_square, to_square, promotion};
}

std::string board_text(const Board& board) { return board.diagram(); }
std::string move_text(const Move& move) { return move.uci(); }

bool get_turn(const Board& board) { return board.turn; }
void set_turn(Board& board, bool turn) { board.turn = turn; }
Square get_from_square(const Move& move) { return move.from_square; }
void set_from_square(Move& move, Square square) { move.from_square = square; }
Square get_to_square(const Move& move) { return move.to_square; }
void set_to_square(Move& move, Square square) { move.to_square = square; }
std::optional<char32_t> get_promotion(const Move& move) { return move.promotion; }
void set_promotion(Move& move, std::optional<char32_t> promotion) { move.promotion = promotion; }

// ---------------------------------------------------------------------------
// Board

constexpr Hold SHARED = Hold::shared, EXCLUSIVE = Hold::exclusive;

// Each hold is part of the method's interface, not read off the core's
// const: the move lists and the attack, castling and legality queries change
// nothing, yet several hold exclusively and so fail while the board is held.

PyMethodDef BOARD_METHODS[] = {
    method<"Board", "set_board", &Board::set_board, EXCLUSIVE>(),
    method<"Board", "get_pieces", &Board::get_pieces, SHARED, "piece_type">(),
    method<"Board", "set_pieces_or", &Board::set_pieces_or, EXCLUSIVE, "piece_type", "bitboard">(),
    method<"Board", "set_pieces_xor", &Board::set_pieces_xor, EXCLUSIVE, "piece_type", "bitboard">(),
    method<"Board", "pawn_moves", &Board::pawn_moves, EXCLUSIVE>(),
    method<"Board", "knight_moves", &Board::knight_moves, SHARED>(),
    method<"Board", "king_moves", &Board::king_moves, SHARED>(),
    method<"Board", "bishop_moves", &Board::bishop_moves, SHARED>(),
    method<"Board", "rook_moves", &Board::rook_moves, SHARED>(),
    method<"Board", "queen_moves", &Board::queen_moves, SHARED>(),
    method<"Board", "pseudo_legal_moves", &Board::pseudo_legal_moves, EXCLUSIVE>(),
    method<"Board", "_is_attacked", &Board::is_attacked, EXCLUSIVE, "square">(),
    method<"Board", "is_check", &Board::is_check, EXCLUSIVE>(),
    method<"Board", "_castling_moves", &Board::castling_moves, EXCLUSIVE>(),
    method<"Board", "legal_moves", &Board::legal_moves, EXCLUSIVE>(),
    method<"Board", "_reset_half_move_clock", &Board::reset_half_move_clock, SHARED, "from_mask",
           "to_mask">(),
    method<"Board", "_check_castling_rights", &Board::check_castling_rights, SHARED>(),
    method<"Board", "_remove_castling_rights", &Board::remove_castling_rights, EXCLUSIVE, "id">(),
    method<"Board", "apply_move", &Board::apply_move, EXCLUSIVE, "mov">(),
    method<"Board", "is_checkmate", &Board::is_checkmate, EXCLUSIVE>(),
    method<"Board", "is_stalemate", &Board::is_stalemate, EXCLUSIVE>(),
    method<"Board", "is_game_over", &Board::is_game_over, EXCLUSIVE>(),
    method<"Board", "_restore", &Board::restore, EXCLUSIVE, "board_state">(),
    method<"Board", "pop", &Board::pop, EXCLUSIVE>(),
    {nullptr, nullptr, 0, nullptr},  // sentinel
};

PyGetSetDef BOARD_PROPERTIES[] = {
    property<"turn", get_turn, set_turn>(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},  // sentinel
};

PyType_Slot BOARD_SLOTS[] = {
    {Py_tp_doc, const_cast<char*>("Board(starting_fen=None)\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(constructor<"Board", make_board, "starting_fen">)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_object<Board>)},
    {Py_tp_str, reinterpret_cast<void*>(text_slot<board_text, SHARED>)},
    {Py_tp_repr, reinterpret_cast<void*>(text_slot<board_text, SHARED>)},
    {Py_tp_methods, BOARD_METHODS},
    {Py_tp_getset, BOARD_PROPERTIES},
    {0, nullptr},  // sentinel
};

// ---------------------------------------------------------------------------
// Move

PyMethodDef MOVE_METHODS[] = {
    method<"Move", "uci", &Move::uci, SHARED>(),
    {nullptr, nullptr, 0, nullptr},  // sentinel
};

PyGetSetDef MOVE_PROPERTIES[] = {
    property<"to_square", get_to_square, set_to_square>(),
    property<"from_square", get_from_square, set_from_square>(),
    property<"promotion", get_promotion, set_promotion>(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},  // sentinel
};

PyType_Slot MOVE_SLOTS[] = {
    {Py_tp_doc, const_cast<char*>("Move(from_square, to_square, promotion=None)\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(
                    constructor<"Move", make_move, "from_square", "to_square", "promotion">)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_object<Move>)},
    {Py_tp_str, reinterpret_cast<void*>(text_slot<move_text, SHARED>)},
    {Py_tp_repr, reinterpret_cast<void*>(text_slot<move_text, SHARED>)},
    {Py_tp_methods, MOVE_METHODS},
    {Py_tp_getset, MOVE_PROPERTIES},
    {0, nullptr},  // sentinel
};

// ---------------------------------------------------------------------------
// BoardState: only ever the expected type of _restore's argument.

PyObject* refuse_board_state(PyTypeObject*, PyObject*, PyObject*) noexcept {
    PyErr_SetString(PyExc_TypeError, "No constructor defined for BoardState");
    return nullptr;
}

PyType_Slot BOARD_STATE_SLOTS[] = {
    {Py_tp_doc, const_cast<char*>("")},
    {Py_tp_new, reinterpret_cast<void*>(refuse_board_state)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_object<BoardState>)},
    {0, nullptr},  // sentinel
};

// Final heap types: no subclassing, no garbage collection, no __dict__, no
// weak references, identity comparison and hash.
template <class T>
PyType_Spec type_spec(const char* qualified_name, PyType_Slot* slots) {
    return PyType_Spec{
        .name = qualified_name,
        .basicsize = static_cast<int>(sizeof(Object<T>)),
        .itemsize = 0,
        .flags = Py_TPFLAGS_DEFAULT,
        .slots = slots,
    };
}

// The documentation text holds only the constructor's signature, so the
// class has no docstring of its own: __doc__ is None, not "".
template <class T>
PyTypeObject* built_type(PyTypeObject*& cache, const char* qualified_name, PyType_Slot* slots) {
    if (cache) return cache;
    PyType_Spec spec = type_spec<T>(qualified_name, slots);
    PyObject* type = PyType_FromSpec(&spec);
    if (type && PyObject_SetAttrString(type, "__doc__", Py_None) < 0) Py_CLEAR(type);
    cache = reinterpret_cast<PyTypeObject*>(type);
    return cache;
}

}  // namespace

PyTypeObject* PyClass<Board>::type() {
    static PyTypeObject* cache = nullptr;
    return built_type<Board>(cache, "builtins.Board", BOARD_SLOTS);
}

PyTypeObject* PyClass<Move>::type() {
    static PyTypeObject* cache = nullptr;
    return built_type<Move>(cache, "builtins.Move", MOVE_SLOTS);
}

// Built during a call, on first need: the reason of a failure goes to
// standard error and the caller faults.
PyTypeObject* PyClass<BoardState>::type() {
    static PyTypeObject* cache = nullptr;
    if (!cache && !built_type<BoardState>(cache, "builtins.BoardState", BOARD_STATE_SLOTS))
        PyErr_Print();
    return cache;
}

namespace {

// ---------------------------------------------------------------------------
// hello_world, on file descriptor 1 itself: redirecting sys.stdout does not
// capture it.

PyObject* hello_world(PyObject*, PyObject*) noexcept {
    return guarded(
        []() -> PyObject* {
            static constexpr std::string_view line = "Hello World!\n";
            for (std::size_t written = 0; written < line.size();) {
                ssize_t n = ::write(1, line.data() + written, line.size() - written);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) fault(std::string("failed printing to stdout: ") + std::strerror(errno));
                written += static_cast<std::size_t>(n);
            }
            return Py_NewRef(Py_None);
        },
        nullptr);
}

PyMethodDef HELLO_WORLD = {"hello_world", hello_world, METH_NOARGS, "hello_world()\n--\n\n"};

// ---------------------------------------------------------------------------
// The module: single-phase initialisation, one interpreter, one module object.

PyModuleDef MODULE = {
    .m_base = PyModuleDef_HEAD_INIT,
    .m_name = "vorpane",
    .m_doc = "",
    .m_size = 0,
    .m_methods = nullptr,
    .m_slots = nullptr,
    .m_traverse = nullptr,
    .m_clear = nullptr,
    .m_free = nullptr,
};

std::int64_t first_interpreter = -1;
PyObject* module_object = nullptr;

// Sets module.<name> = value and lists the name in __all__.
bool export_name(PyObject* module, const char* name, PyObject* value) {
    PyObject* all = PyObject_GetAttrString(module, "__all__");
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
        PyErr_Clear();
        all = PyList_New(0);
        if (!all || PyObject_SetAttrString(module, "__all__", all) < 0) {
            Py_XDECREF(all);
            return false;
        }
    }
    PyObject* text = PyUnicode_FromString(name);
    bool ok = text && PyList_Append(all, text) == 0 && PyObject_SetAttr(module, text, value) == 0;
    Py_XDECREF(text);
    Py_DECREF(all);
    return ok;
}

// A class that cannot be built makes the import fail, naming the class.
bool export_class(PyObject* module, const char* name, PyTypeObject* type) {
    if (type && export_name(module, name, reinterpret_cast<PyObject*>(type))) return true;
    PyObject* cause = PyErr_GetRaisedException();
    PyErr_Format(PyExc_RuntimeError, "An error occurred while initializing class %s", name);
    PyObject* error = PyErr_GetRaisedException();
    PyException_SetCause(error, cause);
    PyErr_SetRaisedException(error);
    return false;
}

bool module_body(PyObject* module) {
    if (!export_class(module, "Board", PyClass<Board>::type())) return false;
    if (!export_class(module, "Move", PyClass<Move>::type())) return false;
    PyObject* module_name = PyModule_GetNameObject(module);
    if (!module_name) return false;
    PyObject* function = PyCFunction_NewEx(&HELLO_WORLD, module, module_name);
    Py_DECREF(module_name);
    if (!function) return false;
    bool ok = export_name(module, HELLO_WORLD.ml_name, function);
    Py_DECREF(function);
    return ok;
}

}  // namespace
}  // namespace vorpane::python

PyMODINIT_FUNC PyInit_vorpane(void) {
    using namespace vorpane::python;
    std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (interpreter < 0) return nullptr;
    if (first_interpreter < 0) first_interpreter = interpreter;
    if (interpreter != first_interpreter) {
        PyErr_SetString(PyExc_ImportError,
                        "vorpane does not support sub-interpreters: it is already loaded in "
                        "another interpreter of this process");
        return nullptr;
    }
    if (module_object) return Py_NewRef(module_object);
    PyObject* module = PyModule_Create(&MODULE);
    if (!module) return nullptr;
    if (!module_body(module)) {
        Py_DECREF(module);
        return nullptr;
    }
    module_object = Py_NewRef(module);
    return module;
}

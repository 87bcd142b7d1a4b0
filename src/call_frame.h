// The call frame: the one path every Python call takes into the chess core.
//
// It binds positional and keyword arguments to parameter names, takes the
// hold the operation declares on `self`, converts each argument by its C++
// type, runs the operation, converts the result and releases every hold on
// every way out. A Fault thrown by the core becomes InternalFault here and
// nowhere else. Every function the interpreter calls is noexcept.
#pragma once

#include <Python.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "board/board.h"
#include "board/fault.h"

namespace vorpane::python {

// ---------------------------------------------------------------------------
// Objects and their holds

// Every Python object of our classes: the header, the hold state, one value.
// hold > 0 counts shared holds; -1 is the one exclusive hold. A plain int
// serves: the module runs only under the interpreter lock (the limited API
// has no free-threaded build), and every hold is taken and released with it.
template <class T>
struct Object {
    PyObject_HEAD
    int hold;
    T value;
};

// Per class: its Python name and its type object, built on first need by
// the module root.
template <class T>
struct PyClass;
template <>
struct PyClass<Board> {
    static constexpr const char* name = "Board";
    static PyTypeObject* type();
};
template <>
struct PyClass<Move> {
    static constexpr const char* name = "Move";
    static PyTypeObject* type();
};
template <>
struct PyClass<BoardState> {
    static constexpr const char* name = "BoardState";
    static PyTypeObject* type();
};

enum class Hold { shared, exclusive };

// One hold on one object, released when the guard goes out of scope.
class HoldGuard {
public:
    HoldGuard() = default;
    HoldGuard(const HoldGuard&) = delete;
    HoldGuard& operator=(const HoldGuard&) = delete;
    ~HoldGuard() { release(); }

    // Refuses with RuntimeError when the object is held in a conflicting way.
    bool take(int& state, Hold kind) {
        if (kind == Hold::exclusive) {
            if (state != 0) return refuse("Already borrowed");
            state = -1;
        } else {
            if (state < 0) return refuse("Already mutably borrowed");
            ++state;
        }
        state_ = &state;
        kind_ = kind;
        return true;
    }

    void release() {
        if (!state_) return;
        if (kind_ == Hold::exclusive) {
            *state_ = 0;
        } else {
            --*state_;
        }
        state_ = nullptr;
    }

private:
    static bool refuse(const char* text) {
        PyErr_SetString(PyExc_RuntimeError, text);
        return false;
    }

    int* state_ = nullptr;
    Hold kind_ = Hold::shared;
};

// GCC announces AddressSanitizer by a macro, clang by a feature.
#if defined(__SANITIZE_ADDRESS__)
#define VORPANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORPANE_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef VORPANE_ADDRESS_SANITIZER
#define VORPANE_ADDRESS_SANITIZER 0
#endif

// The memory of freed objects of one class, kept for the next ones. Move
// objects come and go by the thousand (a new list per legal_moves call), and
// handing each back to the object allocator costs more than building it:
// the allocator looks up which arena a block belongs to on every free.
// Bounded, so a burst of frees still returns most memory. Used only under
// the interpreter lock.
template <class T>
class FreeList {
public:
    void* take() { return size_ ? blocks_[--size_] : PyObject_Malloc(sizeof(Object<T>)); }
    void give(void* block) {
        if (size_ < CAPACITY) {
            blocks_[size_++] = block;
        } else {
            PyObject_Free(block);
        }
    }

private:
    // Under AddressSanitizer every block goes back, so that a use after free shows.
    static constexpr std::size_t CAPACITY = VORPANE_ADDRESS_SANITIZER ? 0 : 1024;
    std::array<void*, CAPACITY> blocks_;
    std::size_t size_ = 0;
};

template <class T>
inline FreeList<T> free_blocks;

// A new object of type `type` owning `value`. Our types take no part in
// garbage collection, so the plain object allocator serves.
template <class T>
PyObject* new_object(PyTypeObject* type, T&& value) {
    using Value = std::decay_t<T>;
    auto* object = static_cast<Object<Value>*>(free_blocks<Value>.take());
    if (!object) return PyErr_NoMemory();
    PyObject_Init(reinterpret_cast<PyObject*>(object), type);
    object->hold = 0;
    new (&object->value) Value(std::forward<T>(value));
    return reinterpret_cast<PyObject*>(object);
}

template <class T>
void dealloc_object(PyObject* self) noexcept {
    PyTypeObject* type = Py_TYPE(self);
    reinterpret_cast<Object<T>*>(self)->value.~T();
    free_blocks<T>.give(self);
    Py_DECREF(type);  // heap-type instances own a reference to their type
}

// ---------------------------------------------------------------------------
// Errors of the frame

// "'int' object cannot be converted to 'PyString'"
inline bool conversion_error(PyObject* object, const char* target) {
    PyObject* name = PyType_GetQualName(Py_TYPE(object));
    if (!name) {
        PyErr_Clear();
        name = PyUnicode_FromString("<failed to extract type name>");
        if (!name) return false;
    }
    PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to '%s'", name, target);
    Py_DECREF(name);
    return false;
}

// A conversion that failed with exactly TypeError names its argument; every
// other exception passes unchanged.
inline void prefix_argument_name(const char* name) {
    PyObject* error = PyErr_GetRaisedException();
    if (Py_TYPE(error) != reinterpret_cast<PyTypeObject*>(PyExc_TypeError)) {
        PyErr_SetRaisedException(error);
        return;
    }
    PyObject* renamed = PyUnicode_FromFormat("argument '%s': %S", name, error);
    if (!renamed) {
        Py_DECREF(error);
        return;
    }
    PyErr_SetObject(PyExc_TypeError, renamed);
    Py_DECREF(renamed);
    PyObject* replacement = PyErr_GetRaisedException();
    PyException_SetCause(replacement, PyException_GetCause(error));
    Py_DECREF(error);
    PyErr_SetRaisedException(replacement);
}

// The exception of every fault. It derives from BaseException, like
// SystemExit, so that an `except Exception` handler lets it through.
inline PyObject* internal_fault_type() {
    static PyObject* type = nullptr;
    if (!type) {
        type = PyErr_NewExceptionWithDoc(
            "builtins.InternalFault",
            "Raised when vorpane's native code meets data it cannot handle.\n\n"
            "Like SystemExit, it derives from BaseException rather than Exception,\n"
            "so it normally travels to the top of the stack and ends the interpreter.",
            PyExc_BaseException, nullptr);
    }
    return type;
}

// Reports the fault on standard error, then raises it as InternalFault.
inline PyObject* raise_fault(const Fault& fault) {
    std::fprintf(stderr, "vorpane fault in %s (%s:%u): %s\n", fault.where.function_name(),
                 fault.where.file_name(), static_cast<unsigned>(fault.where.line()),
                 fault.message.c_str());
    PyObject* type = internal_fault_type();
    if (!type) return nullptr;
    PyObject* message = PyUnicode_DecodeUTF8(fault.message.data(),
                                             static_cast<Py_ssize_t>(fault.message.size()),
                                             "replace");
    if (!message) return nullptr;
    PyErr_SetObject(type, message);
    Py_DECREF(message);
    return nullptr;
}

// The frame's edge: faults become InternalFault, memory exhaustion
// MemoryError. Nothing else in the binding catches.
template <class Body>
auto guarded(Body body, decltype(body()) on_error) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (const Fault& fault) {
        raise_fault(fault);
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    }
    return on_error;
}

// ---------------------------------------------------------------------------
// Argument conversion, one converter per declared C++ type. `load` returns
// false with the interpreter's error set; `get` hands the value to the core.

template <class T>
struct Converter;

inline bool load_text(PyObject* object, std::string& out) {
    if (!PyUnicode_Check(object)) return conversion_error(object, "PyString");
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (!utf8) return false;
    out.assign(utf8, static_cast<std::size_t>(size));
    return true;
}

inline bool load_character(PyObject* object, char32_t& out) {
    if (!PyUnicode_Check(object)) return conversion_error(object, "PyString");
    if (PyUnicode_GetLength(object) != 1) {
        PyErr_SetString(PyExc_ValueError, "expected a string of length 1");
        return false;
    }
    Py_UCS4 c = PyUnicode_ReadChar(object, 0);
    // A lone surrogate is no character: let the encoder refuse it.
    if (c >= 0xD800 && c <= 0xDFFF) {
        Py_ssize_t size;
        if (!PyUnicode_AsUTF8AndSize(object, &size)) return false;
    }
    out = c;
    return true;
}

// Python ints, or objects with __index__, read as a C long and range-tested.
template <class T>
bool load_small_unsigned(PyObject* object, T& out) {
    long value = PyLong_AsLong(object);
    if (value == -1 && PyErr_Occurred()) return false;
    if (value < 0 || static_cast<unsigned long>(value) > std::numeric_limits<T>::max()) {
        PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

template <class T>
struct PlainConverter {
    using Storage = T;
    static constexpr bool optional = false;
    static T get(Storage& s) { return s; }
};

template <>
struct Converter<std::string> : PlainConverter<std::string> {
    static bool load(PyObject* o, std::string& s) { return load_text(o, s); }
};

template <>
struct Converter<char32_t> : PlainConverter<char32_t> {
    static bool load(PyObject* o, char32_t& s) { return load_character(o, s); }
};

template <>
struct Converter<std::uint64_t> : PlainConverter<std::uint64_t> {
    static bool load(PyObject* o, std::uint64_t& s) {
        PyObject* index = PyNumber_Index(o);
        if (!index) return false;
        s = PyLong_AsUnsignedLongLong(index);
        Py_DECREF(index);
        return !(s == static_cast<std::uint64_t>(-1) && PyErr_Occurred());
    }
};

template <>
struct Converter<std::uint32_t> : PlainConverter<std::uint32_t> {
    static bool load(PyObject* o, std::uint32_t& s) { return load_small_unsigned(o, s); }
};

template <>
struct Converter<std::uint8_t> : PlainConverter<std::uint8_t> {
    static bool load(PyObject* o, std::uint8_t& s) { return load_small_unsigned(o, s); }
};

// True or False, and NumPy's boolean scalars through their truth slot.
template <>
struct Converter<bool> : PlainConverter<bool> {
    static bool load(PyObject* o, bool& s) {
        if (o == Py_True || o == Py_False) {
            s = o == Py_True;
            return true;
        }
        if (!is_numpy_bool(o)) return conversion_error(o, "PyBool");
        auto truth = reinterpret_cast<inquiry>(PyType_GetSlot(Py_TYPE(o), Py_nb_bool));
        if (!truth) {
            PyObject* name = PyType_GetName(Py_TYPE(o));
            if (name) {
                PyErr_Format(PyExc_TypeError,
                             "object of type '%U' does not define a '__bool__' conversion", name);
                Py_DECREF(name);
            }
            return false;
        }
        int value = truth(o);
        if (value < 0) return false;
        s = value;
        return true;
    }

    static bool is_numpy_bool(PyObject* o) {
        PyObject* name = PyType_GetName(Py_TYPE(o));
        PyObject* module = name ? PyType_GetModuleName(Py_TYPE(o)) : nullptr;
        bool match = module && PyUnicode_Check(module) &&
                     PyUnicode_EqualToUTF8(module, "numpy") &&
                     (PyUnicode_EqualToUTF8(name, "bool_") || PyUnicode_EqualToUTF8(name, "bool"));
        Py_XDECREF(name);
        Py_XDECREF(module);
        PyErr_Clear();
        return match;
    }
};

// Omitted or None is absent; anything else converts as T.
template <class T>
struct Converter<std::optional<T>> {
    using Storage = std::optional<T>;
    static constexpr bool optional = true;
    static bool load(PyObject* o, Storage& s) {
        if (!o || o == Py_None) return true;
        T value;
        if (!Converter<T>::load(o, value)) return false;
        s = std::move(value);
        return true;
    }
    static Storage get(Storage& s) { return s; }
};

// An object of one of our classes, held shared until the call ends.
template <class T>
struct Converter<const T&> {
    struct Storage {
        Object<T>* object = nullptr;
        HoldGuard hold;
    };
    static constexpr bool optional = false;
    static bool load(PyObject* o, Storage& s) {
        PyTypeObject* type = PyClass<T>::type();
        if (!type) {
            PyErr_Clear();
            fault(std::string("failed to create type object for ") + PyClass<T>::name);
        }
        if (!PyObject_TypeCheck(o, type)) return conversion_error(o, PyClass<T>::name);
        s.object = reinterpret_cast<Object<T>*>(o);
        return s.hold.take(s.object->hold, Hold::shared);
    }
    static const T& get(Storage& s) { return s.object->value; }
};

// ---------------------------------------------------------------------------
// Results

inline PyObject* to_python(std::uint64_t v) { return PyLong_FromUnsignedLongLong(v); }
inline PyObject* to_python(std::uint32_t v) { return PyLong_FromLong(static_cast<long>(v)); }
inline PyObject* to_python(bool v) { return Py_NewRef(v ? Py_True : Py_False); }
inline PyObject* to_python(char32_t v) { return PyUnicode_FromOrdinal(static_cast<int>(v)); }
inline PyObject* to_python(const std::optional<char32_t>& v) {
    return v ? to_python(*v) : Py_NewRef(Py_None);
}
inline PyObject* to_python(const std::string& v) {
    return PyUnicode_DecodeUTF8(v.data(), static_cast<Py_ssize_t>(v.size()), "surrogatepass");
}
inline PyObject* to_python(const Move& move) {
    PyTypeObject* type = PyClass<Move>::type();
    return type ? new_object(type, Move(move)) : nullptr;
}
// A new list at its final length, each element a new Move owning a copy.
inline PyObject* to_python(const MoveList& moves) {
    PyTypeObject* type = PyClass<Move>::type();
    if (!type) return nullptr;
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(moves.size()));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        PyObject* move = new_object(type, Move(moves[i]));
        if (!move) {
            Py_DECREF(list);
            return nullptr;
        }
        PyList_SetItem(list, static_cast<Py_ssize_t>(i), move);
    }
    return list;
}

// Runs `op` and converts what it returns; an operation returning nothing gives None.
template <class Op, class... Args>
PyObject* run_and_convert(Op&& op, Args&&... args) {
    using Result = std::invoke_result_t<Op, Args...>;
    if constexpr (std::is_void_v<Result>) {
        std::invoke(std::forward<Op>(op), std::forward<Args>(args)...);
        return Py_NewRef(Py_None);
    } else {
        return to_python(std::invoke(std::forward<Op>(op), std::forward<Args>(args)...));
    }
}

// ---------------------------------------------------------------------------
// Argument binding: every parameter is positional-or-keyword.

struct Parameters {
    const char* callable;  // "Board.get_pieces()"
    const char* const* names;
    int count;
    int required;  // the first `required` parameters have no default
};

inline void join_missing_names(std::string& text, const Parameters& params,
                               PyObject* const* slots) {
    int missing = 0, total = 0;
    for (int i = 0; i < params.required; ++i) total += slots[i] == nullptr;
    for (int i = 0; i < params.required; ++i) {
        if (slots[i]) continue;
        if (missing > 0) text += total == 2 ? " and " : missing == total - 1 ? ", and " : ", ";
        text += "'" + std::string(params.names[i]) + "'";
        ++missing;
    }
}

// Fills `slots` (borrowed references, null when omitted) from positional
// arguments and keyword (name, value) pairs read by `keyword(i, name, value)`.
template <class KeywordAt>
bool bind(const Parameters& params, PyObject* const* positional, Py_ssize_t npositional,
          Py_ssize_t nkeywords, KeywordAt keyword, PyObject** slots) {
    if (npositional > params.count) {
        const char* verb = npositional == 1 ? "was" : "were";
        if (params.required == params.count) {
            PyErr_Format(PyExc_TypeError, "%s takes %d positional arguments but %zd %s given",
                         params.callable, params.count, npositional, verb);
        } else {
            PyErr_Format(PyExc_TypeError,
                         "%s takes from %d to %d positional arguments but %zd %s given",
                         params.callable, params.required, params.count, npositional, verb);
        }
        return false;
    }
    std::copy_n(positional, npositional, slots);
    for (Py_ssize_t k = 0; k < nkeywords; ++k) {
        PyObject *name = nullptr, *value = nullptr;
        if (!keyword(k, name, value)) return false;
        int match = -1;
        for (int i = 0; i < params.count && match < 0; ++i)
            if (PyUnicode_EqualToUTF8AndSize(name, params.names[i],
                                             static_cast<Py_ssize_t>(std::strlen(params.names[i]))))
                match = i;
        if (match < 0) {
            PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'",
                         params.callable, name);
            return false;
        }
        if (slots[match]) {
            PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%S'",
                         params.callable, name);
            return false;
        }
        slots[match] = value;
    }
    int missing = 0;
    for (int i = 0; i < params.required; ++i) missing += slots[i] == nullptr;
    if (missing) {
        std::string names;
        join_missing_names(names, params, slots);
        PyErr_Format(PyExc_TypeError, "%s missing %d required positional %s: %s", params.callable,
                     missing, missing == 1 ? "argument" : "arguments", names.c_str());
        return false;
    }
    return true;
}

// Vectorcall arguments: positional first, then the values of `kwnames`.
inline bool bind_fastcall(const Parameters& params, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames, PyObject** slots) {
    Py_ssize_t nkeywords = kwnames ? PyTuple_Size(kwnames) : 0;
    return bind(params, args, nargs, nkeywords,
                [&](Py_ssize_t k, PyObject*& name, PyObject*& value) {
                    name = PyTuple_GetItem(kwnames, k);
                    value = args[nargs + k];
                    return name != nullptr;
                },
                slots);
}

// Constructor arguments: a tuple and a dict, keywords in the order given.
inline bool bind_tuple(const Parameters& params, PyObject* args, PyObject* kwargs,
                       PyObject** slots) {
    Py_ssize_t nargs = PyTuple_Size(args);
    std::array<PyObject*, 8> positional{};
    for (Py_ssize_t i = 0; i < nargs && i < static_cast<Py_ssize_t>(positional.size()); ++i)
        positional[i] = PyTuple_GetItem(args, i);
    Py_ssize_t nkeywords = kwargs ? PyDict_Size(kwargs) : 0;
    Py_ssize_t cursor = 0;
    return bind(params, positional.data(), nargs, nkeywords,
                [&](Py_ssize_t, PyObject*& name, PyObject*& value) {
                    return PyDict_Next(kwargs, &cursor, &name, &value) != 0;
                },
                slots);
}

// ---------------------------------------------------------------------------
// Compile-time texts: names, parameter lists and documentation texts.

template <std::size_t N>
struct Text {
    char chars[N]{};
    constexpr Text(const char (&s)[N]) { std::copy_n(s, N, chars); }
    constexpr std::string_view view() const { return {chars, N - 1}; }
};

// Concatenates texts into one null-terminated static array.
template <std::size_t Size>
struct Joined {
    std::array<char, Size + 1> chars{};
    constexpr Joined(std::initializer_list<std::string_view> parts) {
        std::size_t at = 0;
        for (std::string_view part : parts)
            for (char c : part) chars[at++] = c;
    }
    constexpr const char* c_str() const { return chars.data(); }
};

constexpr std::size_t total_size(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    return size;
}

// "get_pieces($self, piece_type)\n--\n\n"
template <Text Name, Text... Params>
struct MethodText {
    static constexpr auto parameter_list = [] {
        constexpr std::size_t size = ((Params.view().size() + 2) + ... + 0);
        std::array<char, size + 1> out{};
        std::size_t at = 0;
        auto append = [&](std::string_view part) {
            for (char c : part) out[at++] = c;
        };
        ((append(", "), append(Params.view())), ...);
        (void)append;  // no parameters: nothing to append
        return out;
    }();
    static constexpr std::string_view params{parameter_list.data(), parameter_list.size() - 1};
    static constexpr Joined<total_size({Name.view(), "($self", params, ")\n--\n\n"})> doc{
        Name.view(), "($self", params, ")\n--\n\n"};
};

// ---------------------------------------------------------------------------
// The frame itself.

template <class F>
struct Signature;
template <class R, class C, class... A>
struct Signature<R (C::*)(A...)> {
    using Self = C;
    using Args = std::tuple<A...>;
};
template <class R, class C, class... A>
struct Signature<R (C::*)(A...) const> : Signature<R (C::*)(A...)> {};
template <class R, class C, class... A>
struct Signature<R (*)(C&, A...)> {
    using Self = std::remove_const_t<C>;
    using Args = std::tuple<A...>;
};

// Converts the slots in parameter order; the first failure ends the call.
template <class... Args, std::size_t... I>
bool load_all(PyObject* const* slots, const char* const* names,
              std::tuple<typename Converter<Args>::Storage...>& storage,
              std::index_sequence<I...>) {
    bool loaded = true;
    ((loaded = loaded && (Converter<Args>::load(slots[I], std::get<I>(storage)) ||
                          (prefix_argument_name(names[I]), false))),
     ...);
    return loaded;
}

// Takes the hold on `self` (after checking its class), converts the slots
// in parameter order, runs the operation and converts its result.
template <Hold H, class Op, class... Args, std::size_t... I>
PyObject* run_with_self(PyObject* self, PyObject* const* slots, const char* const* names, Op op,
                        std::index_sequence<I...>) {
    using Self = typename Signature<Op>::Self;
    if (!PyObject_TypeCheck(self, PyClass<Self>::type())) {
        conversion_error(self, PyClass<Self>::name);
        return nullptr;
    }
    auto* object = reinterpret_cast<Object<Self>*>(self);
    HoldGuard hold;
    if (!hold.take(object->hold, H)) return nullptr;
    return guarded(
        [&]() -> PyObject* {
            std::tuple<typename Converter<Args>::Storage...> storage;
            if (!load_all<Args...>(slots, names, storage, std::index_sequence<I...>{}))
                return nullptr;
            return run_and_convert(op, object->value,
                                   Converter<Args>::get(std::get<I>(storage))...);
        },
        nullptr);
}

template <class Tuple>
struct RequiredCount;
template <class... Args>
struct RequiredCount<std::tuple<Args...>> {
    static constexpr int value = [] {
        constexpr bool optional[] = {Converter<Args>::optional..., true};
        int n = 0;
        while (n < static_cast<int>(sizeof...(Args)) && !optional[n]) ++n;
        return n;
    }();
};

template <class Op, class Tuple>
struct Frame;
template <class Op, class... Args>
struct Frame<Op, std::tuple<Args...>> {
    static constexpr int count = sizeof...(Args);
    static constexpr int required = RequiredCount<std::tuple<Args...>>::value;

    template <Hold H>
    static PyObject* call(PyObject* self, PyObject* const* slots, const char* const* names, Op op) {
        return run_with_self<H, Op, Args...>(self, slots, names, op,
                                             std::index_sequence_for<Args...>{});
    }
};

// "Board.get_pieces()", as binding errors name the callable.
template <Text Class, Text Name>
inline constexpr Joined<total_size({Class.view(), ".", Name.view(), "()"})> CALLABLE{
    Class.view(), ".", Name.view(), "()"};

// A method with parameters, called with the vectorcall convention.
template <Text Class, Text Name, auto Op, Hold H, Text... Params>
PyObject* fast_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                      PyObject* kwnames) noexcept {
    using F = Frame<decltype(Op), typename Signature<decltype(Op)>::Args>;
    static_assert(F::count == sizeof...(Params), "one name per parameter");
    static constexpr const char* names[] = {Params.chars..., nullptr};
    // The common call passes every argument by position: nothing to bind.
    if (!kwnames && nargs == F::count) return F::template call<H>(self, args, names, Op);
    const Parameters params{CALLABLE<Class, Name>.c_str(), names, F::count, F::required};
    std::array<PyObject*, sizeof...(Params) + 1> slots{};
    if (!bind_fastcall(params, args, nargs, kwnames, slots.data())) return nullptr;
    return F::template call<H>(self, slots.data(), names, Op);
}

// A method without parameters; the interpreter refuses any argument.
template <auto Op, Hold H>
PyObject* no_arg_method(PyObject* self, PyObject*) noexcept {
    using F = Frame<decltype(Op), std::tuple<>>;
    return F::template call<H>(self, nullptr, nullptr, Op);
}

// str() and repr(): one operation for both slots.
template <auto Op, Hold H>
PyObject* text_slot(PyObject* self) noexcept {
    return no_arg_method<Op, H>(self, nullptr);
}

// One row of a method table, its documentation the text signature.
template <Text Class, Text Name, auto Op, Hold H, Text... Params>
constexpr PyMethodDef method() {
    using Doc = MethodText<Name, Params...>;
    if constexpr (sizeof...(Params) == 0) {
        return {Name.chars, reinterpret_cast<PyCFunction>(no_arg_method<Op, H>), METH_NOARGS,
                Doc::doc.c_str()};
    } else {
        return {Name.chars,
                reinterpret_cast<PyCFunction>(
                    reinterpret_cast<void (*)()>(fast_method<Class, Name, Op, H, Params...>)),
                METH_FASTCALL | METH_KEYWORDS, Doc::doc.c_str()};
    }
}

// ---------------------------------------------------------------------------
// Properties: read under a shared hold; written by converting the value
// first and only then taking the exclusive hold, so a refused value
// changes nothing.

template <auto Get>
PyObject* property_getter(PyObject* self, void*) noexcept {
    return no_arg_method<Get, Hold::shared>(self, nullptr);
}

template <class F>
struct SetterSignature;
template <class C, class V>
struct SetterSignature<void (*)(C&, V)> {
    using Self = C;
    using Value = V;
};

template <Text Name, auto Set>
int property_setter(PyObject* self, PyObject* value, void*) noexcept {
    using Self = typename SetterSignature<decltype(Set)>::Self;
    using Value = typename SetterSignature<decltype(Set)>::Value;
    if (!value) {
        PyErr_SetString(PyExc_AttributeError, "can't delete attribute");
        return -1;
    }
    typename Converter<Value>::Storage storage{};
    if (!Converter<Value>::load(value, storage)) {
        prefix_argument_name(Name.chars);
        return -1;
    }
    if (!PyObject_TypeCheck(self, PyClass<Self>::type())) {
        conversion_error(self, PyClass<Self>::name);
        return -1;
    }
    auto* object = reinterpret_cast<Object<Self>*>(self);
    HoldGuard hold;
    if (!hold.take(object->hold, Hold::exclusive)) return -1;
    Set(object->value, Converter<Value>::get(storage));
    return 0;
}

template <Text Name, auto Get, auto Set>
constexpr PyGetSetDef property() {
    return {Name.chars, property_getter<Get>, property_setter<Name, Set>, "", nullptr};
}

// ---------------------------------------------------------------------------
// Constructors: bind and convert, let the core build the value (a fault
// means no object at all), then allocate the object and move the value in.

template <class F>
struct MakerSignature;
template <class R, class... A>
struct MakerSignature<R (*)(A...)> {
    using Args = std::tuple<A...>;
};

template <Text Class, auto Make, class... Args, std::size_t... I>
PyObject* construct(PyTypeObject* type, PyObject* const* slots, const char* const* names,
                    std::index_sequence<I...>) {
    return guarded(
        [&]() -> PyObject* {
            std::tuple<typename Converter<Args>::Storage...> storage;
            if (!load_all<Args...>(slots, names, storage, std::index_sequence<I...>{}))
                return nullptr;
            return new_object(type, Make(Converter<Args>::get(std::get<I>(storage))...));
        },
        nullptr);
}

template <Text Class, auto Make, Text... Params>
PyObject* constructor(PyTypeObject* type, PyObject* args, PyObject* kwargs) noexcept {
    return [&]<class... Args>(std::tuple<Args...>*) -> PyObject* {
        static constexpr const char* names[] = {Params.chars..., nullptr};
        static_assert(sizeof...(Args) == sizeof...(Params), "one name per parameter");
        const Parameters params{CALLABLE<Class, "__new__">.c_str(), names,
                                static_cast<int>(sizeof...(Args)),
                                RequiredCount<std::tuple<Args...>>::value};
        std::array<PyObject*, sizeof...(Args) + 1> slots{};
        if (!bind_tuple(params, args, kwargs, slots.data())) return nullptr;
        return construct<Class, Make, Args...>(type, slots.data(), names,
                                               std::index_sequence_for<Args...>{});
    }(static_cast<typename MakerSignature<decltype(Make)>::Args*>(nullptr));
}

}  // namespace vorpane::python

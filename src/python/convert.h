// Conversions between Python objects and the core's values, chosen by the
// declared C++ type of each parameter and result.
#pragma once

#include <Python.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "board/board.h"
#include "python/errors.h"
#include "python/objects.h"

namespace vorpane::python {

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

}  // namespace vorpane::python

// Argument binding (positional and keyword arguments matched to parameter
// names, with the interpreter's wording for every refusal) and the texts
// built at compile time: callable names and documentation texts.
#pragma once

#include <Python.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace vorpane::python {

// ---------------------------------------------------------------------------
// Argument binding: every parameter is positional-or-keyword.

struct Parameters {
    const char* callable;  // "Board.get_pieces()"
    const char* const* names;
    int count;
    int required;  // the first `required` parameters have no default
};

// The `missing` required parameters left empty, listed as the interpreter
// lists them: 'a' and 'b', or 'a', 'b', and 'c'.
inline std::string missing_names(const Parameters& params, PyObject* const* slots, int missing) {
    std::string text;
    int listed = 0;
    for (int i = 0; i < params.required; ++i) {
        if (slots[i]) continue;
        if (listed > 0) text += missing == 2 ? " and " : listed == missing - 1 ? ", and " : ", ";
        text += "'" + std::string(params.names[i]) + "'";
        ++listed;
    }
    return text;
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
        std::string names = missing_names(params, slots, missing);
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

}  // namespace vorpane::python

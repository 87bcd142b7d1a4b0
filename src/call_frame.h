// The call frame: the one path every Python call takes into the chess core.
//
// It binds positional and keyword arguments to parameter names, takes the
// hold the operation declares on `self`, converts each argument by its C++
// type, runs the operation, converts the result and releases every hold on
// every way out. A Fault thrown by the core becomes InternalFault here and
// nowhere else. Every function the interpreter calls is noexcept.
#pragma once

#include <Python.h>

#include <array>
#include <tuple>
#include <type_traits>
#include <utility>

#include "python/binding.h"
#include "python/convert.h"
#include "python/errors.h"
#include "python/objects.h"

namespace vorpane::python {

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

// Python objects of our classes: their layout, the holds on them, and their
// allocation.
#pragma once

#include <Python.h>

#include <array>
#include <new>
#include <type_traits>
#include <utility>

#include "board/board.h"

namespace vorpane::python {

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

}  // namespace vorpane::python

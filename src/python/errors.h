// Errors of the call frame, and faults of the core turned into InternalFault.
#pragma once

#include <Python.h>

#include <cstdio>
#include <new>

#include "board/fault.h"

namespace vorpane::python {

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

}  // namespace vorpane::python

// Faults: the chess core has no error codes. Inconsistent data stops the
// operation with a message; only the Python call frame catches it.
#pragma once

#include <cstdint>
#include <source_location>
#include <string>

namespace vorpane {

struct Fault {
    std::string message;
    std::source_location where;
};

[[noreturn]] void fault(std::string message,
                        std::source_location where = std::source_location::current());

// A table or list read beyond its end.
[[noreturn]] void index_fault(std::uint64_t length, std::uint64_t index,
                              std::source_location where = std::source_location::current());

// A value that must be present is absent (an empty history, no castling text).
[[noreturn]] void missing_value_fault(
    std::source_location where = std::source_location::current());

}  // namespace vorpane

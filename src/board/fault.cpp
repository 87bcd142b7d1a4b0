#include "board/fault.h"

namespace vorpane {

void fault(std::string message, std::source_location where) {
    throw Fault{std::move(message), where};
}

void index_fault(std::uint64_t length, std::uint64_t index, std::source_location where) {
    fault("index out of bounds: the len is " + std::to_string(length) + " but the index is " +
              std::to_string(index),
          where);
}

void missing_value_fault(std::source_location where) {
    fault("missing value: an absent value was used", where);
}

}  // namespace vorpane

#include "util/Error.h"

namespace lumora {

Error::Error(int number, std::string description)
    : std::runtime_error("Error " + std::to_string(number) + ": " + description),
      number_(number),
      description_(std::move(description)) {}

std::string Error::message() const { return what(); }

}  // namespace lumora

#pragma once

#include <stdexcept>
#include <string>

namespace lumora {

// A failure reported to the user as "Error N: description". The numbers follow
// the classic run-time error numbering so that messages read as users know them.
class Error : public std::runtime_error {
public:
    enum Number : int {
        InvalidCall = 5,
        Overflow = 6,
        SubscriptOutOfRange = 9,
        DivisionByZero = 11,
        TypeMismatch = 13,
        FileNotFound = 53,
        InputPastEnd = 62,
        PathAccess = 75,
    };

    Error(int number, std::string description);

    int number() const { return number_; }
    const std::string& description() const { return description_; }
    // "Error 53: File not found"
    std::string message() const;

private:
    int number_;
    std::string description_;
};

}  // namespace lumora

// The error of the PDF tool: a number and a description, raised up to the
// job's one error handler. Procedures that catch an error replace only the
// description and raise it again with the same number.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace pdfforms {

class NumberedError : public std::runtime_error {
public:
    NumberedError(std::int32_t number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}

    std::int32_t number() const { return number_; }
    const std::string& description() const { return description_; }

    // The same error with another description.
    NumberedError withDescription(std::string description) const {
        return NumberedError(number_, std::move(description));
    }

private:
    std::int32_t number_;
    std::string description_;
};

} // namespace pdfforms

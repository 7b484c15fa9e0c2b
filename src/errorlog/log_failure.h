#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace quorvex {

// A failure of the error log (the disk, a lock, a damaged file), carrying what the reader's
// failure handler reports: "Error Number: <number>" and "Error Description: <description>".
class LogFailure : public std::runtime_error {
public:
    LogFailure(int code, std::string text) : std::runtime_error(text), number(code), description(std::move(text)) {}

    int number;
    std::string description;
};

}  // namespace quorvex

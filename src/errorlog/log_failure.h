#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace quorvex {

// A failure of the error log (the disk, a lock, a damaged file), carrying what the reader's
// failure handler reports: "Error Number: <number>" and "Error Description: <description>".
class LogFailure : public std::runtime_error {
public:
    LogFailure(int number, std::string description)
        : std::runtime_error(description), number(number), description(std::move(description)) {}

    int number;
    std::string description;
};

}  // namespace quorvex

// quorvex-check run in the test's own process, its standard output and error captured.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cli/check_main.h"
#include "reader/run.h"

namespace quorvex::test {

struct CliResult { int status; std::string out, err; };

// The permissions of a file only its owner may read and write.
inline constexpr auto kPrivateFile = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

// `args` without the program's name.
inline CliResult CheckInProcess(std::vector<std::string> args, const std::function<void(RunOptions&)>& adjust = {},
                                const Environment& env = {}) {
    args.insert(args.begin(), "quorvex-check");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
    const int status = CheckMain(static_cast<int>(argv.size()), argv.data(), adjust, env);
    std::string out = (std::cout.flush(), testing::internal::GetCapturedStdout());
    return {status, out, testing::internal::GetCapturedStderr()};
}

// How often `what` stands in `text`.
inline std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The partial fingerprints of a SARIF document's results, in order.
inline std::vector<std::string> Fingerprints(const std::string& sarif) {
    std::vector<std::string> prints;
    const std::string key = "\"quorvexFinding/v2\":\"";
    for (std::size_t at = sarif.find(key); at != std::string::npos; at = sarif.find(key, at + 1))
        prints.push_back(sarif.substr(at + key.size(), 16));
    return prints;
}

}  // namespace quorvex::test

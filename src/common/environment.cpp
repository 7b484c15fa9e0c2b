#include "common/environment.h"

#include <cstdlib>

namespace quorvex {

namespace {

// The runs a history may be asked to keep.
constexpr long kMostHistoryRuns = 10000;

std::optional<int> HistoryRuns(const char* value) {
    if (!value || !*value) return std::nullopt;
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    if (*end != '\0' || n < 0 || n > kMostHistoryRuns) return std::nullopt;
    return static_cast<int>(n);
}

}  // namespace

Environment ReadEnvironment(const std::function<const char*(const char*)>& lookUp) {
    const auto text = [&](const char* name) -> std::optional<std::string> {
        const char* value = lookUp(name);
        if (!value || !*value) return std::nullopt;
        return std::string(value);
    };
    Environment env;
    env.dataDir = text("QUORVEX_DATA_DIR");
    env.writerThread = text("QUORVEX_THREADS") != "1";
    env.historyRuns = HistoryRuns(lookUp("QUORVEX_HISTORY_RUNS"));
    env.timeline = text("QUORVEX_TIMELINE").value_or("");
    // Anything but 0 hides the SSNs: a pipeline that sets it never sends one out by a value
    // it did not expect.
    const std::optional<std::string> redact = text("QUORVEX_REDACT");
    env.hideSsns = redact && *redact != "0";
    env.fingerprintKey = text("QUORVEX_FINGERPRINT_KEY");
    // A whole number other than 0 (the window's tests and scripts set 1).
    if (const char* unattended = lookUp("QUORVEX_UNATTENDED"); unattended && *unattended) {
        char* end = nullptr;
        env.unattended = std::strtol(unattended, &end, 10) != 0 && *end == '\0';
    }
    return env;
}

}  // namespace quorvex

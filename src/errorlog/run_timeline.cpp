#include "errorlog/run_timeline.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "common/safe_file.h"

namespace quorvex::timeline {

namespace {

using Clock = std::chrono::steady_clock;

struct MarkAt {
    const char* name;
    Clock::time_point at;
};

constexpr std::size_t kMarks = 64;
std::array<MarkAt, kMarks> g_marks{};
std::atomic<std::size_t> g_count{0};
std::array<std::atomic<Clock::rep>, static_cast<std::size_t>(Wait::kCount)> g_waits{};

const char* WaitName(std::size_t i) {
    switch (static_cast<Wait>(i)) {
        case Wait::WriterIdle: return "writer-idle";
        case Wait::ChecksForBuffer: return "checks-for-buffer";
        case Wait::ChecksForDrain: return "checks-for-drain";
        case Wait::kCount: break;
    }
    return "?";
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

// Set once by KeepIn before any thread of a run starts, read-only after.
std::string& TimelineFile() {
    static std::string file;
    return file;
}

void KeepIn(std::string file) { TimelineFile() = std::move(file); }

bool Enabled() { return !TimelineFile().empty(); }

void Mark(const char* name) {
    if (Enabled()) Mark(name, Clock::now());
}

void Mark(const char* name, Clock::time_point at) {
    if (!Enabled()) return;
    const std::size_t i = g_count.fetch_add(1, std::memory_order_relaxed);
    if (i < kMarks) g_marks[i] = {name, at};
}

void AddWait(Wait which, Clock::duration d) {
    g_waits[static_cast<std::size_t>(which)].fetch_add(d.count(), std::memory_order_relaxed);
}

void Write(long long recordsTested) {
    if (!Enabled()) return;
    // Appended to, never through a link, like every file the program writes.
    const int fd = CreatePrivateFile(TimelineFile(), O_WRONLY | O_APPEND);
    std::FILE* f = fd >= 0 ? ::fdopen(fd, "a") : nullptr;
    if (fd >= 0 && !f) ::close(fd);
    const std::size_t n = std::min(g_count.exchange(0), kMarks);
    if (f) {
        for (std::size_t i = 0; i < n; ++i)
            std::fprintf(f, "mark %s %.6f\n", g_marks[i].name, Seconds(g_marks[i].at.time_since_epoch()));
        std::fprintf(f, "count records %lld\n", recordsTested);
        for (std::size_t i = 0; i < g_waits.size(); ++i)
            std::fprintf(f, "wait %s %.6f\n", WaitName(i), Seconds(Clock::duration(g_waits[i].exchange(0))));
        std::fclose(f);
    }
}

}  // namespace quorvex::timeline

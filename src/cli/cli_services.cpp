#include "cli/cli_services.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <utility>

#include "cli/stop_signals.h"
#include "common/terminal_text.h"
#include "common/text_1252.h"

namespace quorvex {

namespace {
// The file a name on the command line stands for: "-" is standard input.
std::string Absolute(const std::string& name) {
    if (name == "-") return "/dev/stdin";
    std::error_code ec;
    auto p = std::filesystem::absolute(name, ec);
    return ec ? name : p.lexically_normal().string();
}
}  // namespace

CliServices::CliServices(std::string firstFile, std::deque<std::string> nextFiles, Date today, bool progress,
                         bool quiet)
    : firstFile_(std::move(firstFile)),
      nextFiles_(std::move(nextFiles)),
      today_(today),
      progress_(progress),
      quiet_(quiet) {}

CliServices::~CliServices() { ClearProgress(); }

std::string CliServices::Given(const std::string& name, bool next) {
    const std::string file = Absolute(name);
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status) && (!ec || ec == std::errc::no_such_file_or_directory)) {
        missing_.push_back(name);
    } else if (next && std::filesystem::is_directory(status)) {
        unreadable_.push_back({name, "it is a folder"});
    } else if (next && ::access(file.c_str(), R_OK) != 0) {
        unreadable_.push_back({name, std::string("it cannot be read (") + std::strerror(errno) + ")"});
    }
    if (std::find_if(given_.begin(), given_.end(), [&](const auto& g) { return g.first == file; }) == given_.end())
        given_.emplace_back(file, name);
    return file;
}

std::string_view CliServices::AsGiven(std::string_view file) const {
    for (const auto& [opened, name] : given_)
        if (opened == file) return name;
    return file;
}

void CliServices::EndProgress(bool complete) {
    if (progressShown_ && complete && !lastBar_.empty() && !full_) {
        std::fputs(lastBar_.c_str(), stderr);
        std::fflush(stderr);
    }
    ClearProgress();
}

std::optional<std::string> CliServices::OpenFile(FileAsked which) {
    if (which == FileAsked::First) {
        // The first file is given once; a second first-file dialog counts as cancelled.
        auto f = std::exchange(firstFile_, std::nullopt);
        if (f) return Given(*f, false);
        return std::nullopt;
    }
    if (nextFiles_.empty()) return std::nullopt;
    std::string f = nextFiles_.front();
    nextFiles_.pop_front();
    return Given(f, true);
}

MsgAnswer CliServices::Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) {
    ClearProgress();
    // Quiet: results, notes and questions are not printed; warnings and errors are.
    const bool problem = icon == MsgIcon::Critical || icon == MsgIcon::Exclamation;
    if (quiet_ && !problem) return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    // The box's lines are broken by CR LF; any other control character in it comes from a
    // file name or a record, and is shown escaped.
    std::string out = TerminalValue(Cp1252ToUtf8(title)) + ": ";
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        out += TerminalValue(Cp1252ToUtf8(text.substr(start, end - start)));
        if (end == std::string_view::npos) break;
        out += '\n';
        start = end + 2;
    }
    Print(stderr, out + "\n");
    switch (buttons) {
        case MsgButtons::YesNo: return MsgAnswer::No;
        case MsgButtons::OkCancel:
        case MsgButtons::Ok: return MsgAnswer::Ok;
    }
    return MsgAnswer::Ok;
}

bool CliServices::Yield() { return StopSignals::Received() == 0; }

void CliServices::ShowProgress(std::int64_t recCtr, std::int64_t recordsInFile, std::uint64_t fileLength) {
    if (!progress_) return;
    if (fileLength == 0) {
        // A pipe: its length is not known, so there is no share to show.
        std::fprintf(stderr, "\rProcessing Record Number: %lld", static_cast<long long>(recCtr));
        lastBar_.clear();
        std::fflush(stderr);
        progressShown_ = true;
        return;
    }
    double expected = static_cast<double>(fileLength) / 512.0;
    double fraction = expected > 0 ? static_cast<double>(recordsInFile) / expected : 0.0;
    if (fraction > 1) fraction = 1;
    constexpr int width = 40;
    // Rounded: a file read to its end shows 100 %, though its line ends make it a little
    // longer than its records.
    const int filled = static_cast<int>(std::lround(fraction * width));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(width, '.');
    std::fprintf(stderr, "\rProcessing Record Number: %lld [%s] %3d%%", static_cast<long long>(recCtr), bar.c_str(),
                 static_cast<int>(std::lround(fraction * 100)));
    full_ = filled == width;
    lastBar_.assign("\rProcessing Record Number: ").append(std::to_string(recCtr)).append(" [");
    lastBar_.append(width, '#').append("] 100%");
    std::fflush(stderr);
    progressShown_ = true;
}

void CliServices::ClearProgress() {
    if (progressShown_) {
        std::fprintf(stderr, "\r%100s\r", "");
        std::fflush(stderr);
        progressShown_ = false;
    }
}

}  // namespace quorvex

#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/dialog_services.h"

namespace quorvex {

// Dialog services of the command line: the file dialogs are answered from the arguments,
// message boxes are printed to standard error and answered with their default button.
class CliServices final : public DialogServices {
public:
    // With `quiet`, only the messages of errors are printed (results and questions are not).
    CliServices(std::string firstFile, std::deque<std::string> nextFiles, Date today, bool progress,
                bool quiet = false);
    ~CliServices() override;

    std::optional<std::string> OpenFile(FileAsked which) override;
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override;
    // False once Ctrl-C or SIGTERM came (StopSignals): the run stops as at the window's Exit.
    bool Yield() override;
    Date Today() override { return today_; }
    void ShowProgress(std::int64_t recCtr, std::int64_t recordsInFile, std::uint64_t fileLength) override;

    // The files the run did not test, as the command line named them: the NEXT-FILEs no
    // dialog asked for, and the files given to a dialog that were not there.
    const std::deque<std::string>& Unasked() const { return nextFiles_; }
    const std::vector<std::string>& Missing() const { return missing_; }
    // A NEXT-FILE that was there but could not be read (a folder, no permission), and why.
    struct Unreadable {
        std::string name;
        std::string why;
    };
    const std::vector<Unreadable>& UnreadableFiles() const { return unreadable_; }

    // The name the command line gave for the file a dialog was answered with ("-" for
    // standard input); `file` itself when it gave none.
    std::string_view AsGiven(std::string_view file) const;

    // The run has ended: the progress bar, if one is shown, is drawn full when the run
    // read its files to their end (`complete`), then cleared, before anything follows it.
    void EndProgress(bool complete);

private:
    void ClearProgress();
    // The file `name` stands for; a name that is not there is noted as missing, a next file
    // that cannot be read as unreadable.
    std::string Given(const std::string& name, bool next);

    std::optional<std::string> firstFile_;
    std::deque<std::string> nextFiles_;
    std::vector<std::string> missing_;
    std::vector<Unreadable> unreadable_;
    Date today_;
    bool progress_;
    bool quiet_;
    bool progressShown_ = false;
    std::string lastBar_;  // the progress line last drawn with a share, at 100 %
    bool full_ = false;    // that line was drawn full
    std::vector<std::pair<std::string, std::string>> given_;  // file opened, name given
};

}  // namespace quorvex

#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "common/dialog_services.h"

namespace quorvex {

// What a test run needs from the window itself, as opposed to questions to the user.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    // Processes waiting window events; false when the user chose Exit meanwhile.
    virtual bool ProcessWindowEvents() = 0;
    virtual void ShowBusy(bool busy) = 0;
    virtual void ShowRunProgress(std::int64_t recCtr, std::int64_t recordsInFile,
                                 std::uint64_t fileLength) = 0;
    // A file dialog of the run gave a file: the run is going to read it.
    virtual void FileChosen() {}
    // A message box of the run is about to be shown.
    virtual void BeforeMessage() {}
};

// The services a test run started from the main window talks to: questions go to the
// prompter (Qt dialogs, or a script in the tests), yields and progress to the window as
// well. A file dropped onto the window answers the next file dialog.
class RunServices : public DialogServices {
public:
    RunServices(DialogServices& prompter, RunDisplay& display)
        : prompter_(&prompter), display_(display) {}

    void QueueFile(std::string path) { queuedFiles_.push_back(std::move(path)); }
    void ClearQueuedFiles() { queuedFiles_.clear(); }

    std::optional<std::string> OpenFile(FileAsked which) override;
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon,
                      MsgButtons buttons) override;
    MsgAnswer MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon,
                          MsgButtons buttons) override;
    bool Yield() override;
    void SetBusy(bool busy) override;
    Date Today() override;
    void ShowProgress(std::int64_t recCtr, std::int64_t recordsInFile,
                      std::uint64_t fileLength) override;

private:
    DialogServices* prompter_;
    RunDisplay& display_;
    std::deque<std::string> queuedFiles_;
};

}  // namespace quorvex

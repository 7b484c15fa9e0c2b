#include "shell/gui/run_services.h"

namespace quorvex {

std::optional<std::string> RunServices::OpenFile(FileAsked which) {
    std::optional<std::string> file;
    if (!queuedFiles_.empty()) {
        file = std::move(queuedFiles_.front());
        queuedFiles_.pop_front();
    } else {
        file = prompter_->OpenFile(which);
    }
    if (file) display_.FileChosen();
    return file;
}

MsgAnswer RunServices::Message(std::string_view text, std::string_view title, MsgIcon icon,
                               MsgButtons buttons) {
    display_.BeforeMessage();
    return prompter_->Message(text, title, icon, buttons);
}

MsgAnswer RunServices::MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon,
                                   MsgButtons buttons) {
    display_.BeforeMessage();
    return prompter_->MessageUtf8(text, title, icon, buttons);
}

bool RunServices::Yield() {
    // Both must be asked: the window may have seen Exit, a scripted prompter may end the run.
    const bool windowGoesOn = display_.ProcessWindowEvents();
    const bool prompterGoesOn = prompter_->Yield();
    return windowGoesOn && prompterGoesOn;
}

void RunServices::SetBusy(bool busy) {
    display_.ShowBusy(busy);
    prompter_->SetBusy(busy);
}

Date RunServices::Today() { return prompter_->Today(); }

void RunServices::ShowProgress(std::int64_t recCtr, std::int64_t recordsInFile,
                               std::uint64_t fileLength) {
    display_.ShowRunProgress(recCtr, recordsInFile, fileLength);
    prompter_->ShowProgress(recCtr, recordsInFile, fileLength);
}

}  // namespace quorvex

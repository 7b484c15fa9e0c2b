#include "shell/gui/run_services.h"

namespace quorvex {

std::optional<std::string> RunServices::OpenFile(std::string_view title, std::string_view filter) {
    std::optional<std::string> file;
    if (!queuedFiles_.empty()) {
        file = std::move(queuedFiles_.front());
        queuedFiles_.pop_front();
    } else {
        file = prompter_->OpenFile(title, filter);
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

std::optional<std::string> RunServices::SaveFile(std::string_view title, std::string_view folder,
                                                 std::string_view filter) {
    return prompter_->SaveFile(title, folder, filter);
}

std::optional<FontChoice> RunServices::ChooseFont(std::string_view title, const FontChoice& current, int minSize,
                                                  int maxSize) {
    return prompter_->ChooseFont(title, current, minSize, maxSize);
}

std::optional<std::string> RunServices::AssociatedProgram(std::string_view document) {
    return prompter_->AssociatedProgram(document);
}

bool RunServices::PrintDocument(std::string_view document) { return prompter_->PrintDocument(document); }

bool RunServices::StartProgram(std::string_view program, std::string_view argument) {
    return prompter_->StartProgram(program, argument);
}

}  // namespace quorvex

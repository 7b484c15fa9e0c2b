#pragma once

#include <exception>
#include <filesystem>
#include <initializer_list>
#include <span>

#include "common/dialog_services.h"
#include "common/gui/commands.h"

class QWidget;

namespace quorvex {

// What the result views need of the window that holds them: its questions, its program
// folder, its commands and its screens. The main window is one; the views know no more of
// it than this.
class ResultsHost {
public:
    virtual DialogServices& Services() = 0;
    virtual const std::filesystem::path& ProgramFolder() const = 0;
    // The window itself, for its caption; the area below the welcome screen for the views.
    virtual QWidget& Window() = 0;
    virtual QWidget* ResultsArea() const = 0;

    virtual void SetEnabled(Command command, bool enabled) = 0;
    virtual void Apply(std::span<const CommandState> states) = 0;
    void Apply(std::initializer_list<CommandState> states) { Apply(std::span(states.begin(), states.size())); }
    // The agency logo and the welcome text.
    virtual void ShowWelcomeScreen(bool shown) = 0;
    virtual void HideDisclosure() = 0;
    virtual void HideProgress() = 0;
    // A failure of the log, told as the run tells it ("Error Number: ..."); never fatal.
    virtual void ShowFailure(const std::exception& failure) = 0;
    // The end of the last run has been shown: Exit no longer records it as aborted.
    virtual void RunShown() = 0;

protected:
    ~ResultsHost() = default;
};

}  // namespace quorvex

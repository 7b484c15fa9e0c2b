#pragma once

class QFrame;
class QLabel;
class QPlainTextEdit;
class QVBoxLayout;
class QWidget;

namespace quorvex {

// The welcome screen of the main window: the agency logo beside the welcome text, and the
// disclaimer below them until a test is asked for. Its widgets belong to the window and sit
// in the window's own column.
class WelcomeScreen {
public:
    // Makes the widgets as children of `central` and adds them to `column`.
    WelcomeScreen(QWidget* central, QVBoxLayout* column);
    WelcomeScreen(const WelcomeScreen&) = delete;
    WelcomeScreen& operator=(const WelcomeScreen&) = delete;

    // The welcome text and the disclaimer, its cursor at the start of its first line.
    void Load();
    // The logo and the welcome text.
    void Show(bool shown);
    void HideDisclosure();

private:
    QLabel* logo_;
    QLabel* welcome_;
    QFrame* disclosureFrame_;
    QPlainTextEdit* disclosure_;
};

}  // namespace quorvex

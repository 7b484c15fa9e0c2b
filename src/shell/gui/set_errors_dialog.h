#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quorvex {

class MainWindow;

// Passes only the digits and Backspace typed into an entry; other keys that would put a
// character into it are discarded. Keys that type nothing (Tab, Enter, arrows) pass.
class DigitKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// frmSetErrors: sets the error limit, saves it to ErrSetLog.ini and starts a test run.
// It does not block the main window.
class SetErrorsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SetErrorsDialog(MainWindow& window);

    // Shows the dialog with the current limit, centred on the screen.
    void Open();
    QLineEdit* Entry() const { return entry_; }

private:
    void Accept();

    MainWindow& window_;
    QPlainTextEdit* message_ = nullptr;
    QLineEdit* entry_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace quorvex

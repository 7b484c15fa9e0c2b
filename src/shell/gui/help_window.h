#pragma once

#include <QWidget>

class QTextBrowser;

namespace quorvex {

// The help of the program: HTML pages shipped in the program's resources, opened at
// "Welcome.htm". Closing the main window closes it too.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner);

    void ShowHome();
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace quorvex

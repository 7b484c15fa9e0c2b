#pragma once

#include <QWidget>

class QTextBrowser;

namespace quorvex {

// The help of the program: HTML pages shipped in the program's resources, opened at
// "Welcome.htm". It opens over the main window, wholly on the screen; Escape closes it,
// and so does closing the main window.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner);

    void ShowHome();
    QTextBrowser* Browser() const { return browser_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PlaceOnScreen();

    QTextBrowser* browser_ = nullptr;
};

}  // namespace quorvex

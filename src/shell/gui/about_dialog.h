#pragma once

#include <QDialog>
#include <QString>


class QFont;

namespace quorvex {

// The lines of the about box: product name and the version numbers of this build.
QString AboutText();

// The width a window needs for `title` to show whole in its title bar, beside the
// window manager's icon and buttons.
int TitleWidth(const QString& title, const QFont& font);

// The about box, captioned "About Quorvex / Tax Year 2008".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace quorvex

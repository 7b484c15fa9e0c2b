#pragma once

#include <QDialog>
#include <QString>

namespace quorvex {

// The lines of the about box: product name and the version numbers of this build.
QString AboutText();

// The about box, captioned "About Quorvex / Tax Year 2008".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace quorvex

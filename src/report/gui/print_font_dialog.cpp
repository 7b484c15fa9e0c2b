#include "report/gui/print_font_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontInfo>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "report/gui/qt_print_surface.h"

namespace quorvex {

PrintFontDialog::PrintFontDialog(const FontChoice& current, int minSize, int maxSize, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PrintFontDialog"));
    family_ = new QFontComboBox(this);
    family_->setObjectName(QStringLiteral("family"));
    family_->setFontFilters(QFontComboBox::MonospacedFonts);
    family_->setEditable(false);
    family_->setCurrentFont(StartFont(current));
    size_ = new QSpinBox(this);
    size_->setObjectName(QStringLiteral("size"));
    size_->setRange(minSize, maxSize);
    size_->setValue(std::clamp(current.size, minSize, maxSize));
    sample_ = new QLabel(QStringLiteral("Err Num: 12345  AaBbYyZz 0123456789"), this);
    sample_->setMinimumHeight(2 * QFontMetrics(QFont(family_->currentFont().family(), maxSize)).height());

    auto* form = new QFormLayout;
    form->addRow(tr("&Font:"), family_);
    form->addRow(tr("&Size:"), size_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(sample_);
    layout->addWidget(buttons);

    connect(family_, &QFontComboBox::currentFontChanged, this, &PrintFontDialog::ShowSample);
    connect(size_, &QSpinBox::valueChanged, this, &PrintFontDialog::ShowSample);
    ShowSample();
}

QFont PrintFontDialog::StartFont(const FontChoice& current) {
    const QFont drawn = PrintFont(current);
    return QFont(QFontInfo(drawn).family(), current.size);
}

void PrintFontDialog::ShowSample() { sample_->setFont(QFont(family_->currentFont().family(), size_->value())); }

FontChoice PrintFontDialog::Chosen() const {
    const QString family = family_->currentIndex() < 0 ? QString() : family_->currentFont().family();
    return FontChoice{family.toStdString(), size_->value()};
}

}  // namespace quorvex

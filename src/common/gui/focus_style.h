#pragma once

#include <QProxyStyle>

namespace quorvex {

// The platform's style with the keyboard focus plainly visible: a solid ring in the
// highlight colour, two pixels wide, around the focused button, check box or radio button
// (the style's own focus frame is a faint line). Installed once per program on the
// application.
class FocusFrameStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

}  // namespace quorvex

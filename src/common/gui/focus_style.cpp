#include "common/gui/focus_style.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOption>

namespace quorvex {

namespace {

constexpr int kRingWidth = 2;

void DrawRing(const QRect& around, const QPalette& palette, QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(palette.color(QPalette::Active, QPalette::Highlight), kRingWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The pen is centred on the path: inset by half its width, the ring stays inside `around`.
    painter.drawRect(QRectF(around).adjusted(kRingWidth / 2.0, kRingWidth / 2.0, -kRingWidth / 2.0, -kRingWidth / 2.0));
    painter.restore();
}

}  // namespace

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const {
    // The cells of the grids keep the style's own mark: their row is highlighted already.
    if (element == PE_FrameFocusRect && !qobject_cast<const QAbstractItemView*>(widget)) {
        DrawRing(option->rect, option->palette, *painter);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusFrameStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton && (option->state & State_HasFocus)) DrawRing(option->rect, option->palette, *painter);
}

}  // namespace quorvex

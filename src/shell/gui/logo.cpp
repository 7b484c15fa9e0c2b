#include "shell/gui/logo.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quorvex {

void DrawAgencyLogo(QPainter& painter, const QRectF& bounds) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(bounds.width(), bounds.height());
    painter.translate(bounds.center().x() - side / 2, bounds.center().y() - side / 2);
    painter.scale(side / 100.0, side / 100.0);

    // Shield.
    QPainterPath shield;
    shield.moveTo(50, 4);
    shield.cubicTo(66, 12, 80, 14, 92, 14);
    shield.cubicTo(92, 56, 78, 82, 50, 96);
    shield.cubicTo(22, 82, 8, 56, 8, 14);
    shield.cubicTo(20, 14, 34, 12, 50, 4);
    shield.closeSubpath();
    QLinearGradient fill(0, 0, 0, 100);
    fill.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
    fill.setColorAt(1, QColor(0x0e, 0x2a, 0x52));
    painter.setPen(QPen(QColor(0xc9, 0xa2, 0x3f), 3.5));
    painter.setBrush(fill);
    painter.drawPath(shield);

    // Ledger sheet with its lines.
    painter.setPen(QPen(QColor(0x0e, 0x2a, 0x52), 1.2));
    painter.setBrush(QColor(0xf7, 0xf4, 0xea));
    painter.drawRoundedRect(QRectF(28, 24, 44, 50), 3, 3);
    painter.setPen(QPen(QColor(0x9a, 0xb0, 0xcc), 1.6));
    for (int i = 0; i < 6; ++i) {
        const qreal y = 33 + i * 7;
        painter.drawLine(QPointF(33, y), QPointF(67, y));
    }

    // Check mark.
    QPainterPath check;
    check.moveTo(36, 54);
    check.lineTo(47, 66);
    check.lineTo(70, 36);
    painter.setPen(QPen(QColor(0x2e, 0x8b, 0x3e), 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(check);

    // Star of the agency at the top of the shield.
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = (i % 2 == 0) ? 5.5 : 2.4;
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(50 + radius * std::cos(angle), 14 + radius * std::sin(angle));
        if (i == 0) star.moveTo(point); else star.lineTo(point);
    }
    star.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xc9, 0xa2, 0x3f));
    painter.drawPath(star);
    painter.restore();
}

QPixmap AgencyLogo(int size) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawAgencyLogo(painter, QRectF(0, 0, size, size));
    return pixmap;
}

}  // namespace quorvex

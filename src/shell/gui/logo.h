#pragma once

#include <QPixmap>

class QPainter;
class QRectF;

namespace quorvex {

// The agency mark of the program: a shield with a ledger and a check mark, drawn in
// code so it is sharp at every size and needs no artwork file.
void DrawAgencyLogo(QPainter& painter, const QRectF& bounds);

// The mark as a square pixmap of `size` device-independent pixels.
QPixmap AgencyLogo(int size);

}  // namespace quorvex

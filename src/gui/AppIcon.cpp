#include "gui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quorvel::gui {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // A shield with a "Q".
        const qreal s = size;
        QPainterPath shield;
        shield.moveTo(s * 0.5, s * 0.04);
        shield.lineTo(s * 0.92, s * 0.18);
        shield.cubicTo(s * 0.92, s * 0.62, s * 0.72, s * 0.84, s * 0.5, s * 0.97);
        shield.cubicTo(s * 0.28, s * 0.84, s * 0.08, s * 0.62, s * 0.08, s * 0.18);
        shield.closeSubpath();
        painter.fillPath(shield, QColor(0x1f, 0x3b, 0x63));
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(static_cast<int>(s * 0.55));
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, s, s * 0.92), Qt::AlignCenter, "Q");
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace quorvel::gui

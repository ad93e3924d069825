#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace halyard {

QPixmap AppIconPixmap(int nSize)
{
    QPixmap pixmap(nSize, nSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double u = nSize / 32.0;
    // Sky disc.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 90, 160));
    painter.drawEllipse(QRectF(1 * u, 1 * u, 30 * u, 30 * u));
    // Mast.
    painter.setPen(QPen(QColor(235, 235, 235), 2.0 * u));
    painter.drawLine(QPointF(11 * u, 6 * u), QPointF(11 * u, 27 * u));
    painter.drawLine(QPointF(7 * u, 27 * u), QPointF(17 * u, 27 * u));
    // Pennant on its halyard.
    QPainterPath pennant;
    pennant.moveTo(12 * u, 7 * u);
    pennant.lineTo(25 * u, 11 * u);
    pennant.lineTo(12 * u, 15 * u);
    pennant.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 160, 20));
    painter.drawPath(pennant);
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int nSize : {16, 32, 48})
        icon.addPixmap(AppIconPixmap(nSize));
    return icon;
}

}  // namespace halyard

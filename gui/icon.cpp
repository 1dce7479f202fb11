// Draws the window icon.
#include "icon.h"

#include <QPainter>
#include <QPixmap>

namespace tv::gui {
namespace {

QPixmap draw(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const double u = size / 16.0;  // drawn on a 16 x 16 grid
    p.scale(u, u);
    // The receipt: a white strip with a zig-zag tear at the bottom.
    QPolygonF paper;
    paper << QPointF(3, 0.5) << QPointF(13, 0.5) << QPointF(13, 14) << QPointF(11.75, 15.5)
          << QPointF(10.5, 14) << QPointF(9.25, 15.5) << QPointF(8, 14) << QPointF(6.75, 15.5)
          << QPointF(5.5, 14) << QPointF(4.25, 15.5) << QPointF(3, 14);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    p.setPen(QPen(QColor(40, 40, 40), 1.0 / u * (size > 16 ? 1.5 : 1.0)));
    p.setBrush(Qt::white);
    p.drawPolygon(paper);
    // The logo: a dark square with a green dot, and two printed lines below it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 140));
    p.drawRect(QRectF(5, 2.5, 6, 5));
    p.setBrush(QColor(0, 200, 0));
    p.drawEllipse(QRectF(6.75, 3.75, 2.5, 2.5));
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(QRectF(4.5, 9, 7, 1));
    p.drawRect(QRectF(4.5, 11.5, 5, 1));
    return pm;
}

}  // namespace

QIcon thd_icon() {
    QIcon icon;
    icon.addPixmap(draw(16));
    icon.addPixmap(draw(32));
    return icon;
}

}  // namespace tv::gui

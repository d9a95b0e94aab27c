#include "browse/TreeImages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;

void drawTray(QPainter &p, const QColor &color)
{
    p.setPen(QPen(color.darker(150), 1.5));
    p.setBrush(color);
    QPainterPath tray;
    tray.moveTo(4, 18);
    tray.lineTo(10, 18);
    tray.lineTo(12, 22);
    tray.lineTo(20, 22);
    tray.lineTo(22, 18);
    tray.lineTo(28, 18);
    tray.lineTo(28, 28);
    tray.lineTo(4, 28);
    tray.closeSubpath();
    p.drawPath(tray);
}

void drawArrow(QPainter &p, const QColor &color, bool down)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    QPolygonF arrow;
    if (down)
        arrow << QPointF(13, 3) << QPointF(19, 3) << QPointF(19, 10) << QPointF(23, 10)
              << QPointF(16, 17) << QPointF(9, 10) << QPointF(13, 10);
    else
        arrow << QPointF(16, 2) << QPointF(23, 9) << QPointF(19, 9) << QPointF(19, 16)
              << QPointF(13, 16) << QPointF(13, 9) << QPointF(9, 9);
    p.drawPolygon(arrow);
}

void drawEnvelope(QPainter &p, const QRectF &r, const QColor &color)
{
    p.setPen(QPen(color.darker(160), 1.5));
    p.setBrush(color);
    p.drawRect(r);
    p.drawLine(r.topLeft(), QPointF(r.center().x(), r.center().y() + 2));
    p.drawLine(r.topRight(), QPointF(r.center().x(), r.center().y() + 2));
}

QPixmap draw(int index)
{
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 1: { // drafts: a sheet with a pencil
        p.setPen(QPen(QColor(90, 90, 90), 1.5));
        p.setBrush(QColor(250, 250, 240));
        p.drawRect(QRectF(6, 4, 18, 24));
        for (int y = 10; y <= 22; y += 4)
            p.drawLine(QPointF(9, y), QPointF(20, y));
        p.setPen(QPen(QColor(220, 150, 30), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(27, 6), QPointF(15, 24));
        break;
    }
    case 2: // outbox and other folders: a folder
        p.setPen(QPen(QColor(170, 120, 20), 1.5));
        p.setBrush(QColor(245, 200, 80));
        p.drawRect(QRectF(3, 9, 26, 18));
        p.drawRect(QRectF(3, 6, 11, 4));
        break;
    case 3: // inbox: a tray with an arrow going in
        drawTray(p, QColor(120, 170, 230));
        drawArrow(p, QColor(30, 120, 40), true);
        break;
    case 4: // mailbox: an envelope
        drawEnvelope(p, QRectF(3, 8, 26, 17), QColor(250, 235, 180));
        break;
    case 5: // sent: an envelope with an arrow going out
        drawEnvelope(p, QRectF(3, 14, 22, 14), QColor(230, 240, 250));
        drawArrow(p, QColor(30, 90, 180), false);
        break;
    case 6: { // trash: a bin
        p.setPen(QPen(QColor(80, 80, 80), 1.5));
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(QRectF(5, 6, 22, 3));
        p.drawRect(QRectF(13, 3, 6, 3));
        QPolygonF bin;
        bin << QPointF(7, 10) << QPointF(25, 10) << QPointF(23, 29) << QPointF(9, 29);
        p.drawPolygon(bin);
        for (int x = 12; x <= 20; x += 4)
            p.drawLine(QPointF(x, 13), QPointF(x, 26));
        break;
    }
    default:
        break;
    }
    return pm;
}

} // namespace

QIcon treeimage(int index)
{
    if (index < 1 || index > 6)
        return {};
    static QHash<int, QIcon> cache;
    auto it = cache.find(index);
    if (it == cache.end())
        it = cache.insert(index, QIcon(draw(index)));
    return *it;
}

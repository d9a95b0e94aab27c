#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;

const QColor ink(0x2b, 0x4a, 0x7a);
const QColor paper(0xf4, 0xf1, 0xe6);
const QColor accent(0x2e, 0x8b, 0x57);
const QColor warn(0xb0, 0x3a, 0x2e);

void envelope(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(ink, 1.6));
    p.setBrush(paper);
    p.drawRect(r);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.55);
    flap.lineTo(r.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void arrow(QPainter &p, QPointF from, QPointF to, const QColor &color)
{
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF wing1 = line;
    wing1.setLength(7);
    wing1.setAngle(line.angle() + 40);
    QLineF wing2 = line;
    wing2.setLength(7);
    wing2.setAngle(line.angle() - 40);
    p.drawLine(wing1);
    p.drawLine(wing2);
}

void folder(QPainter &p, const QRectF &r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 4);
    path.lineTo(r.left() + r.width() * 0.4, r.top() + 4);
    path.lineTo(r.left() + r.width() * 0.5, r.top() + 8);
    path.lineTo(r.right(), r.top() + 8);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(0x8a, 0x6d, 0x1f), 1.6));
    p.setBrush(QColor(0xf2, 0xc9, 0x4c));
    p.drawPath(path);
}

void draw(QPainter &p, ToolIcon which)
{
    switch (which) {
    case ToolIcon::Refresh: {
        p.setPen(QPen(accent, 3.2, Qt::SolidLine, Qt::RoundCap));
        const QRectF ring(6, 6, 20, 20);
        p.drawArc(ring, 60 * 16, 280 * 16);
        p.setBrush(accent);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(20, 2), QPointF(27, 8), QPointF(18, 11)}));
        break;
    }
    case ToolIcon::Forward:
        envelope(p, QRectF(2, 9, 20, 15));
        arrow(p, QPointF(16, 22), QPointF(30, 22), accent);
        break;
    case ToolIcon::Receive:
        envelope(p, QRectF(4, 13, 24, 16));
        arrow(p, QPointF(16, 2), QPointF(16, 14), accent);
        break;
    case ToolIcon::Move:
        folder(p, QRectF(3, 8, 26, 20));
        arrow(p, QPointF(8, 19), QPointF(23, 19), ink);
        break;
    case ToolIcon::Trash:
        p.setPen(QPen(warn, 1.8));
        p.setBrush(QColor(0xf7, 0xe3, 0xe0));
        p.drawRect(QRectF(8, 9, 16, 20));
        p.drawLine(QPointF(5, 8), QPointF(27, 8));
        p.drawRect(QRectF(13, 4, 6, 4));
        for (qreal x : {12.5, 16.0, 19.5})
            p.drawLine(QPointF(x, 12), QPointF(x, 26));
        break;
    case ToolIcon::Contacts:
        p.setPen(QPen(ink, 1.6));
        p.setBrush(paper);
        p.drawRoundedRect(QRectF(4, 3, 24, 26), 3, 3);
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(12, 7, 8, 8));
        p.drawChord(QRectF(9, 16, 14, 14), 0, 180 * 16);
        break;
    case ToolIcon::Application:
        envelope(p, QRectF(3, 7, 26, 19));
        p.setPen(Qt::NoPen);
        p.setBrush(warn);
        p.drawEllipse(QRectF(19, 17, 11, 11));
        break;
    }
}

} // namespace

QIcon toolIcon(ToolIcon which)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(kSize * scale, kSize * scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        draw(p, which);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

#include "ui/forwarding/ForwardingIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSize = 32;

QPixmap Blank()
{
    QPixmap picture(kSize, kSize);
    picture.fill(Qt::transparent);
    return picture;
}

} // namespace

QPixmap LinkIcon(LinkLook look)
{
    QPixmap picture = Blank();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = look == LinkLook::Connected    ? QColor(40, 160, 60)
                    : look == LinkLook::Connecting ? QColor(230, 170, 20)
                                                   : QColor(200, 40, 40);
    // Two stations and the line between them; the line breaks on an error.
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(QColor(220, 225, 235));
    painter.drawRect(1, 9, 9, 13);
    painter.drawRect(22, 9, 9, 13);
    painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    if (look == LinkLook::Error) {
        painter.drawLine(11, 16, 14, 16);
        painter.drawLine(18, 16, 21, 16);
        painter.drawLine(13, 11, 19, 21);
    } else if (look == LinkLook::Connecting) {
        painter.setPen(QPen(colour, 3, Qt::DotLine, Qt::RoundCap));
        painter.drawLine(11, 16, 21, 16);
    } else {
        painter.drawLine(11, 16, 21, 16);
    }
    return picture;
}

QPixmap ActivityIcon(int frame)
{
    QPixmap picture = Blank();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    // An arrow that runs from left to right in four steps; grey when still.
    int shift = frame < 0 ? 6 : frame * 5;
    QColor colour = frame < 0 ? QColor(160, 160, 160) : QColor(30, 90, 200);
    QPainterPath arrow;
    arrow.moveTo(2 + shift, 11);
    arrow.lineTo(10 + shift, 11);
    arrow.lineTo(10 + shift, 5);
    arrow.lineTo(19 + shift, 16);
    arrow.lineTo(10 + shift, 27);
    arrow.lineTo(10 + shift, 21);
    arrow.lineTo(2 + shift, 21);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(arrow);
    return picture;
}

#include "ui/alarms/AlarmListIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

constexpr int kSize = 16;

const QColor kGreen(30, 140, 60);
const QColor kAmber(230, 150, 0);
const QColor kRed(215, 25, 25);
const QColor kSlate(100, 115, 140);

// Drawn at twice the size too, so the icons stay sharp on dense screens.
QIcon Draw(const std::function<void(QPainter&)>& paint)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(kSize * scale, kSize * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Disc(QPainter& painter, const QColor& color, bool hollow = false)
{
    painter.setPen(QPen(color.darker(130), 1));
    painter.setBrush(hollow ? QBrush(Qt::white) : QBrush(color));
    painter.drawEllipse(QRectF(1, 1, 14, 14));
}

void Check(QPainter& painter, const QColor& color)
{
    QPainterPath path;
    path.moveTo(4.5, 8.5);
    path.lineTo(7, 11);
    path.lineTo(11.5, 5);
    painter.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void Pause(QPainter& painter, const QColor& color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRect(QRectF(5, 4.5, 2, 7));
    painter.drawRect(QRectF(9, 4.5, 2, 7));
}

void Exclamation(QPainter& painter, const QColor& color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(7, 3.5, 2, 6.5), 1, 1);
    painter.drawEllipse(QRectF(7, 11, 2, 2));
}

// A small square in the corner marks the states seen while the
// presentation window is active.
void PresentationMark(QPainter& painter)
{
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(QColor(40, 40, 40));
    painter.drawRect(QRectF(10.5, 10.5, 5, 5));
}

} // namespace

std::array<QIcon, 6> MakeStateIcons()
{
    return {
        Draw([](QPainter& p) {
            Disc(p, kGreen);
            Check(p, Qt::white);
        }),
        Draw([](QPainter& p) {
            Disc(p, kAmber);
            Pause(p, Qt::white);
        }),
        Draw([](QPainter& p) {
            Disc(p, kRed);
            Exclamation(p, Qt::white);
        }),
        Draw([](QPainter& p) {
            Disc(p, kSlate, true);
            Check(p, kSlate);
        }),
        Draw([](QPainter& p) {
            Disc(p, kAmber);
            Pause(p, Qt::white);
            PresentationMark(p);
        }),
        Draw([](QPainter& p) {
            Disc(p, kRed);
            Exclamation(p, Qt::white);
            PresentationMark(p);
        }),
    };
}

#include "ui/alarms/AlarmScroller.h"

#include <QPainter>

namespace {

constexpr int kPadding = 6;
// Blank space between the end of the text and its next start, in widths of
// the letter 'x'.
constexpr int kGapLetters = 8;

} // namespace

AlarmScroller::AlarmScroller(QWidget* parent) : QWidget(parent)
{
    setObjectName("AlarmScroller");
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(25, 25, 25));
    colours.setColor(QPalette::WindowText, QColor(255, 230, 120));
    setPalette(colours);
    QFont bigger = font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.15);
    bigger.setBold(true);
    setFont(bigger);
}

void AlarmScroller::SetText(const QString& text)
{
    m_text = text;
    m_offset = 0;
    update();
}

int AlarmScroller::Period() const
{
    QFontMetrics metrics = fontMetrics();
    return metrics.horizontalAdvance(m_text) + kGapLetters * metrics.horizontalAdvance('x');
}

void AlarmScroller::Advance()
{
    int period = Period();
    m_offset = period <= 0 ? 0 : (m_offset + kStep) % period;
    update();
}

QSize AlarmScroller::sizeHint() const
{
    return {200, fontMetrics().height() + 2 * kPadding};
}

QSize AlarmScroller::minimumSizeHint() const
{
    return {50, fontMetrics().height() + 2 * kPadding};
}

void AlarmScroller::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    int period = Period();
    if (m_text.isEmpty() || period <= 0)
        return;
    int baseline = (height() + fontMetrics().ascent() - fontMetrics().descent()) / 2;
    for (int x = -m_offset; x < width(); x += period)
        painter.drawText(x, baseline, m_text);
}

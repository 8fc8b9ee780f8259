#include "ui/alarms/AlarmScroller.h"

#include <QEvent>
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
    Prepare();
}

void AlarmScroller::SetText(const QString& text)
{
    m_text = text;
    m_offset = 0;
    Prepare();
    update();
}

void AlarmScroller::Prepare()
{
    QFontMetrics metrics = fontMetrics();
    m_period = metrics.horizontalAdvance(m_text) + kGapLetters * metrics.horizontalAdvance('x');
    m_laidOut.setText(m_text);
    m_laidOut.setTextFormat(Qt::PlainText);
    m_laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    m_laidOut.prepare(QTransform(), font());
}

void AlarmScroller::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Prepare();
}

void AlarmScroller::Advance()
{
    m_offset = m_period <= 0 ? 0 : (m_offset + kStep) % m_period;
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
    if (m_text.isEmpty() || m_period <= 0)
        return;
    QFontMetrics metrics = fontMetrics();
    int baseline = (height() + metrics.ascent() - metrics.descent()) / 2;
    // A laid-out text is placed by its top, not its baseline.
    int top = baseline - metrics.ascent();
    for (int x = -m_offset; x < width(); x += m_period)
        painter.drawStaticText(x, top, m_laidOut);
}

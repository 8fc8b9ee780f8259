#include "ui/alarms/AlarmListDelegate.h"

#include "ui/alarms/AlarmListColumns.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

void AlarmListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    int column = index.column();
    if (column == kColumnArrival || column == kColumnDeparture || column == kColumnActionTime)
        option->textElideMode = Qt::ElideLeft;
    option->state &= ~QStyle::State_HasFocus;
    // The priority colour stays visible in a selected row.
    if (column == kColumnPriority)
        option->state &= ~QStyle::State_Selected;
}

const AlarmListDelegate::LaidOut& AlarmListDelegate::Layout(const QString& text, int width,
                                                            Qt::TextElideMode elide,
                                                            const QFont& font) const
{
    if (m_lineHeight == 0 || font != m_font || m_texts.size() >= kMaxKeptTexts) {
        m_texts.clear();
        m_font = font;
        m_lineHeight = QFontMetricsF(font).height();
    }
    TextKey key{text, width, static_cast<int>(elide)};
    auto kept = m_texts.constFind(key);
    if (kept != m_texts.constEnd())
        return *kept;
    QFontMetrics metrics(font);
    // What does not fit is elided as the style elides it, by whole characters.
    QString shown =
        metrics.horizontalAdvance(text) > width ? metrics.elidedText(text, elide, width) : text;
    LaidOut laidOut;
    laidOut.text.setText(shown);
    laidOut.text.setTextFormat(Qt::PlainText);
    laidOut.text.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.text.prepare(QTransform(), font);
    laidOut.width = laidOut.text.size().width();
    return *m_texts.insert(key, laidOut);
}

void AlarmListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // What the style draws for a cell, less its text layout: the panel with
    // the selection and the priority colour, the state icon, then the text.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    if (cell.features & QStyleOptionViewItem::HasDecoration) {
        QIcon::Mode mode = !(cell.state & QStyle::State_Enabled)   ? QIcon::Disabled
                           : (cell.state & QStyle::State_Selected) ? QIcon::Selected
                                                                   : QIcon::Normal;
        // Only the state column has an icon, and no text to measure.
        QRect iconRect = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &cell, widget);
        cell.icon.paint(painter, iconRect, cell.decorationAlignment, mode, QIcon::Off);
    }
    if (cell.text.isEmpty())
        return;
    QPalette::ColorGroup group =
        !(cell.state & QStyle::State_Enabled)
            ? QPalette::Disabled
            : (cell.state & QStyle::State_Active ? QPalette::Normal : QPalette::Inactive);
    painter->save();
    painter->setPen(cell.palette.color(
        group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(cell.font);
    // The style's margin on either side of a cell's text.
    int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    QRect room = cell.rect.adjusted(margin, 0, -margin, 0);
    const LaidOut& laidOut = Layout(cell.text, room.width(), cell.textElideMode, cell.font);
    Qt::Alignment alignment = QStyle::visualAlignment(cell.direction, cell.displayAlignment);
    qreal x = room.left();
    if (alignment & Qt::AlignHCenter)
        x += (room.width() - laidOut.width) / 2;
    else if (alignment & Qt::AlignRight)
        x += room.width() - laidOut.width;
    qreal y = room.top() + (room.height() - m_lineHeight) / 2;
    painter->drawStaticText(QPointF(x, y), laidOut.text);
    painter->restore();
}

// Paints the alarm list's cells: a time that does not fit loses the start
// of its date rather than the time of day, the priority keeps its colour in
// a selected row, and no single cell carries a focus frame, since whole
// rows are selected.
//
// The text of a cell is laid out once and kept: the station repaints the
// visible rows while alarms arrive, and laying out every cell's text anew
// cost a few milliseconds per paint, during which no telegram was read.
#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

class AlarmListDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Texts laid out and kept so far (a bound keeps them few).
    qsizetype KeptTexts() const { return m_texts.size(); }
    static constexpr qsizetype kMaxKeptTexts = 4096;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    struct TextKey {
        QString text;
        int width = 0;
        int elide = 0;
        friend bool operator==(const TextKey&, const TextKey&) = default;
        friend size_t qHash(const TextKey& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.text, key.width, key.elide);
        }
    };
    struct LaidOut {
        QStaticText text;
        qreal width = 0;
    };

    const LaidOut& Layout(const QString& text, int width, Qt::TextElideMode elide,
                          const QFont& font) const;

    mutable QHash<TextKey, LaidOut> m_texts;
    mutable QFont m_font;
    mutable qreal m_lineHeight = 0;
};

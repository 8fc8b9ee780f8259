// The alarm window's running text: one line that moves left by a few pixels
// at every step and starts over once it has run through.
#pragma once

#include <QWidget>

class AlarmScroller final : public QWidget {
    Q_OBJECT

public:
    // Pixels per step; the main window's timer steps every 25 ms.
    static constexpr int kStep = 2;

    explicit AlarmScroller(QWidget* parent = nullptr);

    void SetText(const QString& text);
    const QString& Text() const { return m_text; }
    void Advance();
    int Offset() const { return m_offset; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The text and the gap before it comes round again.
    int Period() const;

    QString m_text;
    int m_offset = 0;
};

// The alarm window's running text: one line that moves left by a few pixels
// at every step and starts over once it has run through.
#pragma once

#include <QStaticText>
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
    void changeEvent(QEvent* event) override;

private:
    // Lays the text out once: it is painted at every step, and laying it
    // out anew each time cost the station's loop up to a millisecond.
    void Prepare();

    QString m_text;
    QStaticText m_laidOut;
    // The text and the gap before it comes round again.
    int m_period = 0;
    int m_offset = 0;
};

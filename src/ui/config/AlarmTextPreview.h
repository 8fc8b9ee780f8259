// The preview of the alarm settings editor's appearance tab ("Vorschau des
// Alarm-Text-Displays"): the alarm window's text band as it will look, in
// the priority colour of the entry, with the running text running.
#pragma once

#include "alarm/AlarmWindowContent.h"

#include <QGroupBox>
#include <QTimer>

class AlarmScroller;
class QFrame;
class QLabel;

class AlarmTextPreview final : public QGroupBox {
    Q_OBJECT

public:
    explicit AlarmTextPreview(QWidget* parent = nullptr);

    void ShowContent(const AlarmWindowContent& content);
    AlarmScroller* Scroller() { return m_scroller; }
    QFrame* Band() { return m_band; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QFrame* m_band = nullptr;
    QLabel* m_shortText = nullptr;
    QLabel* m_longText = nullptr;
    AlarmScroller* m_scroller = nullptr;
    QLabel* m_empty = nullptr;
    QTimer m_timer;
};

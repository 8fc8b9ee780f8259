// "Filter setzen: Zeitraum": a fixed range "Von ... bis ..." or the last N
// days, tested by arrival or departure time. OK refuses what cannot work.
#pragma once

#include <QDialog>
#include <cstdint>

struct AlarmFilter;
class Timestamp;
class Clock;
class Prompt;
class QDateEdit;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

class TimeFilterDialog final : public QDialog {
    Q_OBJECT

public:
    TimeFilterDialog(const AlarmFilter& filter, Prompt& prompt, Clock& clock,
                     QWidget* parent = nullptr);

    int32_t Mode() const;
    Timestamp Start() const;
    Timestamp End() const;
    int32_t LastDays() const;
    bool UseArrivalTime() const;

    void accept() override;

private:
    Prompt& m_prompt;
    QRadioButton* m_range = nullptr;
    QRadioButton* m_lastDays = nullptr;
    QDateEdit* m_startDate = nullptr;
    QTimeEdit* m_startTime = nullptr;
    QDateEdit* m_endDate = nullptr;
    QTimeEdit* m_endTime = nullptr;
    QSpinBox* m_days = nullptr;
    QRadioButton* m_arrival = nullptr;
    QRadioButton* m_departure = nullptr;
};

#include "ui/filters/TimeFilterDialog.h"

#include "config/Clock.h"
#include "config/Translator.h"
#include "filters/AlarmFilter.h"
#include "filters/FilterDialogRules.h"
#include "platform/Prompt.h"
#include "ui/config/QtText.h"
#include "ui/filters/OkCancelButtons.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

// A filter that never had a range shows today instead of the year 1601.
SystemTime ShownFields(Timestamp time, Clock& clock)
{
    return (time.ToMs() > 0 ? time : clock.Now()).ToLocalFields();
}

// A click into a date or time selects the part clicked (hour, minute, day,
// ...) as Tab does, so that typing replaces it; a click alone would only put
// the cursor there, where a full part takes no more digits.
class SelectPartOnClick final : public QObject {
public:
    explicit SelectPartOnClick(QDateTimeEdit& edit) : QObject(&edit), m_edit(edit)
    {
        m_text = edit.findChild<QLineEdit*>();
        if (m_text != nullptr)
            m_text->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_text && event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            !m_text->hasSelectedText())
            m_edit.setSelectedSection(m_edit.currentSection());
        return false;
    }

private:
    QDateTimeEdit& m_edit;
    QLineEdit* m_text = nullptr;
};

// The style measures the text without room before the arrows: the last
// digit would touch them.
void LeaveRoomForTheText(QDateTimeEdit& edit)
{
    edit.setMinimumWidth(edit.sizeHint().width() + 2 * edit.fontMetrics().averageCharWidth());
}

QDateEdit* NewDate(QWidget* parent, const char* objectName, const SystemTime& fields)
{
    auto* edit = new QDateEdit(QDate(fields.year, fields.month, fields.day), parent);
    edit->setObjectName(objectName);
    edit->setDisplayFormat("dd.MM.yyyy");
    edit->setCalendarPopup(true);
    // Wider than allowed, so that OK can say why a year is refused.
    edit->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    new SelectPartOnClick(*edit);
    LeaveRoomForTheText(*edit);
    return edit;
}

QTimeEdit* NewTime(QWidget* parent, const char* objectName, const SystemTime& fields)
{
    auto* edit = new QTimeEdit(QTime(fields.hour, fields.minute, fields.second), parent);
    edit->setObjectName(objectName);
    edit->setDisplayFormat("HH:mm:ss");
    new SelectPartOnClick(*edit);
    LeaveRoomForTheText(*edit);
    return edit;
}

Timestamp FromEdits(const QDateEdit& dateEdit, const QTimeEdit& timeEdit)
{
    QDate date = dateEdit.date();
    QTime time = timeEdit.time();
    return Timestamp::FromLocalFields(date.day(), date.month(), date.year(), time.hour(),
                                      time.minute(), time.second(), 0)
        .value_or(Timestamp());
}

} // namespace

TimeFilterDialog::TimeFilterDialog(const AlarmFilter& filter, Prompt& prompt, Clock& clock,
                                   QWidget* parent)
    : QDialog(parent), m_prompt(prompt)
{
    setWindowTitle(ToQt(Tr("Filter setzen: Zeitraum")));
    auto* span = new QGroupBox(ToQt(Tr("Zeitraum")), this);
    m_range = new QRadioButton(ToQt(Tr("Von")), span);
    m_range->setObjectName("ModeRange");
    m_lastDays = new QRadioButton(ToQt(Tr("Die letzten")), span);
    m_lastDays->setObjectName("ModeLastDays");
    SystemTime start = ShownFields(filter.rangeStart, clock);
    SystemTime end = ShownFields(filter.rangeEnd, clock);
    m_startDate = NewDate(span, "StartDate", start);
    m_startTime = NewTime(span, "StartTime", start);
    m_endDate = NewDate(span, "EndDate", end);
    m_endTime = NewTime(span, "EndTime", end);
    m_days = new QSpinBox(span);
    m_days->setObjectName("LastDays");
    m_days->setRange(-9999, 99999);
    m_days->setValue(filter.lastDays);
    (filter.mode == AlarmFilter::kModeLastDays ? m_lastDays : m_range)->setChecked(true);

    auto* grid = new QGridLayout(span);
    grid->addWidget(m_range, 0, 0);
    grid->addWidget(m_startDate, 0, 1);
    grid->addWidget(m_startTime, 0, 2);
    grid->addWidget(new QLabel(ToQt(Tr("bis")), span), 1, 0, Qt::AlignRight);
    grid->addWidget(m_endDate, 1, 1);
    grid->addWidget(m_endTime, 1, 2);
    grid->addWidget(m_lastDays, 2, 0);
    grid->addWidget(m_days, 2, 1);
    grid->addWidget(new QLabel(ToQt(Tr("Tage")), span), 2, 2);
    auto enable = [this] {
        bool range = m_range->isChecked();
        for (QWidget* edit :
             {static_cast<QWidget*>(m_startDate), static_cast<QWidget*>(m_startTime),
              static_cast<QWidget*>(m_endDate), static_cast<QWidget*>(m_endTime)})
            edit->setEnabled(range);
        m_days->setEnabled(!range);
    };
    connect(m_range, &QRadioButton::toggled, this, enable);
    enable();

    auto* which = new QGroupBox(ToQt(Tr("Zeit")), this);
    m_arrival = new QRadioButton(ToQt(Tr("Zeit-Eingang")), which);
    m_arrival->setObjectName("UseArrival");
    m_departure = new QRadioButton(ToQt(Tr("Zeit-Versand")), which);
    m_departure->setObjectName("UseDeparture");
    (filter.useArrivalTime ? m_arrival : m_departure)->setChecked(true);
    auto* whichLayout = new QHBoxLayout(which);
    whichLayout->addWidget(m_arrival);
    whichLayout->addWidget(m_departure);

    QDialogButtonBox* buttons = OkCancelButtons(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(span);
    layout->addWidget(which);
    layout->addWidget(buttons);
}

int32_t TimeFilterDialog::Mode() const
{
    return m_lastDays->isChecked() ? AlarmFilter::kModeLastDays : AlarmFilter::kModeRange;
}

Timestamp TimeFilterDialog::Start() const
{
    return FromEdits(*m_startDate, *m_startTime);
}

Timestamp TimeFilterDialog::End() const
{
    return FromEdits(*m_endDate, *m_endTime);
}

int32_t TimeFilterDialog::LastDays() const
{
    return m_days->value();
}

bool TimeFilterDialog::UseArrivalTime() const
{
    return m_arrival->isChecked();
}

void TimeFilterDialog::accept()
{
    TimeChoice choice{
        Mode(), m_startDate->date().year(), m_endDate->date().year(), Start(), End(), LastDays()};
    std::optional<std::string> refusal = CheckTimeChoice(choice);
    if (!refusal) {
        QDialog::accept();
        return;
    }
    m_prompt.Show(*refusal, Tr("Achtung"), PromptIcon::Warning, PromptButtons::Ok);
    if (choice.mode == AlarmFilter::kModeLastDays) {
        m_days->setValue(1);
        m_days->setFocus();
        m_days->selectAll();
    }
}

#include "ui/config/CPropPageRecorderAddress.h"

#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/RecorderState.h"
#include "ui/config/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

// Stored times count milliseconds from 1601, Qt's from 1970.
constexpr int64_t kUnixEpochMs = kUnixEpochSeconds * 1000;

QDateTime FromStationMs(int64_t ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms - kUnixEpochMs);
}

int64_t ToStationMs(const QDateTime& time)
{
    return time.toMSecsSinceEpoch() + kUnixEpochMs;
}

} // namespace

CPropPageRecorderAddress::CPropPageRecorderAddress(ConfigTree& tree, Prompt& prompt, SheetMode mode,
                                                   const RecorderAddress& start,
                                                   HybridChoice hybrid, QWidget* parent)
    : QWidget(parent), m_check(tree, prompt, mode, start.name), m_hiddenHybrid(start.hybrid)
{
    m_ip = new QLineEdit(ToQt(start.ip), this);
    m_ip->setObjectName("RecorderIP");
    m_name = new QLineEdit(ToQt(start.name), this);
    m_name->setObjectName("RecorderName");
    m_hybrid = new QCheckBox(ToQt(Tr("Hybridrekorder")), this);
    m_hybrid->setObjectName("RecorderHybrid");
    m_hybrid->setChecked(start.hybrid == 1);
    m_hybrid->setVisible(hybrid == HybridChoice::Offered);
    m_reporting = new QComboBox(this);
    m_reporting->setObjectName("RecorderReportingTime");
    for (const SupervisionClass& entry : SupervisionClasses())
        m_reporting->addItem(ToQt(SupervisionClassText(entry.seconds)), entry.seconds);
    // A time set outside the table stays as it is.
    if (m_reporting->findData(start.reportingSeconds) < 0)
        m_reporting->addItem(ToQt(SupervisionClassText(start.reportingSeconds)),
                             start.reportingSeconds);
    m_reporting->setCurrentIndex(m_reporting->findData(start.reportingSeconds));
    m_maintenance = new QCheckBox(ToQt(Tr("von")), this);
    m_maintenance->setObjectName("RecorderMaintenance");
    m_maintenanceFrom = new QDateTimeEdit(this);
    m_maintenanceFrom->setObjectName("RecorderMaintenanceFrom");
    m_maintenanceUntil = new QDateTimeEdit(this);
    m_maintenanceUntil->setObjectName("RecorderMaintenanceUntil");
    bool hasWindow = start.maintenanceFrom > 0;
    QDateTime now = QDateTime::currentDateTime();
    m_maintenance->setChecked(hasWindow);
    m_maintenanceFrom->setDateTime(hasWindow ? FromStationMs(start.maintenanceFrom) : now);
    m_maintenanceUntil->setDateTime(hasWindow ? FromStationMs(start.maintenanceUntil)
                                              : now.addSecs(2 * 3600));
    for (QDateTimeEdit* edit : {m_maintenanceFrom, m_maintenanceUntil}) {
        edit->setDisplayFormat("dd.MM.yyyy HH:mm");
        edit->setCalendarPopup(true);
        edit->setEnabled(hasWindow);
        connect(m_maintenance, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    }
    m_reporting->setToolTip(
        ToQt(Tr("Bleibt die Test-Nachricht so lange nach ihrer Faelligkeit aus, meldet Wardex "
                "den Rekorder als ausgefallen.")));

    auto* intro = new QLabel(
        ToQt(Tr("Unter dieser Adresse meldet sich der Rekorder bei Wardex; der Name erscheint in "
                "den Alarmen.")),
        this);
    intro->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(ToQt(Tr("IP-Adresse:")), m_ip);
    form->addRow(ToQt(Tr("Name:")), m_name);
    form->addRow(QString(), m_hybrid);
    form->addRow(ToQt(Tr("Meldezeit der Ueberwachung:")), m_reporting);
    // Two rows, so that both times show whole in the small wizard.
    auto* maintenance = new QHBoxLayout;
    maintenance->addWidget(m_maintenance);
    maintenance->addWidget(m_maintenanceFrom, 1);
    form->addRow(ToQt(Tr("Wartungsfenster:")), maintenance);
    auto* to = new QLabel(ToQt(Tr("bis")), this);
    to->setFixedWidth(m_maintenance->sizeHint().width());
    auto* until = new QHBoxLayout;
    until->addWidget(to);
    until->addWidget(m_maintenanceUntil, 1);
    form->addRow(QString(), until);
    auto* fields = new QWidget(this);
    fields->setLayout(form);
    fields->setMaximumWidth(520);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addSpacing(8);
    layout->addWidget(fields);
    layout->addStretch(1);

    connect(m_ip, &QLineEdit::textChanged, this, &CPropPageRecorderAddress::CompleteChanged);
    connect(m_name, &QLineEdit::textChanged, this, &CPropPageRecorderAddress::CompleteChanged);
}

RecorderAddress CPropPageRecorderAddress::Values() const
{
    int32_t hybrid = m_hiddenHybrid;
    if (!m_hybrid->isHidden())
        hybrid = m_hybrid->isChecked() ? 1 : 0;
    RecorderAddress values{FromQt(m_ip->text()), FromQt(m_name->text()), hybrid,
                           m_reporting->currentData().toInt()};
    if (m_maintenance->isChecked()) {
        values.maintenanceFrom = ToStationMs(m_maintenanceFrom->dateTime());
        values.maintenanceUntil = ToStationMs(m_maintenanceUntil->dateTime());
    }
    return values;
}

bool CPropPageRecorderAddress::IsComplete() const
{
    return RecorderAddressCheck::IsComplete(Values());
}

bool CPropPageRecorderAddress::Leave()
{
    RecorderAddress values = Values();
    bool accepted = m_check.Check(values);
    m_ip->setText(ToQt(values.ip));
    m_name->setText(ToQt(values.name));
    return accepted;
}

#include "ui/config/EscalationPage.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "ui/config/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// A day: longer waits are no escalation.
constexpr int kMaxSeconds = 86'400;

ConfigNode* EscalationFolder(ConfigTree& tree)
{
    return Find(tree, kEscalationFolder);
}

// Long paths show their start, and whole as the tool tip.
void ShowText(QLineEdit* edit, const std::string& text)
{
    edit->setText(ToQt(text));
    edit->setCursorPosition(0);
    edit->setToolTip(edit->text());
}

QSpinBox* SecondsBox(QWidget* parent, int minimum)
{
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, kMaxSeconds);
    box->setSuffix(" s");
    return box;
}

} // namespace

EscalationPage::EscalationPage(ConfigTree& tree, QWidget* parent) : QWidget(parent), m_tree(tree)
{
    {
        ConfigLock lock(m_tree);
        if (ConfigNode* folder = EscalationFolder(m_tree))
            m_values = ReadEscalationSettings(*folder);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildGeneralGroup());
    layout->addWidget(BuildChainGroup(), 1);
    ShowChain(0);
}

QWidget* EscalationPage::BuildGeneralGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("Zurueckstellen und Reaktionsziele")), this);
    m_postpone = SecondsBox(group, 0);
    m_postpone->setObjectName("iPostponeSeconds");
    m_postpone->setSpecialValueText(ToQt(Tr("sofort wieder anbieten")));
    m_postpone->setValue(m_values.postponeSeconds);
    auto* targets = new QHBoxLayout;
    for (size_t i = 0; i < m_targets.size(); ++i) {
        m_targets[i] = SecondsBox(group, 1);
        m_targets[i]->setObjectName(QStringLiteral("iTarget%1Seconds").arg(i + 1));
        m_targets[i]->setValue(m_values.targetSeconds[i]);
        targets->addWidget(m_targets[i]);
    }
    targets->addStretch(1);
    m_mailFrom = new QLineEdit(ToQt(m_values.mailFrom), group);
    m_mailFrom->setObjectName("mailFromAddress");
    m_mailFrom->setPlaceholderText(ToQt(Tr("Absender des Alarms")));
    auto* form = new QFormLayout(group);
    auto* postpone = new QHBoxLayout;
    postpone->addWidget(m_postpone);
    postpone->addStretch(1);
    form->addRow(ToQt(Tr("Schliessen stellt zurueck fuer")), postpone);
    form->addRow(ToQt(Tr("Reaktionsziele")), targets);
    form->addRow(ToQt(Tr("Absender der Eskalations-E-Mails")), m_mailFrom);
    return group;
}

QWidget* EscalationPage::BuildChainGroup()
{
    auto* group = new QGroupBox(ToQt(Tr("Eskalationsstufen unbestaetigter Alarme")), this);
    m_priority = new QComboBox(group);
    m_priority->setObjectName("EscalationPriority");
    for (int priority = 0; priority < kEscalationPriorities; ++priority)
        m_priority->addItem(ToQt(Tr("Prio.")) + " " + QString::number(priority + 1));
    connect(m_priority, &QComboBox::currentIndexChanged, this, [this](int index) {
        TakeChain(m_shown);
        ShowChain(index);
    });
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(ToQt(Tr("Kette der Prioritaet")), group));
    choice->addWidget(m_priority);
    choice->addStretch(1);

    auto* grid = new QGridLayout;
    const std::string_view headings[] = {
        TrNoop("Stufe"),           TrNoop("Nach"),      TrNoop("Nach vorn"), TrNoop("Klangdatei"),
        TrNoop("PC-Lautsprecher"), TrNoop("E-Mail an"), TrNoop("Programm"),  TrNoop("Argumente")};
    int column = 0;
    for (std::string_view heading : headings)
        grid->addWidget(new QLabel(ToQt(Tr(heading)), group), 0, column++);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        StepRow& row = m_rows[i];
        int line = static_cast<int>(i) + 1;
        row.used = new QCheckBox(QString::number(line), group);
        row.after = SecondsBox(group, 0);
        row.raise = new QCheckBox(group);
        row.sound = new QLineEdit(group);
        row.speaker = new QComboBox(group);
        row.speaker->addItem(ToQt(Tr("aus")));
        for (const std::string& text : {Tr("tief (250 Hz)"), Tr("mittel (500 Hz)"),
                                        Tr("hoch (1000 Hz)"), Tr("steigend (drei Toene)")})
            row.speaker->addItem(ToQt(text));
        row.mailTo = new QLineEdit(group);
        row.program = new QLineEdit(group);
        row.arguments = new QLineEdit(group);
        QWidget* cells[] = {row.used,    row.after,  row.raise,   row.sound,
                            row.speaker, row.mailTo, row.program, row.arguments};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            cells[c]->setObjectName(QStringLiteral("Step%1_%2").arg(line).arg(c));
            grid->addWidget(cells[c], line, c);
        }
        connect(row.used, &QCheckBox::toggled, this, [this, i] { UpdateRow(m_rows[i]); });
    }
    for (int c : {3, 5, 6, 7})
        grid->setColumnStretch(c, 1);
    auto* hint = new QLabel(ToQt(Tr("Eine Stufe wird ausgefuehrt, wenn der Alarm so viele Sekunden "
                                    "nach seinem Eingang noch nicht bestaetigt ist.")),
                            group);
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(choice);
    layout->addLayout(grid);
    layout->addWidget(hint);
    layout->addStretch(1);
    return group;
}

void EscalationPage::UpdateRow(const StepRow& row)
{
    bool used = row.used->isChecked();
    for (QWidget* cell : std::initializer_list<QWidget*>{
             row.after, row.raise, row.sound, row.speaker, row.mailTo, row.program, row.arguments})
        cell->setEnabled(used);
}

void EscalationPage::ShowChain(int priority)
{
    m_shown = priority;
    const std::vector<EscalationStep>& chain = m_values.chains[static_cast<size_t>(priority)];
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const StepRow& row = m_rows[i];
        EscalationStep step;
        step.afterSeconds = static_cast<int32_t>((i + 1) * 60);
        bool used = i < chain.size();
        if (used)
            step = chain[i];
        row.used->setChecked(used);
        row.after->setValue(step.afterSeconds);
        row.raise->setChecked(step.raise);
        ShowText(row.sound, step.soundFile);
        row.speaker->setCurrentIndex(step.speaker >= 0 && step.speaker <= 3 ? step.speaker + 1 : 0);
        ShowText(row.mailTo, step.mailTo);
        ShowText(row.program, step.programPath);
        ShowText(row.arguments, step.programArgs);
        UpdateRow(row);
    }
}

void EscalationPage::TakeChain(int priority)
{
    std::vector<EscalationStep>& chain = m_values.chains[static_cast<size_t>(priority)];
    chain.clear();
    for (const StepRow& row : m_rows) {
        if (!row.used->isChecked())
            continue;
        EscalationStep step;
        step.afterSeconds = row.after->value();
        step.raise = row.raise->isChecked();
        step.soundFile = FromQt(row.sound->text().trimmed());
        step.speaker = row.speaker->currentIndex() - 1;
        step.mailTo = FromQt(row.mailTo->text().trimmed());
        step.programPath = FromQt(row.program->text().trimmed());
        step.programArgs = FromQt(row.arguments->text());
        chain.push_back(std::move(step));
    }
}

EscalationSettings EscalationPage::Values()
{
    TakeChain(m_shown);
    m_values.postponeSeconds = m_postpone->value();
    for (size_t i = 0; i < m_targets.size(); ++i)
        m_values.targetSeconds[i] = m_targets[i]->value();
    m_values.mailFrom = FromQt(m_mailFrom->text().trimmed());
    return m_values;
}

void EscalationPage::Apply()
{
    EscalationSettings values = Values();
    ConfigLock lock(m_tree);
    if (ConfigNode* folder = EscalationFolder(m_tree))
        WriteEscalationSettings(values, *folder);
}

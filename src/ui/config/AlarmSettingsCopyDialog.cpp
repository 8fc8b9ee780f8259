#include "ui/config/AlarmSettingsCopyDialog.h"

#include "config/Translator.h"
#include "ui/config/QtText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QCheckBox* NewCheck(QWidget* parent, const char* objectName, const std::string& text)
{
    auto* box = new QCheckBox(ToQt(text), parent);
    box->setObjectName(objectName);
    return box;
}

} // namespace

AlarmSettingsCopyDialog::AlarmSettingsCopyDialog(ConfigTree& tree, Prompt& prompt,
                                                 ConfigNode& recorder,
                                                 const ConfigNode* liveRecorder,
                                                 const ConfigNode& source, QWidget* parent)
    : QDialog(parent), m_tree(tree), m_prompt(prompt), m_recorder(recorder),
      m_liveRecorder(liveRecorder), m_source(source)
{
    setWindowTitle(ToQt(Tr("Uebernehmen der Alarmeinstellungen")));

    auto* groups = new QGroupBox(ToQt(Tr("Diese Einstellungen uebernehmen")), this);
    m_program = NewCheck(groups, "CopyProgram", Tr("Programm Ausfuehren"));
    m_mail = NewCheck(groups, "CopyMail", Tr("EMail-Benachrichtigung"));
    m_master = NewCheck(groups, "CopyMaster", Tr("Alarmfenster anzeigen"));
    m_liveView = NewCheck(groups, "CopyLiveView", Tr("Verbindung zu Kavex"));
    m_confirmation = NewCheck(groups, "CopyConfirmation", Tr("Quittierung"));
    m_appearance = NewCheck(groups, "CopyAppearance", Tr("Erscheinungsbild"));
    m_message = NewCheck(groups, "CopyMessage", Tr("Meldungstext"));
    m_shortText = NewCheck(groups, "CopyShortText", Tr("Kurztext"));
    m_scroller = NewCheck(groups, "CopyScroller", Tr("Laufschrift"));
    auto* appearanceParts = new QVBoxLayout;
    appearanceParts->setContentsMargins(24, 0, 0, 0);
    for (QCheckBox* part : {m_message, m_shortText, m_scroller}) {
        part->setChecked(true);
        part->setEnabled(false);
        appearanceParts->addWidget(part);
    }
    connect(m_appearance, &QCheckBox::toggled, this, [this](bool on) {
        for (QCheckBox* part : {m_message, m_shortText, m_scroller})
            part->setEnabled(on);
    });
    auto* groupLayout = new QVBoxLayout(groups);
    for (QCheckBox* box : {m_program, m_mail, m_master, m_liveView, m_confirmation, m_appearance})
        groupLayout->addWidget(box);
    groupLayout->addLayout(appearanceParts);

    auto* targets = new QGroupBox(ToQt(Tr("Ziel")), this);
    m_thisRecorder = new QRadioButton(ToQt(Tr("Fuer alle Alarme dieses Rekorders")), targets);
    m_thisRecorder->setObjectName("CopyThisRecorder");
    m_allRecorders = new QRadioButton(ToQt(Tr("Fuer alle Alarme aller Rekorder")), targets);
    m_allRecorders->setObjectName("CopyAllRecorders");
    m_thisRecorder->setChecked(true);
    auto* targetLayout = new QVBoxLayout(targets);
    targetLayout->addWidget(m_thisRecorder);
    targetLayout->addWidget(m_allRecorders);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(ToQt(Tr("OK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(ToQt(Tr("Abbrechen")));
    connect(buttons, &QDialogButtonBox::accepted, this, &AlarmSettingsCopyDialog::Copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(groups);
    layout->addWidget(targets);
    layout->addWidget(buttons);
}

AlarmSettingGroups AlarmSettingsCopyDialog::Groups() const
{
    AlarmSettingGroups g;
    g.program = m_program->isChecked();
    g.mail = m_mail->isChecked();
    g.masterSwitch = m_master->isChecked();
    g.liveView = m_liveView->isChecked();
    g.confirmation = m_confirmation->isChecked();
    g.appearance = m_appearance->isChecked();
    g.message = m_message->isChecked();
    g.shortText = m_shortText->isChecked();
    g.scroller = m_scroller->isChecked();
    return g;
}

CopyTargets AlarmSettingsCopyDialog::Targets() const
{
    return m_allRecorders->isChecked() ? CopyTargets::AllRecorders : CopyTargets::ThisRecorder;
}

void AlarmSettingsCopyDialog::Copy()
{
    // A question not answered with OK leaves the dialog open.
    if (CopyAlarmSettingGroups(m_tree, m_prompt, m_recorder, m_source, Groups(), Targets(),
                               m_liveRecorder))
        accept();
}

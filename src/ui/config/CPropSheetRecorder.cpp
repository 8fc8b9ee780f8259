#include "ui/config/CPropSheetRecorder.h"

#include "config/Translator.h"
#include "ui/config/CPropPageRecorderAddress.h"
#include "ui/config/CPropPageRecorderAlarmSettings.h"
#include "ui/config/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPushButton* NewButton(QWidget* parent, const char* objectName, const std::string& text)
{
    auto* button = new QPushButton(ToQt(text), parent);
    button->setObjectName(objectName);
    return button;
}

} // namespace

CPropSheetRecorder::CPropSheetRecorder(RecorderSheetSession& session, Prompt& prompt,
                                       const RecorderPageOptions& options, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    bool wizard = session.Mode() == SheetMode::New;
    // One recorder: the languages that tell one from many say so.
    setWindowTitle(
        ToQt(wizard ? Tr("Neuer Rekorder")
                    : Translator::Global().TranslateCount(TrNoop("Rekorder bearbeiten"), 1)));
    resize(kFullWidth, kFullHeight);

    m_address = new CPropPageRecorderAddress(session.Tree(), prompt, session.Mode(),
                                             session.Original(), options.hybrid);
    m_alarmSettings =
        new CPropPageRecorderAlarmSettings(session.Tree(), *session.Entry(), prompt,
                                           options.sharedPrefix, nullptr, session.LiveEntry());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);

    if (wizard) {
        m_heading = new QLabel(this);
        QFont font = m_heading->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.25);
        m_heading->setFont(font);
        layout->addWidget(m_heading);
        m_stack = new QStackedWidget(this);
        m_stack->addWidget(m_address);
        m_stack->addWidget(m_alarmSettings);
        layout->addWidget(m_stack, 1);
        m_back = NewButton(this, "Back", Tr("< &Zurück"));
        m_next = NewButton(this, "Next", Tr("&Weiter >"));
        m_finish = NewButton(this, "Finish", Tr("Fertig stellen"));
        buttons->addWidget(m_back);
        buttons->addWidget(m_next);
        buttons->addWidget(m_finish);
        connect(m_back, &QPushButton::clicked, this, [this] { GoTo(kAddressPage); });
        connect(m_next, &QPushButton::clicked, this, [this] { GoTo(kAlarmSettingsPage); });
        connect(m_finish, &QPushButton::clicked, this, &CPropSheetRecorder::Finish);
        connect(m_address, &CPropPageRecorderAddress::CompleteChanged, this,
                &CPropSheetRecorder::UpdateButtons);
    } else {
        m_tabs = new QTabWidget(this);
        m_tabs->addTab(m_address, ToQt(Tr("Adresse")));
        m_tabs->addTab(m_alarmSettings, ToQt(Tr("Alarmeinstellungen")));
        layout->addWidget(m_tabs, 1);
        m_finish = NewButton(this, "OK", Tr("OK"));
        buttons->addWidget(m_finish);
        connect(m_finish, &QPushButton::clicked, this, &CPropSheetRecorder::Finish);
        connect(m_tabs, &QTabWidget::currentChanged, this, [this](int page) {
            if (page == m_current)
                return;
            int wanted = page;
            // The tab bar has already moved; it goes back while the page
            // that was shown refuses to be left.
            QSignalBlocker block(m_tabs);
            m_tabs->setCurrentIndex(m_current);
            if (GoTo(wanted))
                m_tabs->setCurrentIndex(wanted);
        });
        connect(m_address, &CPropPageRecorderAddress::CompleteChanged, this,
                &CPropSheetRecorder::UpdateButtons);
    }
    auto* cancel = NewButton(this, "Cancel", Tr("Abbrechen"));
    buttons->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &CPropSheetRecorder::reject);
    layout->addLayout(buttons);
    m_finish->setDefault(true);
    UpdateButtons();
    FitToPage();
}

void CPropSheetRecorder::FitToPage()
{
    if (m_stack == nullptr)
        return;
    // The wizard is as large as the page it shows: two fields need no room
    // for the alarm settings, which in turn take what they had before.
    for (int page = 0; page < m_stack->count(); ++page)
        m_stack->widget(page)->setSizePolicy(
            page == m_current ? QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred)
                              : QSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored));
    layout()->activate();
    if (m_current == kAddressPage)
        resize(sizeHint().expandedTo(QSize(kAddressWidth, 0)));
    else
        resize(size().expandedTo(QSize(kFullWidth, kFullHeight)));
}

bool CPropSheetRecorder::LeaveCurrent()
{
    return m_current == kAddressPage ? m_address->Leave() : m_alarmSettings->Leave();
}

void CPropSheetRecorder::EnterCurrent()
{
    if (m_current == kAlarmSettingsPage)
        m_alarmSettings->Enter(m_address->Values().name);
    if (m_stack != nullptr) {
        m_stack->setCurrentIndex(m_current);
        FitToPage();
    }
    if (m_tabs != nullptr) {
        QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(m_current);
    }
    UpdateButtons();
}

bool CPropSheetRecorder::GoTo(int page)
{
    if (page == m_current)
        return true;
    if (page < kAddressPage || page > kAlarmSettingsPage || !LeaveCurrent())
        return false;
    m_current = page;
    EnterCurrent();
    return true;
}

void CPropSheetRecorder::Finish()
{
    if (!m_address->IsComplete() || !LeaveCurrent())
        return;
    // The address checks run again when the sheet finishes from the
    // other page.
    if (m_current != kAddressPage && !m_address->Leave()) {
        m_current = kAddressPage;
        EnterCurrent();
        return;
    }
    m_session.Commit(m_address->Values());
    accept();
}

void CPropSheetRecorder::reject()
{
    m_session.Cancel();
    QDialog::reject();
}

void CPropSheetRecorder::UpdateButtons()
{
    bool complete = m_address->IsComplete();
    if (m_stack == nullptr) {
        m_finish->setEnabled(complete);
        return;
    }
    m_heading->setText(ToQt(m_current == kAddressPage ? Tr("Adresse") : Tr("Alarmeinstellungen")));
    m_back->setEnabled(m_current != kAddressPage);
    m_next->setVisible(m_current == kAddressPage);
    m_next->setEnabled(complete);
    m_finish->setVisible(m_current == kAlarmSettingsPage);
    m_finish->setEnabled(complete);
}

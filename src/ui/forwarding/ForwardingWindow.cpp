#include "ui/forwarding/ForwardingWindow.h"

#include "config/Translator.h"
#include "ui/forwarding/ForwardingIcons.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

void SetIfChanged(QLabel* label, const std::string& text)
{
    QString shown = Text(text);
    if (label->text() != shown)
        label->setText(shown);
}

} // namespace

ForwardingWindow::ForwardingWindow(ForwardingParts parts, std::function<void()> closed,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), m_closed(std::move(closed))
{
    setWindowTitle(Text(Tr("Wardex - Alarmweiterleitung")));
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateControls();
    LayOut();
    ConnectControls();

    m_manager = std::make_unique<ForwardingManager>(std::move(parts), *this);
    m_manager->Open();
    adjustSize();
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void ForwardingWindow::CreateControls()
{
    m_host = new QComboBox(this);
    m_host->setEditable(true);
    m_host->setInsertPolicy(QComboBox::NoInsert);
    m_host->setMinimumContentsLength(28);
    m_start = new QPushButton(Text(Tr("Start")), this);
    m_stop = new QPushButton(Text(Tr("Stop")), this);
    m_delete = new QPushButton(Text(Tr("Loeschen")), this);
    m_deleteAll = new QPushButton(Text(Tr("Alle Loeschen")), this);
    m_close = new QPushButton(Text(Tr("Schliessen")), this);
    m_linkIcon = new QLabel(this);
    m_activityIcon = new QLabel(this);
    m_activity = new QLabel(this);
    m_hostStatus = new QLabel(this);
    m_hostStatus->setWordWrap(true);
    m_target = new QLabel(this);
    m_target->setWordWrap(true);
    m_target->hide();
    m_received = new QLabel(this);
    m_forwarded = new QLabel(this);
    m_queue = new QLabel(this);
}

void ForwardingWindow::LayOut()
{
    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(new QLabel(Text(Tr("Host:")), this));
    hostRow->addWidget(m_host, 1);
    hostRow->addWidget(m_delete);
    hostRow->addWidget(m_deleteAll);

    auto* status = new QGroupBox(Text(Tr("Status")), this);
    auto* statusGrid = new QGridLayout(status);
    statusGrid->addWidget(m_linkIcon, 0, 0, Qt::AlignTop);
    auto* host = new QVBoxLayout;
    host->addWidget(m_hostStatus);
    host->addWidget(m_target);
    statusGrid->addLayout(host, 0, 1);
    statusGrid->addWidget(m_activityIcon, 1, 0, Qt::AlignTop);
    statusGrid->addWidget(m_activity, 1, 1);
    statusGrid->setColumnStretch(1, 1);
    auto* counters = new QVBoxLayout;
    counters->addWidget(m_received);
    counters->addWidget(m_forwarded);
    counters->addWidget(m_queue);
    statusGrid->addLayout(counters, 2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addStretch(1);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(hostRow);
    layout->addWidget(status, 1);
    layout->addLayout(buttons);
    setMinimumWidth(560);
}

// Every control asks for the manager: it is gone once the window has agreed
// to close, while Qt may still deliver a click or a timer tick.
void ForwardingWindow::ConnectControls()
{
    connect(m_host, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (m_manager != nullptr)
            m_manager->SetHostText(text.toStdString());
    });
    auto press = [this](QPushButton* button, void (ForwardingManager::*action)()) {
        connect(button, &QPushButton::clicked, this, [this, action] {
            if (m_manager != nullptr)
                (m_manager.get()->*action)();
        });
    };
    press(m_start, &ForwardingManager::Start);
    press(m_stop, &ForwardingManager::Stop);
    press(m_delete, &ForwardingManager::DeleteHost);
    press(m_deleteAll, &ForwardingManager::DeleteAllHosts);
    connect(m_close, &QPushButton::clicked, this, [this] {
        if (m_manager != nullptr && m_manager->CloseWithButton())
            Finish();
    });
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_manager != nullptr)
            m_manager->Tick();
    });
    m_countsTimer.setSingleShot(true);
    connect(&m_countsTimer, &QTimer::timeout, this, [this] {
        if (m_manager != nullptr)
            m_manager->Refresh();
    });
}

ForwardingWindow::~ForwardingWindow()
{
    m_timer.stop();
    m_countsTimer.stop();
    m_manager.reset();
}

void ForwardingWindow::StartWith(const std::string& host)
{
    m_host->setEditText(Text(host));
    m_manager->SetHostText(host);
    m_manager->Start();
}

void ForwardingWindow::EndForwarding()
{
    if (m_manager == nullptr)
        return;
    m_manager->EndForwarding();
    m_manager.reset();
}

void ForwardingWindow::Show(const ForwardingDisplay& display)
{
    // A hidden window is brought up to date when it is shown; the first look
    // is laid out before, for the window's size.
    if (!isVisible() && m_filled)
        return;
    m_filled = true;
    bool stopped = display.stopped;
    m_start->setEnabled(stopped);
    m_delete->setEnabled(stopped);
    m_deleteAll->setEnabled(stopped);
    m_close->setEnabled(stopped);
    m_host->setEnabled(stopped);
    m_stop->setEnabled(!stopped);
    if (m_shownLook != display.link || m_shownFrame == -2)
        m_linkIcon->setPixmap(LinkIcon(display.link));
    m_shownLook = display.link;
    if (m_shownFrame != display.animationFrame)
        m_activityIcon->setPixmap(ActivityIcon(display.animationFrame));
    m_shownFrame = display.animationFrame;
    SetIfChanged(m_activity, display.activityText);
    SetIfChanged(m_hostStatus, display.hostStatusText);
    SetIfChanged(m_target, display.targetText);
    m_target->setVisible(!display.targetText.empty());
    SetIfChanged(m_received, display.receivedText);
    SetIfChanged(m_forwarded, display.forwardedText);
    SetIfChanged(m_queue, display.queueText);

    QStringList hosts;
    for (const std::string& host : display.hosts)
        hosts.push_back(Text(host));
    QStringList shown;
    for (int i = 0; i < m_host->count(); ++i)
        shown.push_back(m_host->itemText(i));
    if (hosts != shown || m_host->currentText() != Text(display.hostText)) {
        QSignalBlocker block(m_host);
        m_host->clear();
        m_host->addItems(hosts);
        m_host->setEditText(Text(display.hostText));
    }
}

void ForwardingWindow::SetTimerRunning(bool running)
{
    if (running)
        m_timer.start(ForwardingManager::kTimerMs);
    else
        m_timer.stop();
}

void ForwardingWindow::CountsChanged()
{
    if (isVisible() && !m_timer.isActive() && !m_countsTimer.isActive())
        m_countsTimer.start(ForwardingManager::kTimerMs);
}

void ForwardingWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_manager != nullptr)
        m_manager->Refresh();
}

void ForwardingWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (m_manager != nullptr && m_manager->CloseWithBox())
        Finish();
}

void ForwardingWindow::Finish()
{
    m_timer.stop();
    m_countsTimer.stop();
    m_manager.reset();
    hide();
    if (m_closed)
        m_closed();
}

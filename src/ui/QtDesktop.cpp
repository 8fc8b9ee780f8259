#include "ui/QtDesktop.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "platform/StopSignals.h"
#include "platform/qt/NestedLoopDriver.h"
#include "platform/qt/QtEventDrain.h"
#include "station/Station.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QSessionManager>
#include <QTranslator>
#include <utility>

namespace {

// The session manager ends the session with a quit event to the application
// (and QCoreApplication::quit sends the same): the station ends in order.
class SessionEndFilter final : public QObject {
public:
    explicit SessionEndFilter(Station& station) : m_station(station) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != qApp || event->type() != QEvent::Quit)
            return false;
        m_station.EndSession();
        return true;
    }

private:
    Station& m_station;
};

} // namespace

void QtBusyIndicator::SetBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtBusyIndicator::ShowProgress(int64_t, int64_t) {}

QtDesktop::QtDesktop(Attendance attendance)
    : m_attendance(attendance), m_profile("Tessaro Electronic", "Wardex")
{
    // Every dialog's loop serves the port once the station runs; before
    // that, a stop signal still ends a message box of the start.
    m_nestedLoops = std::make_unique<NestedLoopDriver>([this] {
        if (m_station == nullptr) {
            if (StopSignalReceived())
                ::CancelModalDialogs();
            return;
        }
        m_station->ServeFromNestedLoop();
        if (m_window != nullptr && !m_station->QuitRequested())
            m_window->Logic().RunPosted();
    });
}

QtDesktop::~QtDesktop()
{
    if (m_sessionEnd != nullptr)
        qApp->removeEventFilter(m_sessionEnd.get());
}

Prompt& QtDesktop::Messages()
{
    if (m_attendance == Attendance::Unattended)
        return m_unattended;
    return m_prompt;
}

std::optional<std::string> QtDesktop::InterfaceLanguage()
{
    switch (QLocale::system().language()) {
    case QLocale::English:
        return "English";
    case QLocale::Spanish:
        return "Spanish";
    case QLocale::French:
        return "French";
    case QLocale::Italian:
        return "Italian";
    case QLocale::Dutch:
        return "Dutch";
    case QLocale::Polish:
        return "Polish";
    default:
        return std::nullopt;
    }
}

void QtDesktop::ShowStartupProgress(int percent)
{
    if (percent >= 100) {
        m_progress.reset();
        return;
    }
    if (m_progress == nullptr) {
        m_progress = std::make_unique<QProgressDialog>();
        m_progress->setWindowTitle(QString::fromStdString(Tr("Wardex")));
        m_progress->setCancelButton(nullptr);
        m_progress->setRange(0, 100);
        m_progress->show();
    }
    m_progress->setValue(percent);
    QCoreApplication::processEvents();
}

void QtDesktop::DrainEvents()
{
    DrainQtEvents();
    if (m_window != nullptr)
        m_window->Logic().RunPosted();
}

bool LoadQtTranslation(const std::string& language)
{
    static const std::pair<const char*, QLocale::Language> kLocales[] = {
        {"German", QLocale::German},   {"English", QLocale::English}, {"French", QLocale::French},
        {"Spanish", QLocale::Spanish}, {"Italian", QLocale::Italian}, {"Dutch", QLocale::Dutch},
        {"Polish", QLocale::Polish}};
    static QTranslator translator;
    QCoreApplication::removeTranslator(&translator);
    for (const auto& [name, locale] : kLocales) {
        if (language == name && translator.load(QLocale(locale), "qt", "_",
                                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            return QCoreApplication::installTranslator(&translator);
    }
    return false;
}

void QtDesktop::CreateMainWindow(Station& station)
{
    m_station = &station;
    {
        ConfigTree& tree = station.Tree();
        ConfigLock lock(tree);
        LoadQtTranslation(Get(tree, kLanguage));
    }
    m_prompt.SetButtonTexts({Tr("OK"), Tr("Abbrechen"), Tr("Ja"), Tr("Nein")});
    m_sessionEnd = std::make_unique<SessionEndFilter>(station);
    qApp->installEventFilter(m_sessionEnd.get());
    m_window = std::make_unique<MainWindow>(station, m_beeper);
    // The station must be ended before the desktop session ends.
    QObject::connect(
        qApp, &QGuiApplication::commitDataRequest, m_sessionEnd.get(),
        [this](QSessionManager& manager) {
            if (!manager.allowsInteraction())
                return;
            Messages().Show(
                Tr("Bitte beenden Sie Wardex zuerst, bevor Sie sich von Windows abmelden!\n\n"
                   "Melden Sie sich danach erneut von Windows ab!"),
                Tr("Wardex"), PromptIcon::Warning, PromptButtons::Ok);
            manager.release();
            manager.cancel();
        });
    m_window->Start();
    if (std::optional<std::string> host = station.Options().ForwardHost())
        m_window->OpenForwarding(*host);
}

void QtDesktop::LoopEnded()
{
    if (m_window != nullptr)
        m_window->EndForwarding();
}

void QtDesktop::DestroyMainWindow()
{
    m_window.reset();
    if (m_sessionEnd != nullptr)
        qApp->removeEventFilter(m_sessionEnd.get());
    m_sessionEnd.reset();
    m_station = nullptr;
}

void QtDesktop::EndMainWindow()
{
    if (m_window != nullptr)
        m_window->EndWithStation();
}

void QtDesktop::CancelModalDialogs()
{
    ::CancelModalDialogs();
}

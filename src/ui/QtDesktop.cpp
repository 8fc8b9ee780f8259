#include "ui/QtDesktop.h"

#include "config/Translator.h"
#include "core/station/Station.h"
#include "platform/qt/QtEventDrain.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QProgressDialog>
#include <QSessionManager>

void QtBusyIndicator::SetBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtBusyIndicator::ShowProgress(int64_t, int64_t) {}

QtDesktop::QtDesktop() : m_profile("Tessaro Electronic", "Wardex") {}

QtDesktop::~QtDesktop() = default;

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

void QtDesktop::CreateMainWindow(Station& station)
{
    m_station = &station;
    m_window = std::make_unique<MainWindow>(station, m_beeper);
    // The station must be ended before the desktop session ends.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, [this](QSessionManager& manager) {
        if (!manager.allowsInteraction())
            return;
        m_prompt.Show(Tr("Bitte beenden Sie Wardex zuerst, bevor Sie sich von Windows abmelden!\n\n"
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
}

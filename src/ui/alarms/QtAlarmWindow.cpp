#include "ui/alarms/QtAlarmWindow.h"

#include "ui/alarms/AlarmWindowDialog.h"

#include <QGuiApplication>
#include <QScreen>

QtAlarmWindow::QtAlarmWindow(AlarmWindowEvents& events, std::function<bool()> shiftHeld)
    : m_dialog(new AlarmWindowDialog(events, std::move(shiftHeld)))
{
}

QtAlarmWindow::~QtAlarmWindow()
{
    if (m_dialog.isNull())
        return;
    m_dialog->Detach();
    m_dialog->hide();
    m_dialog->deleteLater();
}

void QtAlarmWindow::Show(const AlarmWindowContent& content)
{
    if (m_dialog)
        m_dialog->ShowContent(content);
}

WindowSize QtAlarmWindow::Size() const
{
    if (!m_dialog)
        return {};
    QSize size = m_dialog->frameGeometry().size();
    return {size.width(), size.height()};
}

WorkArea QtAlarmWindow::DesktopWorkArea() const
{
    QScreen* screen = m_dialog ? m_dialog->screen() : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    QRect area = screen->availableGeometry();
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

void QtAlarmWindow::MoveTo(WindowPoint position)
{
    if (m_dialog)
        m_dialog->PlaceAt({position.x, position.y});
}

void QtAlarmWindow::SetWidth(int width)
{
    if (m_dialog)
        m_dialog->SetWidth(width);
}

void QtAlarmWindow::AdvanceScroller()
{
    if (m_dialog)
        m_dialog->AdvanceScroller();
}

void QtAlarmWindow::SetCaptionFlash(bool on)
{
    if (m_dialog)
        m_dialog->SetCaptionFlash(on);
}

std::string QtAlarmWindow::Comment() const
{
    return m_dialog ? m_dialog->Comment().toStdString() : std::string();
}

void QtAlarmWindow::ShowRefusal(const std::string& reason)
{
    if (m_dialog)
        m_dialog->ShowRefusal(QString::fromStdString(reason));
}

void QtAlarmWindow::Raise()
{
    if (!m_dialog)
        return;
    if (m_dialog->isMinimized())
        m_dialog->RestoreQuietly();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void QtAlarmWindow::Minimise()
{
    if (m_dialog)
        m_dialog->MinimiseQuietly();
}

void QtAlarmWindow::Restore()
{
    if (m_dialog)
        m_dialog->RestoreQuietly();
}

void QtAlarmWindow::Hide()
{
    if (m_dialog)
        m_dialog->hide();
}

void QtAlarmWindow::Unhide()
{
    if (m_dialog)
        m_dialog->show();
}

void QtAlarmWindow::Close()
{
    if (m_dialog)
        m_dialog->CloseForGood();
}

#include "alarm/AlarmWindow.h"

#include "alarm/AlarmWindowManager.h"

AlarmWindow::AlarmWindow(AlarmWindowManager& manager, AlarmContext context, int recordHint,
                         PostProcessing postProcessing)
    : m_manager(manager), m_context(std::move(context)), m_recordHint(recordHint),
      m_postProcessing(postProcessing)
{
}

void AlarmWindow::Tick()
{
    ++m_ticks;
    m_view->AdvanceScroller();
    if (m_ticks % kTicksPerFlash != 0)
        return;
    m_flash = !m_flash;
    m_view->SetCaptionFlash(m_flash);
}

void AlarmWindow::OnConfirm()
{
    if (!m_closed)
        m_manager.ConfirmAlarm(*this);
}

void AlarmWindow::OnClose()
{
    if (!m_closed)
        m_manager.PostponeAlarm(*this);
}

void AlarmWindow::OnMoved(WindowPoint position)
{
    if (!m_closed)
        m_manager.StoreWindowPosition(position);
}

void AlarmWindow::OnResized(int width)
{
    m_resizedWidth = width;
}

void AlarmWindow::OnMinimiseAll()
{
    m_manager.MinimiseAll();
}

void AlarmWindow::OnRestoreAll()
{
    m_manager.RestoreAll();
}

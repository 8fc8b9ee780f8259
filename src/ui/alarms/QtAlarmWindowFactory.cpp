#include "ui/alarms/QtAlarmWindowFactory.h"

#include "ui/alarms/AlarmWindowDialog.h"
#include "ui/alarms/QtAlarmWindow.h"

#include <QGuiApplication>

QtAlarmWindowFactory::QtAlarmWindowFactory()
    : m_shiftHeld(
          [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); })
{
}

QtAlarmWindowFactory::QtAlarmWindowFactory(std::function<bool()> shiftHeld)
    : m_shiftHeld(std::move(shiftHeld))
{
}

std::unique_ptr<AlarmWindowView>
QtAlarmWindowFactory::CreateAlarmWindowView(AlarmWindowEvents& events)
{
    auto view = std::make_unique<QtAlarmWindow>(events, m_shiftHeld);
    std::erase_if(m_dialogs, [](const QPointer<AlarmWindowDialog>& dialog) {
        return dialog.isNull() || dialog->IsClosedForGood();
    });
    m_dialogs.emplace_back(view->Dialog());
    return view;
}

std::vector<AlarmWindowDialog*> QtAlarmWindowFactory::OpenDialogs()
{
    std::vector<AlarmWindowDialog*> open;
    for (const QPointer<AlarmWindowDialog>& dialog : m_dialogs) {
        if (!dialog.isNull() && !dialog->IsClosedForGood())
            open.push_back(dialog.data());
    }
    return open;
}

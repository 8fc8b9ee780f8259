// Creates the Qt alarm windows for the alarm logic.
#pragma once

#include "alarm/AlarmWindowViewFactory.h"

#include <QPointer>
#include <functional>
#include <vector>

class AlarmWindowDialog;

class QtAlarmWindowFactory final : public AlarmWindowViewFactory {
public:
    // Shift is read from the keyboard.
    QtAlarmWindowFactory();
    explicit QtAlarmWindowFactory(std::function<bool()> shiftHeld);

    std::unique_ptr<AlarmWindowView> CreateAlarmWindowView(AlarmWindowEvents& events) override;

    // The dialogs of the alarm windows that are open, oldest first.
    std::vector<AlarmWindowDialog*> OpenDialogs();

private:
    std::function<bool()> m_shiftHeld;
    std::vector<QPointer<AlarmWindowDialog>> m_dialogs;
};

// The alarm window view the alarm logic talks to, over the Qt dialog. The
// logic may drop the view inside one of the dialog's own handlers, so the
// dialog is detached and deleted later rather than at once.
#pragma once

#include "alarm/AlarmWindowEvents.h"
#include "alarm/AlarmWindowView.h"

#include <QPointer>
#include <functional>

class AlarmWindowDialog;

class QtAlarmWindow final : public AlarmWindowView {
public:
    QtAlarmWindow(AlarmWindowEvents& events, std::function<bool()> shiftHeld);
    ~QtAlarmWindow() override;
    QtAlarmWindow(const QtAlarmWindow&) = delete;
    QtAlarmWindow& operator=(const QtAlarmWindow&) = delete;

    AlarmWindowDialog* Dialog() const { return m_dialog.data(); }

    void Show(const AlarmWindowContent& content) override;
    WindowSize Size() const override;
    WorkArea DesktopWorkArea() const override;
    void MoveTo(WindowPoint position) override;
    void SetWidth(int width) override;
    void AdvanceScroller() override;
    void SetCaptionFlash(bool on) override;
    std::string Comment() const override;
    void ShowRefusal(const std::string& reason) override;
    void Raise() override;
    void Minimise() override;
    void Restore() override;
    void Hide() override;
    void Unhide() override;
    void Close() override;

private:
    QPointer<AlarmWindowDialog> m_dialog;
};

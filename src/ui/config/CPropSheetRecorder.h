// The recorder sheet: for a new recorder a wizard ("< &Zurück", "&Weiter >",
// "Fertig stellen") over the address page and the alarm settings page, for
// an existing one an ordinary sheet with the same two pages as tabs. A page
// is left only when its checks pass. Both pages edit the session's copy of
// the recorder: OK or finish applies it with the address page's values,
// cancel drops it.
#pragma once

#include "station/RecorderSheetSession.h"
#include "ui/config/RecorderPageOptions.h"

#include <QDialog>

class CPropPageRecorderAddress;
class CPropPageRecorderAlarmSettings;
class Prompt;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabWidget;

class CPropSheetRecorder final : public QDialog {
    Q_OBJECT

public:
    // The size of the sheet with the alarm settings.
    static constexpr int kFullWidth = 1040;
    static constexpr int kFullHeight = 660;
    static constexpr int kAddressPage = 0;
    static constexpr int kAlarmSettingsPage = 1;

    CPropSheetRecorder(RecorderSheetSession& session, Prompt& prompt,
                       const RecorderPageOptions& options, QWidget* parent = nullptr);

    CPropPageRecorderAddress& AddressPage() { return *m_address; }
    CPropPageRecorderAlarmSettings& AlarmSettingsPage() { return *m_alarmSettings; }
    int CurrentPage() const { return m_current; }
    // Moves to a page as the wizard's buttons or the sheet's tabs do; false
    // when the current page may not be left.
    bool GoTo(int page);

    void reject() override;

private:
    bool LeaveCurrent();
    void EnterCurrent();
    void FitToPage();
    static constexpr int kAddressWidth = 520;
    void Finish();
    void UpdateButtons();

    RecorderSheetSession& m_session;
    CPropPageRecorderAddress* m_address = nullptr;
    CPropPageRecorderAlarmSettings* m_alarmSettings = nullptr;
    QStackedWidget* m_stack = nullptr; // wizard
    QLabel* m_heading = nullptr;       // wizard
    QTabWidget* m_tabs = nullptr;      // sheet
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_finish = nullptr;
    int m_current = kAddressPage;
};

// What the operator does with accounts from the main window: the log-in
// button, the rights behind ending the program, deleting alarms and the
// pages of the configuration sheet, and the user shown in the status bar.
#pragma once

#include "users/AccountDialogs.h"

#include <cstdint>
#include <string>
#include <vector>

class AuditTrail;
class Beeper;
class ConfigTree;
class Prompt;

enum class ExitAnswer { Stay, Exit };

// The pages of the configuration sheet, in the order they are added.
enum class SheetPage { Recorder, User, Language, Diagram, System, Escalation };

class UserSession {
public:
    UserSession(ConfigTree& tree, AccountDialogs& dialogs, Prompt& prompt, Beeper& beeper);

    // The button "An-/Abmelden": log-out dialog for a logged-in operator,
    // a note when the default user is the only account, else the log-in
    // dialog.
    void LogInOrOut();

    // The button "Beenden" up to the point where the program ends: refused
    // with a beep while a modal operation runs (busyCount above 0), refused
    // without the right, asked again while alarms await confirmation, and
    // for anyone but the default user only after logging out.
    ExitAnswer ConfirmExit(int busyCount, int64_t unconfirmedAlarms = 0);

    // Asked only when alarms are selected; a refusal is shown.
    bool MayDeleteAlarms();
    // Forwarding mode hands every alarm to another station: it needs the
    // right that the system settings need. A refusal is shown.
    bool MayForward();
    // The audit trail's viewer needs the right of the system page. A refusal
    // is shown.
    bool MayViewAudit();

    std::vector<SheetPage> SheetPages();

    // Where log-ins, log-outs and refused log-ins are recorded; none when null.
    void SetAudit(AuditTrail* audit) { m_audit = audit; }

    // The current user's name, marked when it is the default user.
    std::string StatusText();

private:
    ConfigTree& m_tree;
    AccountDialogs& m_dialogs;
    Prompt& m_prompt;
    Beeper& m_beeper;
    AuditTrail* m_audit = nullptr;
};

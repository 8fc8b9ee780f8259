#include "users/UserSession.h"

#include "audit/AuditTrail.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "platform/Beeper.h"
#include "platform/Prompt.h"
#include "users/UserAccounts.h"
#include "users/UserEditor.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kCaption = "Wardex";

// Puts the name where the (translated) format has "%s" and turns "%%" into
// "%"; any other conversion stays as written, since a format from a language
// file must not make the text read values that are not there.
std::string WithName(std::string_view format, std::string_view name)
{
    std::string text;
    bool filled = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            text += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            text += '%';
            ++i;
        } else if (format[i + 1] == 's' && !filled) {
            text += name;
            filled = true;
            ++i;
        } else {
            text += '%';
        }
    }
    return text;
}

// The two refusals name what is refused, then how to get the right. Each
// part is translated alone: together they would not fit one line of a
// language file.
std::string DeleteRefusal()
{
    return Tr("Sie haben nicht die noetigen Rechte, um Alarme zu loeschen!") + "\n\n" +
           Tr("Melden Sie sich dazu unter einem anderen Namen an, der dieses Recht\nbesitzt, "
              "oder wenden Sie sich an den Administrator von Wardex!");
}

std::string ExitRefusal()
{
    return Tr("Sie haben nicht die noetigen Rechte, um Wardex zu beenden!") + "\n\n" +
           Tr("Melden Sie sich dazu unter einem anderen Namen an, der diese Rechte\nbesitzt, "
              "oder wenden Sie sich an den Administrator von Wardex!");
}

std::string ForwardRefusal()
{
    return Tr("Sie haben nicht die noetigen Rechte fuer den Weiterleitungs Modus!") + "\n\n" +
           Tr("Melden Sie sich dazu unter einem anderen Namen an, der dieses Recht\nbesitzt, "
              "oder wenden Sie sich an den Administrator von Wardex!");
}

} // namespace

UserSession::UserSession(ConfigTree& tree, AccountDialogs& dialogs, Prompt& prompt, Beeper& beeper)
    : m_tree(tree), m_dialogs(dialogs), m_prompt(prompt), m_beeper(beeper)
{
}

void UserSession::LogInOrOut()
{
    std::string current = CurrentUserName(m_tree);
    if (!IsDefaultUser(m_tree, current)) {
        if (m_dialogs.RunLogOut(WithName(Tr("%s von Wardex abmelden?"), current)) &&
            LogOut(m_tree) && m_audit != nullptr)
            m_audit->Record("logout", current);
        return;
    }
    if (UserCount(m_tree) == 1) {
        m_prompt.Show(Tr("Sie, der Defaultbenutzer, sind bereits angemeldet!"), kCaption,
                      PromptIcon::Information, PromptButtons::Ok);
        return;
    }
    // As long as the longest stored password, so that no account's can be
    // cut off (the built-in one is longer than one may type).
    int maxPasswordChars = std::max(UserEditor::kMaxPasswordChars, LongestPassword(m_tree));
    auto attempt = [this](const std::string& typedName, const std::string& password) {
        std::string name = ToLowerName(typedName);
        if (!CheckPassword(m_tree, name, password)) {
            // The name as typed, never the password.
            if (m_audit != nullptr)
                m_audit->Record("login-failed", typedName);
            m_prompt.Show(Tr("Wardex konnte Sie nicht anmelden!"), kCaption, PromptIcon::Warning,
                          PromptButtons::Ok);
            return false;
        }
        bool loggedIn = LogIn(m_tree, name);
        if (loggedIn && m_audit != nullptr)
            m_audit->Record("login", name);
        return loggedIn;
    };
    m_dialogs.RunLogIn(attempt, maxPasswordChars);
}

ExitAnswer UserSession::ConfirmExit(int busyCount, int64_t unconfirmedAlarms)
{
    if (busyCount > 0) {
        m_beeper.Beep(SystemBeep::Information);
        return ExitAnswer::Stay;
    }
    std::string current = CurrentUserName(m_tree);
    if (!HasRight(m_tree, current, UserRight::ExitWardex)) {
        m_prompt.Show(ExitRefusal(), kCaption, PromptIcon::Warning, PromptButtons::Ok);
        return ExitAnswer::Stay;
    }
    // A stopped station receives nothing: one slip of the mouse must not end
    // it while alarms wait for an operator.
    if (unconfirmedAlarms > 0 &&
        m_prompt.Show(WithName(Tr("Es gibt %s unquittierte Alarme.\nWardex trotzdem beenden?"),
                               std::to_string(unconfirmedAlarms)),
                      kCaption, PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return ExitAnswer::Stay;
    if (!IsDefaultUser(m_tree, current)) {
        if (!m_dialogs.RunLogOut(WithName(Tr("%s abmelden und Wardex beenden?"), current)))
            return ExitAnswer::Stay;
        if (LogOut(m_tree) && m_audit != nullptr)
            m_audit->Record("logout", current);
    }
    return ExitAnswer::Exit;
}

bool UserSession::MayDeleteAlarms()
{
    if (HasRight(m_tree, CurrentUserName(m_tree), UserRight::DelAlarm))
        return true;
    m_prompt.Show(DeleteRefusal(), kCaption, PromptIcon::Warning, PromptButtons::Ok);
    return false;
}

bool UserSession::MayForward()
{
    if (HasRight(m_tree, CurrentUserName(m_tree), UserRight::EditSystem))
        return true;
    m_prompt.Show(ForwardRefusal(), kCaption, PromptIcon::Warning, PromptButtons::Ok);
    return false;
}

bool UserSession::MayViewAudit()
{
    if (HasRight(m_tree, CurrentUserName(m_tree), UserRight::EditSystem))
        return true;
    m_prompt.Show(Tr("Sie haben nicht die noetigen Rechte, um das Protokoll anzusehen!"), kCaption,
                  PromptIcon::Warning, PromptButtons::Ok);
    return false;
}

std::vector<SheetPage> UserSession::SheetPages()
{
    std::string current = CurrentUserName(m_tree);
    std::vector<SheetPage> pages;
    if (HasRight(m_tree, current, UserRight::EditRecorder))
        pages.push_back(SheetPage::Recorder);
    if (HasRight(m_tree, current, UserRight::EditUser))
        pages.push_back(SheetPage::User);
    pages.push_back(SheetPage::Language);
    pages.push_back(SheetPage::Diagram);
    if (HasRight(m_tree, current, UserRight::EditSystem)) {
        pages.push_back(SheetPage::System);
        pages.push_back(SheetPage::Escalation);
    }
    return pages;
}

std::string UserSession::StatusText()
{
    std::string current = CurrentUserName(m_tree);
    if (IsDefaultUser(m_tree, current))
        return current + Tr(" (Defaultbenutzer)");
    return current;
}

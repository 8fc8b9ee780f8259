// The log-in and log-out dialogs as Qt dialogs; the session logic decides
// when they appear and whether a typed name and password are accepted.
#pragma once

#include "users/AccountDialogs.h"

class QWidget;

class LogInDialogs final : public AccountDialogs {
public:
    explicit LogInDialogs(QWidget* parent) : m_parent(parent) {}

    bool RunLogIn(const LogInAttempt& attempt, int maxPasswordChars) override;
    bool RunLogOut(std::string_view text) override;

private:
    QWidget* m_parent;
};

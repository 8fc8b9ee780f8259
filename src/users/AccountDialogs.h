// The two small dialogs of logging in and out, shown by the desktop layer;
// the session logic decides when they appear and what OK does.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class AccountDialogs {
public:
    // Called with the typed name and password on every OK; the dialog stays
    // open while it returns false.
    using LogInAttempt = std::function<bool(const std::string& name, const std::string& password)>;

    virtual ~AccountDialogs() = default;

    // "Anmelden an Wardex" with Name, Passwort, OK and Abbrechen; the
    // password field takes and names at most `maxPasswordChars`. True when
    // an attempt was accepted, false for Abbrechen.
    virtual bool RunLogIn(const LogInAttempt& attempt, int maxPasswordChars) = 0;
    // "Abmelden" with the text, OK and Abbrechen; true for OK.
    virtual bool RunLogOut(std::string_view text) = 0;
};

// The values the alarm settings page shows for one entry: the master switch
// and the keys of its five tabs, with the two time shift fields as the texts
// typed into them. Read from and written to an alarm settings entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct AlarmSettingsForm {
    bool showAlarmWindow = false; // the master switch

    // "Erscheinungsbild"
    bool showMessage = false; // ShwAlmTxtMessage
    std::string message;
    bool showShortText = false; // ShwAlmTxtShort
    bool showScroller = false;  // ShwScroller
    std::string title;

    // "Quittierung"
    bool requireComment = false; // RequireConfirmComment
    bool requirePhrase = false;
    std::string phrase;
    int32_t priority = 1;

    // "Verbindung zu Kavex"
    bool showLivePicture = false; // ShwLivePic
    bool showTrack = false;       // ShwTrack
    int32_t trackKind = 0;        // ShwTrackKind: 1 by name, else by number
    std::string trackName;
    bool doTimeshift = false;
    bool doContext = false;
    bool doAuto = false;
    std::string timeshiftMin = "0";
    std::string timeshiftSec = "0";
    bool presetDoLoad = false;
    std::string presetName;

    // "EMail-Benachrichtigung"
    bool mailDoSendMail = false;
    std::string mailFromAddress;
    std::string mailToAddress;
    std::string mailSubject; // mailFormatedSubject
    std::string mailBody;    // mailFormatedBody

    // "Programm Ausfuehren"
    std::string programPath;    // execprgPath
    std::string programArgs;    // execprgArgs
    std::string programWorkDir; // execprgWorkDir
    bool programOnce = false;   // execprgOnce

    bool operator==(const AlarmSettingsForm&) const = default;
};

class ConfigNode;

// A flag shows ticked only when its value is exactly 1.
AlarmSettingsForm ReadAlarmSettingsForm(const ConfigNode& entry);

// Writes the master switch and every key of the five tabs; the time shift
// texts count by their leading whole number.
void WriteAlarmSettingsForm(const AlarmSettingsForm& form, ConfigNode& entry);

// The leading whole number of a text (blanks, then an optional sign, then
// digits); 0 for a text without one. Saturates instead of overflowing.
int32_t LeadingWholeNumber(std::string_view text);

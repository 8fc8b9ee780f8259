// The values of one alarm settings entry (Program/DefaultAlarmSettings or a
// recorder's AlarmSettings), copied out of the tree so that an alarm window
// keeps them even when the entry is edited or removed while it is open.
#pragma once

#include <cstdint>
#include <string>

class ConfigNode;

// Types whose entries can be restricted to cameras.
inline constexpr int32_t kSubTypeCameras = 24;

struct AlarmSettings {
    int32_t type = 0;
    int32_t subType = 0;
    int32_t subId = 0;
    int64_t subDetail = 0;
    std::string subName;

    int32_t showAlarmWindow = 0;
    int32_t priority = 0;
    std::string title;
    std::string message;
    int32_t showShortText = 0;  // ShwAlmTxtShort
    int32_t showLongText = 0;   // ShwAlmTxtMessage
    int32_t showScroller = 0;   // ShwScroller
    int32_t requireComment = 0; // RequireConfirmComment
    int32_t requirePhrase = 0;  // RequirePhrase
    std::string phrase;

    int32_t showLivePicture = 0; // ShwLivePic
    int32_t showTrack = 0;       // ShwTrack
    int32_t trackKind = 0;       // ShwTrackKind: 1 by name
    std::string trackName;
    int32_t doTimeshift = 0;
    int32_t timeshiftMin = 0;
    int32_t timeshiftSec = 0;
    int32_t doContext = 0;
    int32_t doAuto = 0;
    int32_t presetDoLoad = 0;
    std::string presetName;

    int32_t mailDoSendMail = 0;
    std::string mailFromAddress;
    std::string mailToAddress;
    std::string mailSubject; // mailFormatedSubject
    std::string mailBody;    // mailFormatedBody

    std::string programPath;    // execprgPath
    std::string programArgs;    // execprgArgs
    std::string programWorkDir; // execprgWorkDir
    int32_t programOnce = 0;    // execprgOnce: 1 = run at arrival

    // EscalationChain: -1 the chain of the entry's priority, 0 to 5 that
    // priority's chain, 6 none.
    int32_t escalationChain = -1;

    // Both a comment and the phrase at its start are required.
    bool RequiresPhrase() const { return requireComment == 1 && requirePhrase == 1; }
};

// Missing keys keep the defaults above.
AlarmSettings ReadAlarmSettings(const ConfigNode& entry);

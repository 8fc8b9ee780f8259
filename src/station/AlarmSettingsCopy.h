// The copy dialog of the alarm settings page ("Uebernehmen der
// Alarmeinstellungen"): chosen groups of one entry's keys copied to every
// other entry of this recorder or of every recorder.
#pragma once

#include <optional>

class ConfigNode;
class ConfigTree;
class Prompt;

struct AlarmSettingGroups {
    bool program = false;
    bool mail = false;
    bool masterSwitch = false;
    bool liveView = false;
    bool confirmation = false;
    // The appearance group copies only the sub-choices ticked with it.
    bool appearance = false;
    bool message = false;   // ShwAlmTxtMessage with Message
    bool shortText = false; // ShwAlmTxtShort
    bool scroller = false;  // ShwScroller
};

enum class CopyTargets { ThisRecorder, AllRecorders };

// Asks first; nothing when the question is not answered with OK, else how
// many entries received the groups. The source entry itself is skipped;
// Title is never copied. `recorder` may be the recorder sheet's copy of
// `liveRecorder`, which all recorders then include in its place.
std::optional<int> CopyAlarmSettingGroups(ConfigTree& tree, Prompt& prompt, ConfigNode& recorder,
                                          const ConfigNode& source,
                                          const AlarmSettingGroups& groups, CopyTargets targets,
                                          const ConfigNode* liveRecorder = nullptr);

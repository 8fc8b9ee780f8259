// The alarm type catalogue: every alarm type code with its German name, the
// order in which lists present the types, the priority colours, the factory
// bar colours of the diagram and the built-in default alarm settings.
#pragma once

#include "events/RgbColor.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The type that decoders set for a received code they have no decoder for;
// its name is also the name of every code the catalogue does not know.
inline constexpr int32_t kUnknownAlarmType = 11001;
// The recorder's periodic sign of life.
inline constexpr int32_t kTestMessageType = 10042;

enum class NameTranslation { German, Translated };

// The name of a type, passed through the translation table at the time of the
// call when asked to; "Unbekannter Alarm" for a code without a name.
std::string AlarmTypeName(int32_t code, NameTranslation translation);

// The 39 codes that lists of alarm types enumerate, in their order.
std::span<const int32_t> CatalogueOrder();

// The colour of a priority 0 (most urgent) to 5; black for any other value.
RgbColor PriorityColor(int32_t priority);

struct FactoryBarColor {
    int32_t code;
    std::string_view colorText;
};

// The 40 default bar colours of the recorder/alarm bar diagram, in the order
// their list entries are created.
std::span<const FactoryBarColor> FactoryBarColors();

// One entry of the built-in default alarm settings; the keys not named here
// keep the entry template's defaults.
struct BuiltInAlarmSetting {
    int32_t code;
    int32_t subId;
    int32_t subType;
    int32_t priority;
    bool livePicture;
    bool track;
};

// One per code of the catalogue order, in that order.
std::span<const BuiltInAlarmSetting> BuiltInAlarmSettings();

#include "alarm/Placeholders.h"

#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"

#include <algorithm>

const std::array<PlaceholderInfo, kPlaceholderCount>& PlaceholderTable()
{
    static const std::array<PlaceholderInfo, kPlaceholderCount> table = {{
        {"${KavexStationArrivalTime}", TrNoop("&Kavexstation Eingangszeit")},
        {"${RecorderDepartTime}", TrNoop("&Rekorder Versandzeit")},
        {"${RecorderName}", TrNoop("Rekorder &Name")},
        {"${RecorderIP}", TrNoop("Rekorder &IP")},
        {"${CameraNumber}", TrNoop("&Kamera Nummer")},
        {"${AlarmType}", TrNoop("&Alarm Name")},
        {"${AlarmTextShort}", TrNoop("A&larmtext Kurz")},
        {"${AlarmTextLong}", TrNoop("Alarm&text Lang")},
        {"${TrackName}", TrNoop("&Spur Name")},
        {"${TrackID}", TrNoop("S&pur ID")},
        {"${AddInfo}", TrNoop("&Zusaetzliche Informationen")},
        {"${WardexDir}", TrNoop("Verzeichnis &Wardex")},
        {"${ExecProgrammDir}", TrNoop("&Verzeichnis d. externen Programms")},
    }};
    return table;
}

std::string DateCommaTime(int64_t storedMs)
{
    Timestamp time = Timestamp::FromMs(storedMs);
    return time.FormatDate() + "," + time.FormatTime(WithMs::No);
}

PlaceholderMap MakePlaceholderMap(const AlarmContext& context)
{
    AlarmSettings none;
    const AlarmSettings& settings = context.settings ? *context.settings : none;
    return {
        {"${KavexStationArrivalTime}", DateCommaTime(context.arrival)},
        {"${RecorderDepartTime}", DateCommaTime(context.departure)},
        {"${RecorderName}", context.recorderName},
        {"${RecorderIP}", context.recorderAddress},
        {"${CameraNumber}", std::to_string(static_cast<int64_t>(context.camera) + 1)},
        {"${AlarmType}", AlarmTypeName(context.alarmType, NameTranslation::Translated)},
        {"${AlarmTextShort}", settings.title},
        {"${AlarmTextLong}", settings.message},
        {"${TrackName}", settings.trackName},
        {"${TrackID}", std::to_string(static_cast<int64_t>(context.track) + 1)},
        {"${AddInfo}", context.addInfo},
        {"${WardexDir}", ""},
        {"${ExecProgrammDir}", ""},
    };
}

std::string ExpandPlaceholders(const PlaceholderMap& map, std::string_view text)
{
    // One pass from left to right: what a value inserts is never looked at
    // again, so an alarm text holding a placeholder name arrives as it is.
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find("${", pos);
        if (open == std::string_view::npos)
            break;
        result.append(text, pos, open - pos);
        size_t close = text.find('}', open + 2);
        auto found = close == std::string_view::npos
                         ? map.end()
                         : map.find(std::string(text.substr(open, close + 1 - open)));
        if (found == map.end()) {
            result.append(text, open, 2);
            pos = open + 2;
            continue;
        }
        result += found->second;
        pos = close + 1;
    }
    result.append(text, std::min(pos, text.size()));
    return result;
}

std::vector<std::string> SplitArguments(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
            continue;
        }
        bool separator = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (separator && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        word += c;
        inWord = true;
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

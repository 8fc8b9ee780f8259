// The catalogue's tables. Names are German and marked for the translation
// coverage check; they are translated when they are asked for.
#include "events/AlarmTypeCatalogue.h"

#include "config/Translator.h"

#include <algorithm>
#include <array>

namespace {

struct NamedType {
    int32_t code;
    std::string_view name;
};

// Sorted by code. 10027 has no name: its decoder always re-types it.
constexpr NamedType kNames[] = {
    {10000, TrNoop("Spur ist voll")},
    {10001, TrNoop("Plattenbelegung hat eingestellte Prozentmarke ueberschritten")},
    {10002, TrNoop("Plattenbelegung hat eingestellte Prozentmarke unterschritten")},
    {10003, TrNoop("Standardspur gesichert")},
    {10004, TrNoop("Kamera Sammelkontakt")},
    {10005, TrNoop("Kamerakontakt")},
    {10006, TrNoop("Alle laufenden Kontaktaufnahmen wurden angehalten")},
    {10007, TrNoop("Meldung von Player ueber Zustand")},
    {10011, TrNoop("Kontaktaufnahme, Kamera n Standardspur")},
    {10012, TrNoop("Kontaktaufnahme einer Kamera in allen Spuren angehalten")},
    {10013, TrNoop("Kontaktaufnahme in einer Spur angehalten")},
    {10014, TrNoop("Alarm Beginn")},
    {10015, TrNoop("Bildvergleichsereignis")},
    {10016, TrNoop("Kamera(s) Ausfall")},
    {10017, TrNoop("Kontaktaufnahme - DTP,ProCash, Netz,Seriell")},
    {10018, TrNoop("Kontakteingang")},
    {10019, TrNoop("Benachrichtigung ueber geloeschte Spur")},
    {10020, TrNoop("Festplattenfehler")},
    {10021, TrNoop("Sensor Kontakt")},
    {10022, TrNoop("Signal von Kamera(s) auf Sensorkarte gestoert")},
    {10023, TrNoop("Sensor schickte Kontakt-Ende-Nachricht im Modus \"Spontan/Start\"")},
    {10024, TrNoop("Aufnahme wurde fuer ein Array von Kameras gestoppt")},
    {10025, TrNoop("Alarm-Input einer Sensorkarte hat sich geaendert")},
    {10026, TrNoop("USV-Kommando")},
    {10028, TrNoop("Rekorder-Neustart")},
    {10029, TrNoop("KEVOR-Alarm")},
    {10030, TrNoop("Housekeeping-Sabotage")},
    {10039, TrNoop("Sensor-Objekt")},
    {10040, TrNoop("Systemfehler")},
    {10042, TrNoop("Test-Nachricht (Verbindung Ok)")},
    {10900, TrNoop("Kamera(s) wieder online")},
    {10920, TrNoop("Alarm Ende")},
    {10950, TrNoop("Signalstoerung von Kamera(s) auf Sensorkarte behoben")},
    {10960, TrNoop("Zeitueberschreitung der Hauptschleife")},
    {10980, TrNoop("Grabber-Fehler")},
    {10990, TrNoop("Housekeeping-Info")},
    {10991, TrNoop("Housekeeping-Error")},
    {kUnknownAlarmType, TrNoop("Unbekannter Alarm")},
    {11011, TrNoop("Keine Test-Nachricht (Verbindung unterbrochen)")},
    {11012, TrNoop("Rekorder wieder online")},
};

constexpr std::string_view kUnknownName = TrNoop("Unbekannter Alarm");

constexpr int32_t kOrder[] = {
    10000, 10001, 10002, 10003, 10004, 10005, 10006, 10011, 10012, 10013, 10014, 10920, 10015,
    10016, 10900, 10017, 10018, 10019, 10020, 10021, 10022, 10950, 10023, 10024, 10025, 10026,
    10028, 10960, 10980, 10029, 10030, 10040, 10042, 10990, 10991, 11001, 11011, 11012, 10039,
};

constexpr RgbColor kPriorityColors[] = {
    {255, 0, 0}, {255, 100, 0}, {255, 150, 0}, {255, 255, 70}, {255, 255, 150}, {255, 255, 255},
};

constexpr FactoryBarColor kFactoryBarColors[] = {
    {10000, "255      "}, {10001, "255 32 10"}, {10002, "255 48 20"}, {10003, "255 64 30"},
    {10004, "255100 48"}, {10005, "255128 64"}, {10006, "255145 55"}, {10007, "255170 48"},
    {10011, "255192 32"}, {10012, "255225 16"}, {10013, "255255   "}, {10014, "200255   "},
    {10920, "155255   "}, {10015, "100255   "}, {10016, " 55255   "}, {10900, "   255   "},
    {10017, "   255 40"}, {10018, "   255 80"}, {10019, "   255110"}, {10020, "   255140"},
    {10021, "   192160"}, {10022, "   132255"}, {10950, "    80255"}, {10023, "    60255"},
    {10024, "    30255"}, {10025, "      255"}, {10026, " 40   225"}, {10028, " 60   200"},
    {10960, " 80   188"}, {10980, "100   172"}, {10029, "128   160"}, {10030, "154 40247"},
    {10040, "171 77249"}, {10042, "185104251"}, {10990, "194124252"}, {10991, "205147253"},
    {11001, "217173252"}, {11011, "230203254"}, {11012, "230203254"}, {10039, "255239185"},
};

constexpr bool kLive = true;
constexpr bool kNoLive = false;
constexpr bool kTrack = true;
constexpr bool kNoTrack = false;

// Code, SubID, SubType, Priority, whether ShwLivePic keeps its default 1,
// whether ShwTrack is set.
constexpr BuiltInAlarmSetting kBuiltInSettings[] = {
    {10000, 0, 0, 1, kNoLive, kNoTrack},   {10001, 1, 0, 1, kNoLive, kNoTrack},
    {10002, 2, 0, 1, kNoLive, kNoTrack},   {10003, 3, 0, 4, kNoLive, kNoTrack},
    {10004, 4, 0, 3, kLive, kNoTrack},     {10005, 5, 24, 3, kLive, kTrack},
    {10006, 6, 0, 4, kNoLive, kNoTrack},   {10011, 8, 0, 3, kNoLive, kTrack},
    {10012, 9, 0, 4, kNoLive, kNoTrack},   {10013, 10, 0, 4, kNoLive, kNoTrack},
    {10014, 11, 0, 3, kLive, kNoTrack},    {10920, 12, 0, 4, kLive, kNoTrack},
    {10015, 13, 24, 3, kLive, kTrack},     {10016, 14, 24, 3, kNoLive, kNoTrack},
    {10900, 15, 24, 4, kLive, kNoTrack},   {10017, 16, 0, 3, kLive, kTrack},
    {10018, 17, 24, 3, kNoLive, kNoTrack}, {10019, 18, 0, 4, kNoLive, kNoTrack},
    {10020, 19, 0, 1, kNoLive, kNoTrack},  {10021, 20, 24, 3, kLive, kTrack},
    {10022, 21, 0, 1, kNoLive, kNoTrack},  {10950, 22, 0, 4, kNoLive, kNoTrack},
    {10023, 23, 0, 1, kNoLive, kNoTrack},  {10024, 24, 0, 4, kNoLive, kNoTrack},
    {10025, 25, 0, 4, kNoLive, kNoTrack},  {10026, 26, 0, 1, kNoLive, kNoTrack},
    {10028, 27, 0, 1, kNoLive, kNoTrack},  {10960, 28, 0, 1, kNoLive, kNoTrack},
    {10980, 29, 0, 1, kNoLive, kNoTrack},  {10029, 30, 24, 1, kLive, kNoTrack},
    {10030, 31, 0, 1, kNoLive, kNoTrack},  {10040, 32, 0, 1, kNoLive, kNoTrack},
    {10042, 33, 0, 1, kNoLive, kNoTrack},  {10990, 34, 0, 1, kNoLive, kNoTrack},
    {10991, 35, 0, 1, kNoLive, kNoTrack},  {11001, 36, 0, 1, kNoLive, kNoTrack},
    {11011, 37, 0, 1, kNoLive, kNoTrack},  {11012, 38, 0, 1, kNoLive, kNoTrack},
    {10039, 39, 24, 1, kNoLive, kNoTrack},
};

static_assert(std::size(kOrder) == 39);
static_assert(std::size(kFactoryBarColors) == 40);
static_assert(std::size(kBuiltInSettings) == std::size(kOrder));

constexpr bool BuiltInSettingsFollowOrder()
{
    for (size_t i = 0; i < std::size(kOrder); ++i) {
        if (kBuiltInSettings[i].code != kOrder[i])
            return false;
    }
    return true;
}
static_assert(BuiltInSettingsFollowOrder());

constexpr bool NamesAreSorted()
{
    for (size_t i = 1; i < std::size(kNames); ++i) {
        if (kNames[i - 1].code >= kNames[i].code)
            return false;
    }
    return true;
}
static_assert(NamesAreSorted());

} // namespace

std::string AlarmTypeName(int32_t code, NameTranslation translation)
{
    const auto* found =
        std::lower_bound(std::begin(kNames), std::end(kNames), code,
                         [](const NamedType& type, int32_t c) { return type.code < c; });
    std::string_view name =
        found != std::end(kNames) && found->code == code ? found->name : kUnknownName;
    if (translation == NameTranslation::Translated)
        return Tr(name);
    return std::string(name);
}

std::span<const int32_t> CatalogueOrder()
{
    return kOrder;
}

RgbColor PriorityColor(int32_t priority)
{
    if (priority < 0 || priority >= static_cast<int32_t>(std::size(kPriorityColors)))
        return {0, 0, 0};
    return kPriorityColors[priority];
}

std::span<const FactoryBarColor> FactoryBarColors()
{
    return kFactoryBarColors;
}

std::span<const BuiltInAlarmSetting> BuiltInAlarmSettings()
{
    return kBuiltInSettings;
}

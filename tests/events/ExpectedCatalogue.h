// The catalogue's tables as the tests expect them, written out once more
// from the tables of alarm types, their order and their built-in settings.
#pragma once

#include <cstdint>
#include <string_view>

namespace expected {

struct ExpectedName {
    int32_t code;
    std::string_view german;
};

inline constexpr ExpectedName kExpectedNames[] = {
    {10000, "Spur ist voll"},
    {10001, "Plattenbelegung hat eingestellte Prozentmarke ueberschritten"},
    {10002, "Plattenbelegung hat eingestellte Prozentmarke unterschritten"},
    {10003, "Standardspur gesichert"},
    {10004, "Kamera Sammelkontakt"},
    {10005, "Kamerakontakt"},
    {10006, "Alle laufenden Kontaktaufnahmen wurden angehalten"},
    {10007, "Meldung von Player ueber Zustand"},
    {10011, "Kontaktaufnahme, Kamera n Standardspur"},
    {10012, "Kontaktaufnahme einer Kamera in allen Spuren angehalten"},
    {10013, "Kontaktaufnahme in einer Spur angehalten"},
    {10014, "Alarm Beginn"},
    {10015, "Bildvergleichsereignis"},
    {10016, "Kamera(s) Ausfall"},
    {10017, "Kontaktaufnahme - DTP,ProCash, Netz,Seriell"},
    {10018, "Kontakteingang"},
    {10019, "Benachrichtigung ueber geloeschte Spur"},
    {10020, "Festplattenfehler"},
    {10021, "Sensor Kontakt"},
    {10022, "Signal von Kamera(s) auf Sensorkarte gestoert"},
    {10023, "Sensor schickte Kontakt-Ende-Nachricht im Modus \"Spontan/Start\""},
    {10024, "Aufnahme wurde fuer ein Array von Kameras gestoppt"},
    {10025, "Alarm-Input einer Sensorkarte hat sich geaendert"},
    {10026, "USV-Kommando"},
    {10028, "Rekorder-Neustart"},
    {10029, "KEVOR-Alarm"},
    {10030, "Housekeeping-Sabotage"},
    {10039, "Sensor-Objekt"},
    {10040, "Systemfehler"},
    {10042, "Test-Nachricht (Verbindung Ok)"},
    {10900, "Kamera(s) wieder online"},
    {10920, "Alarm Ende"},
    {10950, "Signalstoerung von Kamera(s) auf Sensorkarte behoben"},
    {10960, "Zeitueberschreitung der Hauptschleife"},
    {10980, "Grabber-Fehler"},
    {10990, "Housekeeping-Info"},
    {10991, "Housekeeping-Error"},
    {11001, "Unbekannter Alarm"},
    {11011, "Keine Test-Nachricht (Verbindung unterbrochen)"},
    {11012, "Rekorder wieder online"},
};

inline constexpr std::string_view ExpectedGermanName(int32_t code)
{
    for (const ExpectedName& name : kExpectedNames) {
        if (name.code == code)
            return name.german;
    }
    return "Unbekannter Alarm";
}

inline constexpr int32_t kExpectedOrder[] = {
    10000, 10001, 10002, 10003, 10004, 10005, 10006, 10011, 10012, 10013, 10014, 10920, 10015,
    10016, 10900, 10017, 10018, 10019, 10020, 10021, 10022, 10950, 10023, 10024, 10025, 10026,
    10028, 10960, 10980, 10029, 10030, 10040, 10042, 10990, 10991, 11001, 11011, 11012, 10039,
};

// Code, SubID, SubType, Priority, "ShwLivePic 0" marked, "ShwTrack 1" marked.
struct ExpectedSetting {
    int32_t code;
    int32_t subId;
    int32_t subType;
    int32_t priority;
    bool livePicOff;
    bool trackOn;
};

// The marks of the table.
inline constexpr bool x = true;
inline constexpr bool _ = false;

inline constexpr ExpectedSetting kExpectedSettings[] = {
    {10000, 0, 0, 1, x, _},   {10001, 1, 0, 1, x, _},   {10002, 2, 0, 1, x, _},
    {10003, 3, 0, 4, x, _},   {10004, 4, 0, 3, _, _},   {10005, 5, 24, 3, _, x},
    {10006, 6, 0, 4, x, _},   {10011, 8, 0, 3, x, x},   {10012, 9, 0, 4, x, _},
    {10013, 10, 0, 4, x, _},  {10014, 11, 0, 3, _, _},  {10920, 12, 0, 4, _, _},
    {10015, 13, 24, 3, _, x}, {10016, 14, 24, 3, x, _}, {10900, 15, 24, 4, _, _},
    {10017, 16, 0, 3, _, x},  {10018, 17, 24, 3, x, _}, {10019, 18, 0, 4, x, _},
    {10020, 19, 0, 1, x, _},  {10021, 20, 24, 3, _, x}, {10022, 21, 0, 1, x, _},
    {10950, 22, 0, 4, x, _},  {10023, 23, 0, 1, x, _},  {10024, 24, 0, 4, x, _},
    {10025, 25, 0, 4, x, _},  {10026, 26, 0, 1, x, _},  {10028, 27, 0, 1, x, _},
    {10960, 28, 0, 1, x, _},  {10980, 29, 0, 1, x, _},  {10029, 30, 24, 1, _, _},
    {10030, 31, 0, 1, x, _},  {10040, 32, 0, 1, x, _},  {10042, 33, 0, 1, x, _},
    {10990, 34, 0, 1, x, _},  {10991, 35, 0, 1, x, _},  {11001, 36, 0, 1, x, _},
    {11011, 37, 0, 1, x, _},  {11012, 38, 0, 1, x, _},  {10039, 39, 24, 1, x, _},
};

struct ExpectedBarColor {
    int32_t code;
    std::string_view text;
};

// Left column of the bar colour table top to bottom, then the right column.
inline constexpr ExpectedBarColor kExpectedBarColors[] = {
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

} // namespace expected

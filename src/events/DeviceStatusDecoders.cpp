// The device status decoders. Each walks the payload's nested lists once;
// a list it needs that cannot be opened gives the protocol error text unless
// the report is one that is not dispatched then.
#include "events/DeviceStatusDecoders.h"

#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/AddInfoText.h"
#include "events/EventTextBuilders.h"
#include "events/TextFormat.h"

#include <array>
#include <string_view>

namespace {

constexpr uint16_t kSensorBoardCategory = 6;
constexpr uint16_t kUpsCategory = 7;

constexpr uint16_t kSubsystemGrabber = 5;
constexpr uint16_t kSubsystemMainLoop = 8;
constexpr uint16_t kSubsystemRaid = 18;
constexpr int32_t kGrabberFaultType = 10980;
constexpr int32_t kMainLoopTimeoutType = 10960;
constexpr int32_t kDiskFaultType = 10020;

constexpr uint16_t kAnalysisKindAlarm = 2;
constexpr size_t kAnalysisTextBytes = 255;
constexpr size_t kEntryTextBytes = 255;

constexpr int32_t kHousekeepingInfoType = 10990;
constexpr int32_t kHousekeepingErrorType = 10991;

constexpr int32_t kSubsystemStorage = 101;

Dispatch SetProtocolError(DecodeContext& context)
{
    context.event.addInfo = ProtocolErrorText();
    return Dispatch::Yes;
}

// The value of the first 0x07FA entry of a list, from its start.
std::optional<uint16_t> FirstCode(TagReader list)
{
    list.Rewind();
    while (std::optional<TagEntry> entry = list.Next()) {
        if (entry->Tag() != kTagCode)
            continue;
        if (std::optional<uint16_t> value = entry->U16(0))
            return value;
    }
    return std::nullopt;
}

// 10025

enum class Walk { Done, ProtocolError };

Walk AppendBoardInputs(TagReader board, std::string& text)
{
    while (std::optional<TagEntry> entry = board.Next()) {
        if (entry->Tag() == kTagCode) {
            if (std::optional<uint16_t> number = entry->U16(0))
                text += FormatTr(TrNoop("Karte: %d; "), *number);
            continue;
        }
        if (entry->Tag() != kTagInput)
            continue;
        std::optional<uint16_t> kind = entry->U16(0);
        std::optional<uint16_t> value = entry->U16(2);
        if (!kind || !value)
            continue;
        if (*kind == 1)
            text += FormatTr(TrNoop("Alarminput %d wurde "), *value);
        else if (*kind == 2)
            text += *value != 0 ? Tr("geschlossen; ") : Tr("geoeffnet; ");
        else
            return Walk::ProtocolError;
    }
    return Walk::Done;
}

// 10026

constexpr std::string_view kUpsCommands[] = {
    TrNoop("USV-Kommando: killpower; "),  TrNoop("USV-Kommando: commfailure; "),
    TrNoop("USV-Kommando: commok; "),     TrNoop("USV-Kommando: powerout; "),
    TrNoop("USV-Kommando: onbattery; "),  TrNoop("USV-Kommando: failing; "),
    TrNoop("USV-Kommando: timeout; "),    TrNoop("USV-Kommando: loadlimit; "),
    TrNoop("USV-Kommando: runlimit; "),   TrNoop("USV-Kommando: doreboot; "),
    TrNoop("USV-Kommando: doshutdown; "), TrNoop("USV-Kommando: mainsback; "),
    TrNoop("USV-Kommando: annoyme; "),    TrNoop("USV-Kommando: emergency; "),
    TrNoop("USV-Kommando: changeme; "),   TrNoop("USV-Kommando: remotedown; "),
    TrNoop("USV-Kommando: restartme; "),
};

std::string UpsCommandText(uint16_t command)
{
    if (command >= 1 && command <= std::size(kUpsCommands))
        return Tr(kUpsCommands[command - 1]);
    return Tr("USV-Kommando: unbekanntes Kommando; ");
}

std::optional<std::string> UpsTimeText(const TagEntry& entry)
{
    std::array<uint16_t, 6> fields{};
    for (size_t i = 0; i < fields.size(); ++i) {
        std::optional<uint16_t> field = entry.U16(2 + 2 * i);
        if (!field)
            return std::nullopt;
        fields[i] = *field;
    }
    // day, month, year, hour, minute, second; a stamp that names no real
    // local time shows nothing rather than some other time.
    std::optional<Timestamp> time = Timestamp::FromLocalFields(
        fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], 0, FieldsAre::Local);
    if (!time)
        return std::nullopt;
    return FormatTr(TrNoop("Uhrzeit: %s; "), time->FormatTime(WithMs::No));
}

// 10027

struct BoardReport {
    std::optional<uint8_t> number;
    std::optional<uint8_t> type;
    std::optional<bool> active;
    std::optional<uint16_t> errWait;
    std::optional<uint16_t> errGrab;
    std::optional<uint16_t> errSize;
};

BoardReport ReadBoardReport(TagReader list)
{
    BoardReport report;
    while (std::optional<TagEntry> entry = list.Next()) {
        switch (entry->Tag()) {
        case kTagCode: {
            std::optional<uint8_t> number = entry->Byte(0);
            std::optional<uint8_t> type = entry->Byte(1);
            if (number && type) {
                report.number = number;
                report.type = type;
            }
            break;
        }
        case kTagStatus:
            if (std::optional<uint16_t> word = entry->U16(0))
                report.active = (*word & 0x8000) != 0;
            break;
        case kTagValue: {
            std::optional<uint16_t> kind = entry->U16(0);
            std::optional<uint16_t> value = entry->U16(2);
            if (!kind || !value)
                break;
            if (*kind == 10)
                report.errWait = value;
            else if (*kind == 11)
                report.errGrab = value;
            else if (*kind == 12)
                report.errSize = value;
            break;
        }
        default:
            break;
        }
    }
    return report;
}

std::string CounterText(std::string_view format, std::string_view missing,
                        std::optional<uint16_t> value)
{
    return value ? FormatTr(format, *value) : Tr(missing);
}

std::string BoardLine(const BoardReport& report)
{
    std::string board =
        report.number ? FormatTr(TrNoop("Board: %d"), *report.number) : Tr("Board: n/a");
    std::string type = report.type == 1   ? Tr("Typ: sw")
                       : report.type == 2 ? Tr("Typ: farbe")
                                          : Tr("Typ: n/a");
    std::string status = !report.active   ? Tr("Status: n/a")
                         : *report.active ? Tr("Status: aktiv")
                                          : Tr("Status: inaktiv");
    std::string line;
    for (const std::string& part :
         {board, type, status,
          CounterText(TrNoop("ErrWait: %d"), TrNoop("ErrWait: n/a"), report.errWait),
          CounterText(TrNoop("ErrGrab: %d"), TrNoop("ErrGrab: n/a"), report.errGrab),
          CounterText(TrNoop("ErrSize: %d"), TrNoop("ErrSize: n/a"), report.errSize)})
        line += part + " ";
    return line;
}

std::string RaidText(uint32_t state)
{
    if (state == 0)
        return Tr("RAID System wiederhergestellt.");
    if (state & 0xFF)
        return Tr("HDD (RAID): Synchronisieren...");
    if (state & 0xFF00)
        return Tr("HDD (RAID): Fehler - Defekte Partitionen");
    return Tr("HDD (RAID): Wiederherstellen...");
}

Dispatch FinishFault(DecodeContext& context, int32_t type, std::string_view text)
{
    context.event.alarmType = type;
    context.event.addInfo = NormaliseAddInfo(FailInfoPrefix(text));
    return Dispatch::Yes;
}

// 10029

constexpr std::string_view kAnalysisKeywords[] = {
    TrNoop("MAR"),         TrNoop("TMM"),
    TrNoop("SO"),          TrNoop("Sabotage"),
    TrNoop("COUNT"),       TrNoop("CASINO"),
    TrNoop("USER"),        TrNoop("Kennzeichen"),
    TrNoop("DISYSTEM"),    TrNoop("DINOID"),
    TrNoop("MANUAL"),      TrNoop("DIERROR "),
    TrNoop("PERSPECTIVE"), TrNoop("CLASSIFICATION"),
    TrNoop("TRACKING"),
};

std::string AnalysisKeyword(uint16_t code)
{
    if (code >= 1 && code <= std::size(kAnalysisKeywords))
        return Tr(kAnalysisKeywords[code - 1]);
    return Tr("Unbekannt");
}

// Replaces the buffer, keeping at most its capacity.
void SetBounded(std::string& buffer, std::string text)
{
    buffer = std::move(text);
    CutAtCharBoundary(buffer, kAnalysisTextBytes);
}

// 10030

enum class Shape {
    Temperature,         // S1
    TemperatureStop,     // S2
    TemperatureShutdown, // S3
    SpeedStop,           // S4
    Speed,               // S5
    Plain,               // S6
    Formatted,           // S7
    Stop,                // "%s." in every case
};

struct HousekeepingText {
    std::string_view message;
    Shape shape;
    std::string_view shutdown = {};
};

constexpr std::string_view kShutdownA = TrNoop("Der Rekorder wird heruntergefahren.");
constexpr std::string_view kShutdownB = TrNoop("Der Rekorder wird herunter gefahren.");

constexpr HousekeepingText kInfoTexts[] = {
    {TrNoop("Die interne Temperatur ist im oberen Bereich"), Shape::Temperature},
    {TrNoop("Die interne Temperatur ist im unteren Bereich"), Shape::Temperature},
    {TrNoop("Die interne Temperatur ist im normalen Bereich"), Shape::Temperature},
    {TrNoop("Die externe Temperatur ist im oberen Bereich"), Shape::Temperature},
    {TrNoop("Die externe Temperatur ist im unteren Bereich"), Shape::Temperature},
    {TrNoop("Die externe Temperatur ist im normalen Bereich"), Shape::Temperature},
    {TrNoop("Die CPU Temperatur ist im oberen Bereich"), Shape::Temperature},
    {TrNoop("Die CPU Temperatur ist im unteren Bereich"), Shape::Temperature},
    {TrNoop("Die CPU Temperatur ist im normalen Bereich"), Shape::Temperature},
    {TrNoop("Die CPU Temperatur hat die obere Grenze erreicht"), Shape::TemperatureShutdown,
     kShutdownA},
    {TrNoop("Der vordere Luefter dreht sich nicht mehr."), Shape::Plain},
    {TrNoop("Der vordere Luefter dreht sich wieder."), Shape::Plain},
    {TrNoop("Der hintere Luefter dreht sich nicht mehr."), Shape::Plain},
    {TrNoop("Der hintere Luefter dreht sich wieder."), Shape::Plain},
    {TrNoop("Die durchschnittliche Systemtemperatur ist im oberen Bereich"),
     Shape::TemperatureStop},
    {TrNoop("Die durchschnittliche Systemtemperatur ist im unteren Bereich"),
     Shape::TemperatureStop},
    {TrNoop("Die durchschnittliche Systemtemperatur ist im normalen Bereich"),
     Shape::TemperatureStop},
    {TrNoop("Die durchschnittliche Systemtemperatur hat die obere Grenze erreicht"),
     Shape::TemperatureShutdown, kShutdownB},
    {TrNoop("Die interne Temperatur hat die obere Grenze erreicht"), Shape::TemperatureShutdown,
     kShutdownB},
    {TrNoop("Die externe Temperatur hat die obere Grenze erreicht"), Shape::TemperatureShutdown,
     kShutdownB},
    {TrNoop("Die Drehzahl des vorderen Luefters ist zu hoch"), Shape::SpeedStop},
    {TrNoop("Die Drehzahl des vorderen Luefters ist zu niedrig"), Shape::SpeedStop},
    {TrNoop("Die Drehzahl des vorderen Luefters ist normal"), Shape::Speed},
    {TrNoop("Die Drehzahl des hinteren Luefters ist zu hoch"), Shape::Speed},
    {TrNoop("Die Drehzahl des hinteren Luefters ist zu niedrig"), Shape::Speed},
    {TrNoop("Die Drehzahl des hinteren Luefters ist normal"), Shape::Speed},
    {TrNoop("Die Drehzahl des HDD Luefters ist zu hoch"), Shape::Speed},
    {TrNoop("Die Drehzahl des HDD Luefters ist zu niedrig"), Shape::Speed},
    {TrNoop("Die Drehzahl des HDD Luefters ist normal"), Shape::Speed},
};

constexpr HousekeepingText kErrorTexts[] = {
    {TrNoop("Das I/O-Board konnte nicht in Betrieb genommen werden."), Shape::Plain},
    {TrNoop("Das I/O-Board ist betriebsbereit."), Shape::Plain},
    {TrNoop("Das Display konnte nicht in Betrieb genommen werden."), Shape::Plain},
    {TrNoop("Das Display ist betriebsbereit."), Shape::Plain},
    {TrNoop("Die CPU Temperatur kann nicht ermittelt werden."), Shape::Plain},
    {TrNoop("Die CPU Temperatur kann ermittelt werden"), Shape::TemperatureStop},
    {TrNoop("Die Drehzahl des vorderen Luefters kann ermittelt werden"), Shape::Speed},
    {TrNoop("Fehler waehrend der Ermittlung der Drehzahl des vorderen Luefters."), Shape::Plain},
    {TrNoop("Die Drehzahl des vorderen Luefters kann nicht ermittelt werden."), Shape::Plain},
    {TrNoop("Die Drehzahl des hinteren Luefters kann ermittelt werden"), Shape::Speed},
    {TrNoop("Fehler waehrend der Ermittlung der Drehzahl des hinteren Luefters."), Shape::Plain},
    {TrNoop("Die Drehzahl des hinteren Luefters kann nicht ermittelt werden."), Shape::Plain},
    {TrNoop("Die interne Temperatur kann ermittelt werden"), Shape::TemperatureStop},
    {TrNoop("Fehler waehrend der Ermittlung der internen Temperatur."), Shape::Plain},
    {TrNoop("Die interne Temperatur kann nicht ermittelt werden."), Shape::Plain},
    {TrNoop("Die externe Temperatur kann ermittelt werden"), Shape::TemperatureStop},
    {TrNoop("Fehler waehrend der Ermittlung der externen Temperatur."), Shape::Plain},
    {TrNoop("Die externe Temperatur kann nicht ermittelt werden."), Shape::Plain},
    {TrNoop("Der vordere Luefter dreht sich nicht mehr."), Shape::Plain},
    {TrNoop("Der vordere Luefter dreht sich wieder."), Shape::Stop},
    {TrNoop("Der hintere Luefter dreht sich nicht mehr."), Shape::Plain},
    {TrNoop("Der hintere Luefter dreht sich wieder."), Shape::Stop},
    {TrNoop("Der Gehaeuse-Deckel wurde geöffnet."), Shape::Plain},
    {TrNoop("Der Gehaeuse-Deckel wurde geschlossen."), Shape::Plain},
    {TrNoop("Die Gehaeuse-Schraube wurde geloest."), Shape::Plain},
    {TrNoop("Die Gehaeuse-Schraube wurde eingeschraubt."), Shape::Plain},
    {TrNoop("Die Drehzahl des HDD Luefters kann ermittelt werden"), Shape::Speed},
    {TrNoop("Fehler waehrend der Ermittlung der Drehzahl des HDD Luefters."), Shape::Plain},
    {TrNoop("Die Drehzahl des HDD Luefters kann nicht ermittelt werden."), Shape::Plain},
    {TrNoop("Der HDD Luefter dreht sich nicht mehr."), Shape::Plain},
    {TrNoop("Der HDD Luefter dreht sich wieder."), Shape::Plain},
    {TrNoop("Netzteil 1 ausgefallen."), Shape::Formatted},
    {TrNoop("Netzteil 1 wieder in Betrieb."), Shape::Formatted},
    {TrNoop("Netzteil 2 ausgefallen."), Shape::Formatted},
    {TrNoop("Netzteil 2 wieder in Betrieb."), Shape::Formatted},
};

struct SabotageText {
    uint16_t code;
    std::string_view message;
};

constexpr SabotageText kSabotageTexts[] = {
    {1, TrNoop("Der Schocksensor hat eine Erschuetterung des Geraetes festgestellt.")},
    {2, TrNoop("Die Gehaeuse-Schraube wurde geloest.")},
    {3, TrNoop("Der Gehaeuse-Deckel wurde geöffnet.")},
    {4, TrNoop("Der Schocksensor stellt keine Erschuetterung des Geraetes mehr fest.")},
    {5, TrNoop("Die Gehaeuse-Schraube wurde eingeschraubt.")},
    {6, TrNoop("Der Gehaeuse-Deckel wurde geschlossen.")},
    {9, TrNoop("Das BNC-Terminal-Board wurde ausgetauscht.")},
};

std::string ShapedText(const HousekeepingText& entry, int value)
{
    std::string message = Tr(entry.message);
    int fahrenheit = value * 9 / 5 + 32;
    switch (entry.shape) {
    case Shape::Temperature:
        return value != 0 ? FormatText("%s (%d °C / %d °F).", message, value, fahrenheit) : message;
    case Shape::TemperatureStop:
        return value != 0 ? FormatText("%s (%d °C / %d °F).", message, value, fahrenheit)
                          : FormatText("%s.", message);
    case Shape::TemperatureShutdown:
        return value != 0 ? FormatText("%s (%d °C / %d °F). %s", message, value, fahrenheit,
                                       Tr(entry.shutdown))
                          : FormatText("%s. %s", message, Tr(entry.shutdown));
    case Shape::SpeedStop:
        return value != 0 ? FormatText("%s (%d %s).", message, value, Tr("U/min"))
                          : FormatText("%s.", message);
    case Shape::Speed:
        return value != 0 ? FormatText("%s (%d %s)", message, value, Tr("U/min"))
                          : FormatText("%s.", message);
    case Shape::Plain:
        return message;
    case Shape::Formatted:
        return FormatText("%s", message);
    case Shape::Stop:
        return FormatText("%s.", message);
    }
    return message;
}

template <size_t N>
std::string HousekeepingMessage(const HousekeepingText (&table)[N], uint16_t code, int value)
{
    if (code >= 1 && code <= N)
        return ShapedText(table[code - 1], value);
    return Tr("Unbekannter Alarm");
}

std::string SabotageMessage(uint16_t code)
{
    for (const SabotageText& entry : kSabotageTexts) {
        if (entry.code == code)
            return Tr(entry.message);
    }
    return Tr("Unbekannter Alarm");
}

// 10040

enum StorageGroup {
    kDiskOk,
    kDiskRemoved,
    kDiskSynchronised,
    kDiskBack,
    kPowerOk,
    kPowerRemoved,
    kPowerBack,
    kGroupCount
};

std::optional<StorageGroup> GroupOfStatus(uint16_t status)
{
    switch (status) {
    case 1:
        return kDiskOk;
    case 2:
        return kDiskRemoved;
    case 3:
        return kDiskSynchronised;
    case 4:
        return kDiskBack;
    case 17:
        return kPowerRemoved;
    case 18:
        return kPowerBack;
    case 19:
        return kPowerOk;
    default:
        return std::nullopt;
    }
}

constexpr std::string_view kGroupOpeners[kGroupCount] = {
    TrNoop("Disk OK ("),
    TrNoop("Disk entfernt ("),
    TrNoop("Disk synchronisiert ("),
    TrNoop("Disk wieder vorhanden ("),
    TrNoop("Netzteil OK ("),
    TrNoop("Netzteil entfernt ("),
    TrNoop("Netzteil wieder vorhanden ("),
};

} // namespace

Dispatch DecodeSensorBoardInputs(DecodeContext& context)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return SetProtocolError(context);
    std::string text;
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() != kTagList)
            continue;
        std::optional<TagReader> list = entry->Nested();
        if (!list || FirstCode(*list) != kSensorBoardCategory)
            return SetProtocolError(context);
        list->Rewind();
        while (std::optional<TagEntry> inner = list->Next()) {
            if (inner->Tag() != kTagList)
                continue;
            std::optional<TagReader> board = inner->Nested();
            if (!board || AppendBoardInputs(*board, text) == Walk::ProtocolError)
                return SetProtocolError(context);
        }
    }
    TrimEnd(text, ' ');
    TrimEnd(text, ';');
    context.event.addInfo = text;
    return Dispatch::Yes;
}

Dispatch DecodeUpsCommand(DecodeContext& context)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return SetProtocolError(context);
    std::string text;
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() == kTagStamp) {
            if (std::optional<std::string> time = UpsTimeText(*entry))
                text += *time;
            continue;
        }
        if (entry->Tag() != kTagList)
            continue;
        std::optional<TagReader> list = entry->Nested();
        if (!list || FirstCode(*list) != kUpsCategory)
            return SetProtocolError(context);
        std::string commands;
        list->Rewind();
        while (std::optional<TagEntry> inner = list->Next()) {
            if (inner->Tag() != kTagPair)
                continue;
            std::optional<uint16_t> kind = inner->U16(0);
            std::optional<uint16_t> command = inner->U16(2);
            if (!kind || !command)
                continue;
            if (*kind != 1)
                return SetProtocolError(context);
            commands += UpsCommandText(*command);
        }
        text += commands;
    }
    TrimEnd(text, ' ');
    TrimEnd(text, ';');
    context.event.addInfo = text;
    return Dispatch::Yes;
}

Dispatch DecodeRecorderFault(DecodeContext& context)
{
    DecodeGeneric(context);
    std::optional<TagReader> payload = context.OpenPayload();
    std::optional<TagReader> list;
    while (payload && !list) {
        std::optional<TagEntry> entry = payload->Next();
        if (!entry)
            break;
        if (entry->Tag() != kTagList)
            continue;
        list = entry->Nested();
        if (!list)
            return Dispatch::No;
    }
    if (!list)
        return Dispatch::No;

    std::optional<uint16_t> subsystem;
    while (!subsystem) {
        std::optional<TagEntry> entry = list->Next();
        if (!entry)
            return Dispatch::No;
        if (entry->Tag() == kTagCode)
            subsystem = entry->U16(0);
    }

    switch (*subsystem) {
    case kSubsystemGrabber: {
        std::string lines;
        while (std::optional<TagEntry> entry = list->Next()) {
            if (entry->Tag() != kTagList)
                continue;
            std::optional<TagReader> board = entry->Nested();
            if (!board)
                return Dispatch::No;
            lines += BoardLine(ReadBoardReport(*board)) + " | ";
        }
        TrimEnd(lines, ' ');
        TrimEnd(lines, '|');
        TrimEnd(lines, ' ');
        return FinishFault(context, kGrabberFaultType, lines);
    }
    case kSubsystemMainLoop: {
        context.event.alarmType = kMainLoopTimeoutType;
        list->Rewind();
        while (std::optional<TagEntry> entry = list->Next()) {
            if (entry->Tag() != kTagValue)
                continue;
            if (std::optional<uint16_t> count = entry->U16(2))
                return FinishFault(
                    context, kMainLoopTimeoutType,
                    FormatTr(TrNoop("Häufigkeit der Zeitüberschreitung: %d"), *count));
        }
        return SetProtocolError(context);
    }
    case kSubsystemRaid:
        while (std::optional<TagEntry> entry = list->Next()) {
            if (entry->Tag() != kTagValue || !entry->HasKind(1))
                continue;
            if (std::optional<uint32_t> state = entry->U32(2))
                return FinishFault(context, kDiskFaultType, RaidText(*state));
        }
        return Dispatch::No;
    default:
        return Dispatch::No;
    }
}

Dispatch DecodeAnalysisAlarm(DecodeContext& context)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return SetProtocolError(context);
    std::optional<uint16_t> kind;
    std::optional<TagReader> last;
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() != kTagList)
            continue;
        std::optional<TagReader> list = entry->Nested();
        if (!list)
            return SetProtocolError(context);
        while (std::optional<TagEntry> inner = list->Next()) {
            if (inner->Tag() != kTagCode)
                continue;
            if (std::optional<uint16_t> value = inner->U16(0))
                kind = value;
        }
        list->Rewind();
        last = list;
    }
    if (!kind)
        return SetProtocolError(context);
    if (*kind != kAnalysisKindAlarm)
        return Dispatch::No;

    std::string buffer;
    int32_t camera = -1;
    while (std::optional<TagEntry> entry = last->Next()) {
        if (entry->Tag() == kTagValue) {
            std::optional<uint16_t> value = entry->U16(2);
            if (!value)
                continue;
            if (entry->HasKind(1)) {
                SetBounded(buffer, buffer + AnalysisKeyword(*value));
            } else if (entry->HasKind(2)) {
                SetBounded(buffer, FormatText("%s %s: %d", buffer, Tr("Kamera"), *value + 1));
                camera = *value;
            }
            continue;
        }
        if (entry->Tag() == kTagText && entry->HasKind(10)) {
            if (std::optional<std::string> text = entry->Text(2, kEntryTextBytes))
                SetBounded(buffer, buffer + " " + *text);
        }
    }
    context.event.addInfo = buffer;
    context.event.cameraId = camera;
    return Dispatch::Yes;
}

Dispatch DecodeHousekeeping(DecodeContext& context)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return SetProtocolError(context);
    std::optional<uint16_t> category;
    std::optional<TagReader> last;
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() != kTagList)
            continue;
        std::optional<TagReader> list = entry->Nested();
        if (!list)
            return SetProtocolError(context);
        while (std::optional<TagEntry> inner = list->Next()) {
            if (inner->Tag() != kTagCode)
                continue;
            if (std::optional<uint16_t> value = inner->U16(0))
                category = value;
        }
        list->Rewind();
        last = list;
    }
    if (!category)
        return SetProtocolError(context);

    uint16_t code = 0;
    uint16_t value = 0;
    bool codeSeen = false;
    while (std::optional<TagEntry> entry = last->Next()) {
        std::optional<uint16_t> field = entry->U16(2);
        if (entry->Tag() != kTagValue || !field)
            continue;
        if (entry->HasKind(1)) {
            code = *field;
            codeSeen = true;
        } else if (entry->HasKind(2)) {
            value = *field;
        }
    }
    switch (*category) {
    case 1:
        context.event.alarmType = kHousekeepingInfoType;
        context.event.addInfo = HousekeepingMessage(kInfoTexts, code, value);
        return Dispatch::Yes;
    case 2:
        context.event.addInfo = codeSeen ? SabotageMessage(code) : std::string();
        return Dispatch::Yes;
    case 3:
        context.event.alarmType = kHousekeepingErrorType;
        context.event.addInfo = HousekeepingMessage(kErrorTexts, code, value);
        return Dispatch::Yes;
    default:
        return SetProtocolError(context);
    }
}

Dispatch DecodeSensorObject(DecodeContext& context)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return SetProtocolError(context);
    int objectType = -1;
    int gido = -1;
    std::string name;
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() != kTagList)
            continue;
        std::optional<TagReader> list = entry->Nested();
        if (!list)
            return SetProtocolError(context);
        while (std::optional<TagEntry> inner = list->Next()) {
            if (inner->Tag() == kTagText && inner->HasKind(1)) {
                if (std::optional<std::string> text = inner->Text(2, kEntryTextBytes))
                    name = *text;
                continue;
            }
            std::optional<uint16_t> value = inner->U16(2);
            if (inner->Tag() != kTagValue || !value)
                continue;
            if (inner->HasKind(1))
                objectType = *value;
            else if (inner->HasKind(2))
                context.event.cameraId = *value - 1;
            else if (inner->HasKind(3))
                gido = *value;
        }
    }
    context.event.addInfo = FormatText("%s %s (%i), GIDO: %i", Tr("Typ:"), name, objectType, gido);
    return Dispatch::Yes;
}

Dispatch DecodeSystemError(DecodeContext& context)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return Dispatch::No;
    int32_t subsystem = -1;
    std::array<std::string, kGroupCount> units;
    while (std::optional<TagEntry> top = payload->Next()) {
        if (top->Tag() != kTagList)
            continue;
        std::optional<TagReader> second = top->Nested();
        if (!second)
            return SetProtocolError(context);
        while (std::optional<TagEntry> entry = second->Next()) {
            if (entry->Tag() == kTagPair && entry->HasKind(1)) {
                if (std::optional<uint16_t> code = entry->U16(2))
                    subsystem = *code;
                continue;
            }
            if (entry->Tag() != kTagList)
                continue;
            std::optional<TagReader> third = entry->Nested();
            if (!third)
                return SetProtocolError(context);
            while (std::optional<TagEntry> unitEntry = third->Next()) {
                if (unitEntry->Tag() != kTagList)
                    continue;
                std::optional<TagReader> unit = unitEntry->Nested();
                if (!unit)
                    return SetProtocolError(context);
                std::optional<uint16_t> number;
                std::optional<uint16_t> status;
                while (std::optional<TagEntry> field = unit->Next()) {
                    if (field->Tag() == kTagCode) {
                        if (std::optional<uint16_t> value = field->U16(0))
                            number = value;
                    } else if (field->Tag() == kTagPair && field->HasKind(1)) {
                        if (std::optional<uint16_t> value = field->U16(2))
                            status = value;
                    }
                }
                std::optional<StorageGroup> group = status ? GroupOfStatus(*status) : std::nullopt;
                if (subsystem == kSubsystemStorage && number && group)
                    units[*group] += FormatText("%d ", *number);
            }
        }
    }
    if (subsystem != kSubsystemStorage)
        return Dispatch::No;
    std::string text;
    for (int group = 0; group < kGroupCount; ++group) {
        if (units[group].empty())
            continue;
        if (!text.empty())
            text += ", ";
        text += Tr(kGroupOpeners[group]);
        if (group != kDiskOk)
            text += "ID: ";
        text += units[group] + ") ";
    }
    context.event.addInfo = NormaliseAddInfo(text);
    return Dispatch::Yes;
}

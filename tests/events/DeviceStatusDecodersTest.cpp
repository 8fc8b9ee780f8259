// The device status decoders: sensor boards, UPS, fault reports (grabber
// boards, main loop, RAID), analysis alarms, housekeeping, sensor objects
// and disk/power-supply status, with their protocol-error and no-dispatch
// paths.
#include "DecoderFixture.h"
#include "ScopedTranslation.h"

#include <gtest/gtest.h>

namespace {

using DeviceStatus = DecoderFixture;

constexpr std::string_view kProtocolError = "Fehler: Interner Protokollfehler!";

EntryListWriter RejectedList()
{
    EntryListWriter list;
    list.Raw(0, {}).Code(1);
    return list;
}

EntryListWriter Board(uint16_t number, std::initializer_list<std::pair<uint16_t, uint16_t>> inputs)
{
    EntryListWriter board;
    board.Code(number);
    for (auto [kind, value] : inputs)
        board.Input(kind, value);
    return board;
}

EntryListWriter SensorBoards(uint16_t category, std::initializer_list<EntryListWriter> boards)
{
    EntryListWriter list;
    list.Code(category);
    for (const EntryListWriter& board : boards)
        list.List(board);
    return Nest(list);
}

EntryListWriter Ups(uint16_t category, std::initializer_list<uint16_t> commands)
{
    EntryListWriter list;
    list.Code(category);
    for (uint16_t command : commands)
        list.Pair(1, command);
    return Nest(list);
}

// A fault report: the subsystem's list with `rest` after its code.
EntryListWriter Fault(uint16_t subsystem, const EntryListWriter& rest)
{
    EntryListWriter list;
    list.Code(subsystem).Append(rest);
    return Nest(list);
}

EntryListWriter GrabberBoard(uint8_t number, uint8_t type, std::optional<uint16_t> status,
                             uint16_t errWait, uint16_t errGrab, uint16_t errSize)
{
    EntryListWriter board;
    board.Board(number, type);
    if (status)
        board.Status(*status);
    board.Value16(10, errWait).Value16(11, errGrab).Value16(12, errSize);
    return board;
}

EntryListWriter Housekeeping(uint16_t category, std::optional<uint16_t> code,
                             std::optional<uint16_t> value)
{
    EntryListWriter list;
    list.Code(category);
    if (code)
        list.Value16(1, *code);
    if (value)
        list.Value16(2, *value);
    return Nest(list);
}

EntryListWriter Unit(uint16_t number, uint16_t status)
{
    EntryListWriter unit;
    unit.Code(number).Pair(1, status);
    return unit;
}

// Three levels: a second-level list with the subsystem and a third-level
// list holding the units.
EntryListWriter Storage(uint16_t subsystem, std::initializer_list<EntryListWriter> units)
{
    EntryListWriter third;
    for (const EntryListWriter& unit : units)
        third.List(unit);
    EntryListWriter second;
    second.Pair(1, subsystem).List(third);
    return Nest(second);
}

} // namespace

// 10025

TEST_F(DeviceStatus, SensorBoardInput)
{
    EXPECT_EQ(AddInfoOf(10025, 0, SensorBoards(6, {Board(1, {{1, 3}, {2, 0}})})),
              "Karte: 1; Alarminput 3 wurde geoeffnet");
    EXPECT_EQ(AddInfoOf(10025, 0,
                        SensorBoards(6, {Board(2, {{1, 1}, {2, 1}}), Board(3, {{1, 8}, {2, 0}})})),
              "Karte: 2; Alarminput 1 wurde geschlossen; Karte: 3; Alarminput 8 wurde geoeffnet");
}

TEST_F(DeviceStatus, SensorBoardInputProtocolErrors)
{
    EXPECT_EQ(AddInfoOf(10025, 0, SensorBoards(5, {Board(1, {{1, 3}})})), kProtocolError);
    EXPECT_EQ(AddInfoOf(10025, 0, SensorBoards(6, {Board(1, {{3, 3}})})), kProtocolError);
    EXPECT_EQ(AddInfoOf(10025, 0, RejectedList()), kProtocolError);
    EXPECT_EQ(AddInfoOf(10025, 0, Nest(RejectedList())), kProtocolError);
    EntryListWriter noCategory;
    noCategory.List(Board(1, {{1, 3}}));
    EXPECT_EQ(AddInfoOf(10025, 0, Nest(noCategory)), kProtocolError);
    EntryListWriter unopenableBoard;
    unopenableBoard.Code(6).List(RejectedList());
    EXPECT_EQ(AddInfoOf(10025, 0, Nest(unopenableBoard)), kProtocolError);
}

TEST_F(DeviceStatus, SensorBoardInputTranslated)
{
    ScopedTranslation translation({{"Karte: %d; ", "Board: %d; "},
                                   {"Alarminput %d wurde ", "Alarm input %d was "},
                                   {"geoeffnet; ", "opened; "}});
    EXPECT_EQ(AddInfoOf(10025, 0, SensorBoards(6, {Board(1, {{1, 3}, {2, 0}})})),
              "Board: 1; Alarm input 3 was opened");
}

// 10026

TEST_F(DeviceStatus, UpsCommands)
{
    EXPECT_EQ(AddInfoOf(10026, 0, Ups(7, {4, 5})),
              "USV-Kommando: powerout; USV-Kommando: onbattery");
    EXPECT_EQ(AddInfoOf(10026, 0, Ups(7, {1, 17, 18, 0})),
              "USV-Kommando: killpower; USV-Kommando: restartme; "
              "USV-Kommando: unbekanntes Kommando; USV-Kommando: unbekanntes Kommando");
    EXPECT_EQ(AddInfoOf(10026, 0, Ups(7, {})), "");
}

TEST_F(DeviceStatus, UpsCommandWithTime)
{
    StampFields time;
    time.day = 3;
    time.month = 4;
    time.year = 2024;
    time.hour = 9;
    time.minute = 5;
    time.second = 7;
    EntryListWriter payload;
    payload.Stamp(0, time).Append(Ups(7, {12}));
    EXPECT_EQ(AddInfoOf(10026, 0, payload), "Uhrzeit: 09:05:07; USV-Kommando: mainsback");
}

TEST_F(DeviceStatus, UpsCommandProtocolErrors)
{
    EXPECT_EQ(AddInfoOf(10026, 0, Ups(6, {4})), kProtocolError);
    EntryListWriter wrongKind;
    wrongKind.Code(7).Pair(1, 4).Pair(2, 5);
    EXPECT_EQ(AddInfoOf(10026, 0, Nest(wrongKind)), kProtocolError);
    EXPECT_EQ(AddInfoOf(10026, 0, RejectedList()), kProtocolError);
}

// 10027

TEST_F(DeviceStatus, RaidFault)
{
    EntryListWriter state;
    state.Value32(1, 0x0100);
    GuardEvent event = DecodeOne(10027, 0, Fault(18, state));
    EXPECT_EQ(event.alarmType, 10020);
    EXPECT_EQ(event.addInfo, "FAILINFO! HDD (RAID): Fehler - Defekte Partitionen");
}

TEST_F(DeviceStatus, RaidStates)
{
    auto raid = [&](uint32_t value) {
        EntryListWriter state;
        state.Value16(2, 0xFF).Value32(1, value);
        return AddInfoOf(10027, 0, Fault(18, state));
    };
    EXPECT_EQ(raid(0), "FAILINFO! RAID System wiederhergestellt.");
    EXPECT_EQ(raid(0x0101), "FAILINFO! HDD (RAID): Synchronisieren...");
    EXPECT_EQ(raid(0x10000), "FAILINFO! HDD (RAID): Wiederherstellen...");
}

TEST_F(DeviceStatus, RaidFaultWithoutStateIsNotDispatched)
{
    EntryListWriter state;
    state.Value16(1, 1); // too short for the u32 state
    EXPECT_EQ(Decode(10027, 0, Fault(18, state)).size(), 0u);
    EXPECT_EQ(Decode(10027, 0, Fault(18, {})).size(), 0u);
}

TEST_F(DeviceStatus, MainLoopTimeout)
{
    EntryListWriter count;
    count.Value16(3, 17);
    GuardEvent event = DecodeOne(10027, 0, Fault(8, count));
    EXPECT_EQ(event.alarmType, 10960);
    EXPECT_EQ(event.addInfo, "FAILINFO! Häufigkeit der Zeitüberschreitung: 17");

    GuardEvent missing = DecodeOne(10027, 0, Fault(8, {}));
    EXPECT_EQ(missing.alarmType, 10960);
    EXPECT_EQ(missing.addInfo, kProtocolError);
}

TEST_F(DeviceStatus, MainLoopTimeoutReadsTheFirstValueFromTheListStart)
{
    EntryListWriter list;
    list.Value16(1, 42).Code(8).Value16(1, 7);
    EXPECT_EQ(AddInfoOf(10027, 0, Nest(list)), "FAILINFO! Häufigkeit der Zeitüberschreitung: 42");
}

TEST_F(DeviceStatus, GrabberBoards)
{
    EntryListWriter one;
    one.List(GrabberBoard(1, 1, 0x8000, 2, 3, 4));
    GuardEvent event = DecodeOne(10027, 0, Fault(5, one));
    EXPECT_EQ(event.alarmType, 10980);
    EXPECT_EQ(event.addInfo,
              "FAILINFO! Board: 1 Typ: sw Status: aktiv ErrWait: 2 ErrGrab: 3 ErrSize: 4");

    EntryListWriter two;
    two.List(GrabberBoard(1, 1, 0x8000, 2, 3, 4)).List(GrabberBoard(2, 2, 0x0001, 0, 0, 9));
    EXPECT_EQ(AddInfoOf(10027, 0, Fault(5, two)),
              "FAILINFO! Board: 1 Typ: sw Status: aktiv ErrWait: 2 ErrGrab: 3 ErrSize: 4 | "
              "Board: 2 Typ: farbe Status: inaktiv ErrWait: 0  ...");
}

TEST_F(DeviceStatus, GrabberBoardWithMissingFields)
{
    EntryListWriter board;
    board.Board(4, 7);
    EntryListWriter boards;
    boards.List(board);
    EXPECT_EQ(AddInfoOf(10027, 0, Fault(5, boards)),
              "FAILINFO! Board: 4 Typ: n/a Status: n/a ErrWait: n/a ErrGrab: n/a ErrSize: n/a");
    EntryListWriter empty;
    empty.List(Nest({}));
    EXPECT_EQ(AddInfoOf(10027, 0, Fault(5, empty)),
              "FAILINFO! Board: n/a Typ: n/a Status: n/a ErrWait: n/a ErrGrab: n/a ErrSize: n/a");
    EXPECT_EQ(AddInfoOf(10027, 0, Fault(5, {})), "FAILINFO!");
}

TEST_F(DeviceStatus, LongFaultReportIsCutTo127)
{
    EntryListWriter boards;
    for (uint8_t i = 0; i < 4; ++i)
        boards.List(GrabberBoard(i, 1, 0x8000, 100, 200, 300));
    std::string text = AddInfoOf(10027, 0, Fault(5, boards));
    EXPECT_EQ(text.size(), 127u);
    EXPECT_EQ(text.substr(0, 30), "FAILINFO! Board: 0 Typ: sw Sta");
    EXPECT_EQ(text.substr(123), " ...");
}

TEST_F(DeviceStatus, GrabberReportWithUnopenableBoardIsNotDispatched)
{
    EntryListWriter boards;
    boards.List(RejectedList());
    EXPECT_EQ(Decode(10027, 0, Fault(5, boards)).size(), 0u);
}

TEST_F(DeviceStatus, FaultReportsOfOtherSubsystemsAreNotDispatched)
{
    EntryListWriter count;
    count.Value16(1, 1);
    EXPECT_EQ(Decode(10027, 0, Fault(9, count)).size(), 0u);
    EXPECT_EQ(Decode(10027, 0).size(), 0u);
    EXPECT_EQ(Decode(10027, 0, Nest({})).size(), 0u);
    EXPECT_EQ(Decode(10027, 0, Nest(RejectedList())).size(), 0u);
    EXPECT_EQ(Decode(10027, 0, RejectedList()).size(), 0u);
}

TEST_F(DeviceStatus, FaultReportRunsTheGenericDecoderFirst)
{
    EntryListWriter payload;
    payload.Track(3, "Tor").Camera(1);
    EntryListWriter count;
    count.Value16(1, 5);
    payload.Append(Fault(8, count));
    GuardEvent event = DecodeOne(10027, 0, payload);
    EXPECT_EQ(event.trackId, 3);
    EXPECT_EQ(event.trackName, "Tor");
    EXPECT_EQ(event.cameraId, 1);
    EXPECT_EQ(event.addInfo, "FAILINFO! Häufigkeit der Zeitüberschreitung: 5");
}

TEST_F(DeviceStatus, FaultReportTranslated)
{
    ScopedTranslation translation(
        {{"FAILINFO!", "FAILURE!"}, {"HDD (RAID): Synchronisieren...", "HDD (RAID): syncing..."}});
    EntryListWriter state;
    state.Value32(1, 1);
    EXPECT_EQ(AddInfoOf(10027, 0, Fault(18, state)), "FAILURE! HDD (RAID): syncing...");
}

// 10029

TEST_F(DeviceStatus, AnalysisAlarm)
{
    EntryListWriter list;
    list.Code(2).Value16(1, 4).Value16(2, 2).Text(10, "Zone A");
    GuardEvent event = DecodeOne(10029, 0, Nest(list));
    EXPECT_EQ(event.addInfo, "Sabotage Kamera: 3 Zone A");
    EXPECT_EQ(event.cameraId, 2);
}

TEST_F(DeviceStatus, AnalysisKeywords)
{
    auto keyword = [&](uint16_t code) {
        EntryListWriter list;
        list.Code(2).Value16(1, code);
        return AddInfoOf(10029, 0, Nest(list));
    };
    EXPECT_EQ(keyword(1), "MAR");
    EXPECT_EQ(keyword(8), "Kennzeichen");
    EXPECT_EQ(keyword(12), "DIERROR ");
    EXPECT_EQ(keyword(15), "TRACKING");
    EXPECT_EQ(keyword(16), "Unbekannt");
}

TEST_F(DeviceStatus, AnalysisAlarmWithoutCamera)
{
    EntryListWriter list;
    list.Code(2).Value16(1, 1).Value16(1, 2);
    GuardEvent event = DecodeOne(10029, 0, Nest(list));
    EXPECT_EQ(event.addInfo, "MARTMM");
    EXPECT_EQ(event.cameraId, -1);
}

TEST_F(DeviceStatus, AnalysisKindComesFromTheLastCodeAndTextFromTheLastList)
{
    EntryListWriter first;
    first.Code(2).Value16(1, 1);
    EntryListWriter last;
    last.Value16(2, 0);
    EntryListWriter payload;
    payload.List(first).List(last);
    EXPECT_EQ(AddInfoOf(10029, 0, payload), " Kamera: 1");

    EntryListWriter otherKind;
    otherKind.Code(2).Value16(1, 1).Code(3);
    EXPECT_EQ(Decode(10029, 0, Nest(otherKind)).size(), 0u);
}

TEST_F(DeviceStatus, AnalysisAlarmProtocolErrors)
{
    EntryListWriter noKind;
    noKind.Value16(1, 1);
    EXPECT_EQ(AddInfoOf(10029, 0, Nest(noKind)), kProtocolError);
    EXPECT_EQ(AddInfoOf(10029, 0, Nest(RejectedList())), kProtocolError);
    EXPECT_EQ(AddInfoOf(10029, 0, RejectedList()), kProtocolError);
    EXPECT_EQ(AddInfoOf(10029, 0), kProtocolError);
}

TEST_F(DeviceStatus, AnalysisTextStaysWithin255Bytes)
{
    EntryListWriter list;
    list.Code(2);
    for (int i = 0; i < 20; ++i)
        list.Value16(1, 14).Text(10, std::string(200, 't')).Value16(2, 9);
    std::string text = AddInfoOf(10029, 0, Nest(list));
    EXPECT_EQ(text.size(), 255u);
}

TEST_F(DeviceStatus, AnalysisTranslated)
{
    ScopedTranslation translation({{"Kamera", "Camera"}, {"Kennzeichen", "Licence plate"}});
    EntryListWriter list;
    list.Code(2).Value16(1, 8).Value16(2, 0);
    EXPECT_EQ(AddInfoOf(10029, 0, Nest(list)), "Licence plate Camera: 1");
}

// 10030

TEST_F(DeviceStatus, HousekeepingInfoTemperature)
{
    GuardEvent event = DecodeOne(10030, 0, Housekeeping(1, 1, 40));
    EXPECT_EQ(event.alarmType, 10990);
    EXPECT_EQ(event.addInfo, "Die interne Temperatur ist im oberen Bereich (40 °C / 104 °F).");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 1, 0)),
              "Die interne Temperatur ist im oberen Bereich");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 1, std::nullopt)),
              "Die interne Temperatur ist im oberen Bereich");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 15, 0)),
              "Die durchschnittliche Systemtemperatur ist im oberen Bereich.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 15, 21)),
              "Die durchschnittliche Systemtemperatur ist im oberen Bereich (21 °C / 69 °F).");
}

TEST_F(DeviceStatus, HousekeepingShapes)
{
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 10, 95)),
              "Die CPU Temperatur hat die obere Grenze erreicht (95 °C / 203 °F). "
              "Der Rekorder wird heruntergefahren.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 18, 0)),
              "Die durchschnittliche Systemtemperatur hat die obere Grenze erreicht. "
              "Der Rekorder wird herunter gefahren.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 21, 4000)),
              "Die Drehzahl des vorderen Luefters ist zu hoch (4000 U/min).");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 22, 0)),
              "Die Drehzahl des vorderen Luefters ist zu niedrig.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 24, 4000)),
              "Die Drehzahl des hinteren Luefters ist zu hoch (4000 U/min)");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 29, 0)),
              "Die Drehzahl des HDD Luefters ist normal.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 11, 5)),
              "Der vordere Luefter dreht sich nicht mehr.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 30, 5)), "Unbekannter Alarm");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, std::nullopt, 5)), "Unbekannter Alarm");
}

TEST_F(DeviceStatus, HousekeepingFahrenheitUsesIntegerArithmetic)
{
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 4, 37)),
              "Die externe Temperatur ist im oberen Bereich (37 °C / 98 °F).");
}

TEST_F(DeviceStatus, HousekeepingErrors)
{
    GuardEvent event = DecodeOne(10030, 0, Housekeeping(3, 32, std::nullopt));
    EXPECT_EQ(event.alarmType, 10991);
    EXPECT_EQ(event.addInfo, "Netzteil 1 ausgefallen.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(3, 20, 0)),
              "Der vordere Luefter dreht sich wieder..");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(3, 6, 0)),
              "Die CPU Temperatur kann ermittelt werden.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(3, 7, 3000)),
              "Die Drehzahl des vorderen Luefters kann ermittelt werden (3000 U/min)");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(3, 23, 0)), "Der Gehaeuse-Deckel wurde geöffnet.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(3, 35, 0)), "Netzteil 2 wieder in Betrieb.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(3, 36, 0)), "Unbekannter Alarm");
}

TEST_F(DeviceStatus, HousekeepingSabotageKeepsItsType)
{
    GuardEvent event = DecodeOne(10030, 0, Housekeeping(2, 3, std::nullopt));
    EXPECT_EQ(event.alarmType, 10030);
    EXPECT_EQ(event.addInfo, "Der Gehaeuse-Deckel wurde geöffnet.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(2, 9, 0)),
              "Das BNC-Terminal-Board wurde ausgetauscht.");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(2, 7, 0)), "Unbekannter Alarm");
}

TEST_F(DeviceStatus, HousekeepingSabotageLastCodeWins)
{
    EntryListWriter list;
    list.Code(2).Value16(1, 1).Value16(1, 4);
    EXPECT_EQ(AddInfoOf(10030, 0, Nest(list)),
              "Der Schocksensor stellt keine Erschuetterung des Geraetes mehr fest.");
}

TEST_F(DeviceStatus, HousekeepingCategoryFromTheLastCodeAndValuesFromTheLastList)
{
    EntryListWriter first;
    first.Code(3).Value16(1, 32);
    EntryListWriter last;
    last.Value16(1, 1).Value16(2, 30);
    EntryListWriter payload;
    payload.List(first).List(last);
    GuardEvent event = DecodeOne(10030, 0, payload);
    EXPECT_EQ(event.alarmType, 10991);
    EXPECT_EQ(event.addInfo, "Das I/O-Board konnte nicht in Betrieb genommen werden.");
}

TEST_F(DeviceStatus, HousekeepingProtocolErrors)
{
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(4, 1, 0)), kProtocolError);
    EntryListWriter noCategory;
    noCategory.Value16(1, 1);
    EXPECT_EQ(AddInfoOf(10030, 0, Nest(noCategory)), kProtocolError);
    EXPECT_EQ(AddInfoOf(10030, 0, Nest(RejectedList())), kProtocolError);
    EXPECT_EQ(AddInfoOf(10030, 0, RejectedList()), kProtocolError);
    EXPECT_EQ(AddInfoOf(10030, 0), kProtocolError);
}

TEST_F(DeviceStatus, HousekeepingTranslated)
{
    ScopedTranslation translation(
        {{"Die Drehzahl des vorderen Luefters ist zu hoch", "The front fan speed is too high"},
         {"U/min", "rpm"},
         {"Die CPU Temperatur hat die obere Grenze erreicht",
          "The CPU temperature has reached its upper limit"},
         {"Der Rekorder wird heruntergefahren.", "The recorder is shutting down."}});
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 21, 4000)),
              "The front fan speed is too high (4000 rpm).");
    EXPECT_EQ(AddInfoOf(10030, 0, Housekeeping(1, 10, 90)),
              "The CPU temperature has reached its upper limit (90 °C / 194 °F). "
              "The recorder is shutting down.");
}

// 10039

TEST_F(DeviceStatus, SensorObject)
{
    EntryListWriter list;
    list.Value16(1, 3).Value16(2, 5).Value16(3, 42).Text(1, "Person");
    GuardEvent event = DecodeOne(10039, 0, Nest(list));
    EXPECT_EQ(event.addInfo, "Typ: Person (3), GIDO: 42");
    EXPECT_EQ(event.cameraId, 4);
}

TEST_F(DeviceStatus, SensorObjectDefaults)
{
    GuardEvent event = DecodeOne(10039, 0, Nest({}));
    EXPECT_EQ(event.addInfo, "Typ:  (-1), GIDO: -1");
    EXPECT_EQ(event.cameraId, -1);
    EXPECT_EQ(AddInfoOf(10039, 0, Nest(RejectedList())), kProtocolError);
    EXPECT_EQ(AddInfoOf(10039, 0, RejectedList()), kProtocolError);
}

TEST_F(DeviceStatus, SensorObjectNameIsCutAt255)
{
    EntryListWriter list;
    list.Text(1, std::string(300, 'n'));
    EXPECT_EQ(AddInfoOf(10039, 0, Nest(list)), "Typ: " + std::string(255, 'n') + " (-1), GIDO: -1");
}

TEST_F(DeviceStatus, SensorObjectTranslated)
{
    ScopedTranslation translation({{"Typ:", "Type:"}});
    EntryListWriter list;
    list.Text(1, "Auto");
    EXPECT_EQ(AddInfoOf(10039, 0, Nest(list)), "Type: Auto (-1), GIDO: -1");
}

// 10040

TEST_F(DeviceStatus, SystemErrorDisks)
{
    EXPECT_EQ(AddInfoOf(10040, 0, Storage(101, {Unit(1, 1), Unit(2, 1), Unit(3, 2)})),
              "Disk OK (1 2 ) , Disk entfernt (ID: 3 )");
}

TEST_F(DeviceStatus, SystemErrorAllGroupsInOrder)
{
    EXPECT_EQ(AddInfoOf(10040, 0,
                        Storage(101, {Unit(7, 18), Unit(6, 17), Unit(5, 19), Unit(4, 4), Unit(3, 3),
                                      Unit(2, 2), Unit(1, 1), Unit(9, 5)})),
              "Disk OK (1 ) , Disk entfernt (ID: 2 ) , Disk synchronisiert (ID: 3 ) , Disk "
              "wieder vorhanden (ID: 4 ) , Netzteil OK (ID: 5  ...");
}

TEST_F(DeviceStatus, SystemErrorOfOtherSubsystemsIsNotDispatched)
{
    EXPECT_EQ(Decode(10040, 0, Storage(102, {Unit(1, 1)})).size(), 0u);
    EXPECT_EQ(Decode(10040, 0, RejectedList()).size(), 0u);
    EXPECT_EQ(Decode(10040, 0).size(), 0u);
}

TEST_F(DeviceStatus, SystemErrorSubsystemAppliesToTheListsThatFollowIt)
{
    EntryListWriter before;
    before.List(Unit(1, 1));
    EntryListWriter after;
    after.List(Unit(2, 2));
    EntryListWriter second;
    second.List(before).Pair(1, 101).List(after);
    EXPECT_EQ(AddInfoOf(10040, 0, Nest(second)), "Disk entfernt (ID: 2 )");
}

TEST_F(DeviceStatus, SystemErrorProtocolErrors)
{
    EXPECT_EQ(AddInfoOf(10040, 0, Nest(RejectedList())), kProtocolError);
    EntryListWriter second;
    second.Pair(1, 101).List(RejectedList());
    EXPECT_EQ(AddInfoOf(10040, 0, Nest(second)), kProtocolError);
    EntryListWriter third;
    third.List(RejectedList());
    EntryListWriter withThird;
    withThird.Pair(1, 101).List(third);
    EXPECT_EQ(AddInfoOf(10040, 0, Nest(withThird)), kProtocolError);
}

TEST_F(DeviceStatus, SystemErrorWithoutUnitsIsEmpty)
{
    EXPECT_EQ(AddInfoOf(10040, 0, Storage(101, {})), "");
}

TEST_F(DeviceStatus, SystemErrorTranslated)
{
    ScopedTranslation translation({{"Disk entfernt (", "Disk removed ("}});
    EXPECT_EQ(AddInfoOf(10040, 0, Storage(101, {Unit(3, 2)})), "Disk removed (ID: 3 )");
}

// The decoders of recording, track and player alarms, in the detail-word
// layout and in the entry layout, with the error flag, with malformed
// payloads and through a translation table.
#include "DecoderFixture.h"
#include "ScopedTranslation.h"

#include <gtest/gtest.h>

namespace {

using TrackDecoders = DecoderFixture;

constexpr uint32_t kErrorFlag = 0x80000000u;
constexpr std::string_view kProtocolError = "Fehler: Interner Protokollfehler!";

// A nested list with the track bits (kind 2) and camera bits (kind 1).
EntryListWriter TracksAndCameras(uint32_t tracks, uint32_t cameras)
{
    EntryListWriter inner;
    inner.Value32(2, tracks).Value32(1, cameras);
    return Nest(inner);
}

EntryListWriter RejectedList()
{
    EntryListWriter list;
    list.Raw(0, {}).Code(1);
    return list;
}

} // namespace

// 10000 to 10002, 10020

TEST_F(TrackDecoders, TrackFullTakesTheTrackFromTheDetailWord)
{
    EXPECT_EQ(DecodeOne(10000, 5).trackId, 5);
    EXPECT_EQ(DecodeOne(10000, 0xFFFFFFFF).trackId, -1);
}

TEST_F(TrackDecoders, DiskUsageTexts)
{
    EXPECT_EQ(AddInfoOf(10001, 0), "Kritische freie Speicherkapazitaet erreicht!");
    EXPECT_EQ(AddInfoOf(10002, 0), "Kritische freie Speicherkapazitaet wieder unterschritten!");
    ScopedTranslation translation(
        {{"Kritische freie Speicherkapazitaet erreicht!", "Critical free disk capacity reached!"}});
    EXPECT_EQ(AddInfoOf(10001, 0), "Critical free disk capacity reached!");
}

TEST_F(TrackDecoders, DiskErrorHasOnlyTheCommonFields)
{
    GuardEvent event = DecodeOne(10020, 0x12345678);
    EXPECT_EQ(event.addInfo, "");
    EXPECT_EQ(event.alarmType, 10020);
}

// 10003

TEST_F(TrackDecoders, BackupInDetailLayoutWithInvalidTrack)
{
    EXPECT_EQ(AddInfoOf(10003, 0x0001FFFF),
              "Spuren: Standard, Spur: ungueltig/nicht vorhanden, Kamera: 2");
}

TEST_F(TrackDecoders, BackupInDetailLayout)
{
    EXPECT_EQ(AddInfoOf(10003, 0x00050007), "Spuren: Standard, Spur: 7, Kamera: 6");
    EXPECT_EQ(AddInfoOf(10003, kErrorFlag | 0x00000001),
              "Fehler: Spur war leer, Spur: 1, Kamera: 1");
    EXPECT_EQ(AddInfoOf(10003, kErrorFlag | 0x00020002),
              "Fehler: Keine Spur vorhanden, Spur: 2, Kamera: 3");
    EXPECT_EQ(AddInfoOf(10003, kErrorFlag | 0x00000004),
              "Fehler: Interner Fehler!, Spur: 4, Kamera: 1");
}

TEST_F(TrackDecoders, BackupInEntryLayout)
{
    auto backup = [&](uint8_t flags) {
        EntryListWriter inner;
        inner.Pair(1, 3).Flags(1, flags);
        return AddInfoOf(10003, 0, EntryLayout(Nest(inner)));
    };
    EXPECT_EQ(backup(0), "Spuren: Standard, Kamera: 4");
    EXPECT_EQ(backup(1), "Fehler: Spur war leer, Kamera: 4");
    EXPECT_EQ(backup(2), "Fehler: Keine Spur vorhanden, Kamera: 4");
    EXPECT_EQ(backup(4), "Spuren: Standard, aber Neuanlegen gescheitert, Kamera: 4");
    EXPECT_EQ(backup(16), "Fehler: Interner Fehler!, Kamera: 4");
}

TEST_F(TrackDecoders, BackupInEntryLayoutIgnoresTheErrorFlag)
{
    EntryListWriter inner;
    inner.Pair(1, 0).Flags(1, 0);
    EXPECT_EQ(AddInfoOf(10003, kErrorFlag, EntryLayout(Nest(inner))),
              "Spuren: Standard, Kamera: 1");
}

TEST_F(TrackDecoders, BackupInEntryLayoutNeedsBothTexts)
{
    EntryListWriter cameraOnly;
    cameraOnly.Pair(1, 0);
    EXPECT_EQ(AddInfoOf(10003, 0, EntryLayout(Nest(cameraOnly))), kProtocolError);
    EntryListWriter wrongKinds;
    wrongKinds.Pair(2, 0).Flags(2, 0);
    EXPECT_EQ(AddInfoOf(10003, 0, EntryLayout(Nest(wrongKinds))), kProtocolError);
    EXPECT_EQ(AddInfoOf(10003, 0, EntryLayout()), kProtocolError);
    EntryListWriter shortPair;
    const uint8_t kindOnly[] = {1, 0};
    shortPair.Raw(0x0855, kindOnly).Flags(1, 0);
    EXPECT_EQ(AddInfoOf(10003, 0, EntryLayout(Nest(shortPair))), kProtocolError);
}

TEST_F(TrackDecoders, BackupWithUnopenableNestedListGivesTheProtocolError)
{
    EXPECT_EQ(AddInfoOf(10003, 0, EntryLayout(Nest(RejectedList()))), kProtocolError);
}

TEST_F(TrackDecoders, BackupTranslated)
{
    ScopedTranslation translation({{"Spuren: Standard", "Tracks: standard"},
                                   {"Spur: %d", "Track: %d"},
                                   {"Kamera: %d", "Camera: %d"}});
    EXPECT_EQ(AddInfoOf(10003, 0x00010003), "Tracks: standard, Track: 3, Camera: 2");
}

// 10004 and the generic decoder

TEST_F(TrackDecoders, GenericDecoderForOlderRecorders)
{
    EntryListWriter payload;
    payload.Track(3, "Kasse").Track(4, "Tor").Camera(1).Camera(5);
    GuardEvent event = DecodeOne(10004, 0, payload);
    EXPECT_EQ(event.addInfo, "Spur-Info: Kasse, Tor, Cam-Info: 6");
    EXPECT_EQ(event.trackId, 3);
    EXPECT_EQ(event.trackName, "Kasse");
    EXPECT_EQ(event.cameraId, 1);
}

TEST_F(TrackDecoders, GenericDecoderForOlderRecordersLeavesOutWhatIsMissing)
{
    EntryListWriter tracks;
    tracks.Track(3, "Kasse");
    EXPECT_EQ(AddInfoOf(10005, 0, tracks), "Spur-Info: Kasse");
    EntryListWriter cameras;
    cameras.Camera(0);
    EXPECT_EQ(AddInfoOf(10015, 0, cameras), "Cam-Info: 1");
    EXPECT_EQ(AddInfoOf(10017, 0), "");
}

TEST_F(TrackDecoders, GenericDecoderIgnoresValueEntriesOfOlderRecorders)
{
    EntryListWriter payload;
    payload.Value32(1, 0x5).Value32(2, 0x1);
    EXPECT_EQ(AddInfoOf(10021, 0, payload), "");
}

TEST_F(TrackDecoders, GenericDecoderForNewerRecorders)
{
    EntryListWriter entries;
    entries.Track(2, "Halle").Camera(7).Value32(2, 0x19).Value32(1, 0x800005);
    GuardEvent event = DecodeOne(10028, 0, EntryLayout(entries));
    EXPECT_EQ(event.addInfo, "Spur-Info: A, Standard, D, Cam-Info: 1, 3, 24");
    EXPECT_EQ(event.trackId, 2);
    EXPECT_EQ(event.trackName, "Halle");
    EXPECT_EQ(event.cameraId, 7);
}

TEST_F(TrackDecoders, GenericDecoderForNewerRecordersShowsDashes)
{
    EXPECT_EQ(AddInfoOf(10004, 0, EntryLayout()), "Spur-Info: -, Cam-Info: -");
}

TEST_F(TrackDecoders, GenericDecoderAllTrackLabels)
{
    EntryListWriter entries;
    entries.Value32(2, 0xFFFFFFFF);
    EXPECT_EQ(AddInfoOf(10004, 0, EntryLayout(entries)),
              "Spur-Info: A, B, C, Standard, D, E, F, G, H, I, J, K, L, Cam-Info: -");
}

TEST_F(TrackDecoders, GenericDecoderWithErrorFlagUsesTheDetailWord)
{
    EXPECT_EQ(AddInfoOf(10004, kErrorFlag | 0x0B000005, EntryLayout(TracksAndCameras(1, 1))),
              "Fehler/keine Aufnahme erfolgt/Konfigurationsfehler: Spuren: A, B, Standard; "
              "Kameras: 1, 3");
}

TEST_F(TrackDecoders, GenericDecoderWithRejectedPayloadGivesTheProtocolError)
{
    EXPECT_EQ(AddInfoOf(10004, 0, RejectedList()), kProtocolError);
}

TEST_F(TrackDecoders, GenericDecoderTranslated)
{
    ScopedTranslation translation({{"Spur-Info: %s, ", "Track info: %s, "},
                                   {"Cam-Info: %s, ", "Cam info: %s, "},
                                   {"Cam-Info: %s", "Cam info: %s"}});
    EntryListWriter payload;
    payload.Track(1, "Kasse").Camera(0);
    EXPECT_EQ(AddInfoOf(10004, 0, payload), "Track info: Kasse, Cam info: 1");
    EXPECT_EQ(AddInfoOf(10004, 0, EntryLayout()), "Track info: -, Cam info: -");
}

TEST_F(TrackDecoders, TrackNameWithoutNulEndsWithItsEntry)
{
    const uint8_t data[] = {0, 0, 9, 0, 'T', 'o', 'r'};
    EntryListWriter payload;
    payload.Raw(0x03E8, data).Camera(0);
    GuardEvent event = DecodeOne(10004, 0, payload);
    EXPECT_EQ(event.trackName, "Tor");
    EXPECT_EQ(event.trackId, 9);
    EXPECT_EQ(event.addInfo, "Spur-Info: Tor, Cam-Info: 1");
}

TEST_F(TrackDecoders, ShortTrackAndCameraEntriesAreSkipped)
{
    const uint8_t shortData[] = {0, 0, 9};
    EntryListWriter payload;
    payload.Raw(0x03E8, shortData).Raw(0x03E9, shortData).Track(2, "Hof");
    GuardEvent event = DecodeOne(10004, 0, payload);
    EXPECT_EQ(event.addInfo, "Spur-Info: Hof");
    EXPECT_EQ(event.trackId, 2);
    EXPECT_EQ(event.cameraId, -1);
}

// 10006

TEST_F(TrackDecoders, RecordingsStopped)
{
    EXPECT_EQ(AddInfoOf(10006, 0x08000005), "Spuren: Standard; Kameras: 1, 3");
    EXPECT_EQ(AddInfoOf(10006, 0), "Spuren: -; Kameras: -");
    EXPECT_EQ(AddInfoOf(10006, kErrorFlag), "Fehler/keine Stop erfolgt/Konfigurationsfehler!");
    EXPECT_EQ(AddInfoOf(10006, 0, EntryLayout(TracksAndCameras(0x9, 0x4))),
              "Spuren: A, Standard; Kameras: 3");
}

// 10007

TEST_F(TrackDecoders, PlayerReport)
{
    EXPECT_EQ(AddInfoOf(10007, 2004), "Bild nicht gefunden");
    EXPECT_EQ(AddInfoOf(10007, 2003), "Ungueltige Bildnummer ");
    EXPECT_EQ(AddInfoOf(10007, 0), "Player beendet; ");
    EXPECT_EQ(AddInfoOf(10007, 0x00010000), "Player beendet; ");
    EXPECT_EQ(AddInfoOf(10007, 5), "");
    EXPECT_EQ(AddInfoOf(10007, static_cast<uint32_t>(-8)),
              "Fehler: \"Schliessen Box\" (Box = Meldungsfenster muss gesendet werden); "
              "Fehler beim Lesen der Platte");
    EXPECT_EQ(AddInfoOf(10007, static_cast<uint32_t>(-2)),
              "Fehler: \"Schliessen Box\" (Box = Meldungsfenster muss gesendet werden); "
              "Ungueltige Parameter");
    EXPECT_EQ(AddInfoOf(10007, kErrorFlag),
              "Fehler: \"Schliessen Box\" (Box = Meldungsfenster muss gesendet werden); "
              "Player beendet; ");
}

TEST_F(TrackDecoders, PlayerReportTranslated)
{
    ScopedTranslation translation({{"Spur leer", "Track empty"}});
    EXPECT_EQ(AddInfoOf(10007, 2000), "Track empty");
}

// 10011

TEST_F(TrackDecoders, ContactRecording)
{
    EntryListWriter payload;
    payload.Track(1, "Standard").Camera(2);
    EXPECT_EQ(AddInfoOf(10011, 0, payload), "Spur-Info: Standard, Cam-Info: 3");
    EXPECT_EQ(AddInfoOf(10011, kErrorFlag | 1),
              "Fehler/keine Aufnahme erfolgt/Konfigurationsfehler: Spuren: Standard");
    EXPECT_EQ(AddInfoOf(10011, kErrorFlag),
              "Fehler/keine Aufnahme erfolgt/Konfigurationsfehler: Spuren: -");
    EXPECT_EQ(AddInfoOf(10011, 0, RejectedList()), kProtocolError);
}

// 10012, 10024

TEST_F(TrackDecoders, CamerasStopped)
{
    EXPECT_EQ(AddInfoOf(10012, 0x5), "Kameras: 1, 3");
    EXPECT_EQ(AddInfoOf(10024, 0x20000), "Kameras: 18");
    // The detail word covers cameras 1 to 18 only.
    EXPECT_EQ(AddInfoOf(10024, 0x40000), "Kameras: -");
    EXPECT_EQ(AddInfoOf(10012, kErrorFlag | 0x5), "Fehler");
    EXPECT_EQ(AddInfoOf(10024, 0, EntryLayout(TracksAndCameras(0, 0x800001))), "Kameras: 1, 24");
}

TEST_F(TrackDecoders, CameraListCollectsEveryNestedList)
{
    EntryListWriter entries;
    entries.Append(TracksAndCameras(0, 0x1)).Append(TracksAndCameras(0, 0x4));
    EXPECT_EQ(AddInfoOf(10012, 0, EntryLayout(entries)), "Kameras: 1, 3");
}

TEST_F(TrackDecoders, CameraListIgnoresTopLevelValuesAndUnopenableLists)
{
    EntryListWriter entries;
    entries.Value32(1, 0x1).List(RejectedList());
    EXPECT_EQ(AddInfoOf(10012, 0, EntryLayout(entries)), "Kameras: -");
}

// 10013, 10023

TEST_F(TrackDecoders, TrackLabelDOnlyInTheVariantWithD)
{
    EXPECT_EQ(AddInfoOf(10013, 0x1F000000), "Spuren: A, B, C, Standard; Kameras: -");
    EXPECT_EQ(AddInfoOf(10023, 0x1F000000), "Spuren: A, B, C, Standard, D; Kameras: -");
    EXPECT_EQ(AddInfoOf(10023, 0x10000002), "Spuren: D; Kameras: 2");
}

TEST_F(TrackDecoders, TrackListTranslated)
{
    ScopedTranslation translation(
        {{"Spuren: ", "Tracks: "}, {"Standard, ", "standard, "}, {"Kameras: ", "Cameras: "}});
    EXPECT_EQ(AddInfoOf(10013, 0x09000001), "Tracks: A, standard; Cameras: 1");
    EXPECT_EQ(AddInfoOf(10013, 0), "Tracks: -; Cameras: -");
}

// 10014

TEST_F(TrackDecoders, AlarmEnd)
{
    GuardEvent ended = DecodeOne(10014, 0);
    EXPECT_EQ(ended.alarmType, 10920);
    EXPECT_EQ(ended.addInfo, "Alarm abgelaufen!");
    EXPECT_EQ(ended.cameraId, -1);
    GuardEvent notInAlarm = DecodeOne(10014, 0xC0000000);
    EXPECT_EQ(notInAlarm.alarmType, 10920);
    EXPECT_EQ(notInAlarm.addInfo,
              "Alarmzustand beendet, obwohl der Rekorder nicht im Alarmzustand war!");
}

TEST_F(TrackDecoders, AlarmStartUsesTheGenericDecoder)
{
    EntryListWriter payload;
    payload.Track(1, "Alarm").Camera(3);
    GuardEvent event = DecodeOne(10014, 1, payload);
    EXPECT_EQ(event.alarmType, 10014);
    EXPECT_EQ(event.addInfo, "Spur-Info: Alarm, Cam-Info: 4");
    EXPECT_EQ(event.cameraId, 3);
}

// 10018

TEST_F(TrackDecoders, ContactInput)
{
    GuardEvent newer = DecodeOne(10018, 0x8003, EntryLayout());
    EXPECT_EQ(newer.addInfo, "0x8003");
    EXPECT_EQ(newer.cameraId, 3);
    GuardEvent older = DecodeOne(10018, 0x8003);
    EXPECT_EQ(older.addInfo, "0x8003");
    EXPECT_EQ(older.cameraId, -1);
    EXPECT_EQ(DecodeOne(10018, 0x8018, EntryLayout()).cameraId, -1);
    EXPECT_EQ(DecodeOne(10018, 0x0003, EntryLayout()).cameraId, -1);
    EXPECT_EQ(AddInfoOf(10018, 0xFFFFFFFF), "0x7ffff");
}

// 10019

TEST_F(TrackDecoders, DeletedTrackInDetailLayout)
{
    EXPECT_EQ(AddInfoOf(10019, 0xFFFF), "Spuren: Alle");
    EXPECT_EQ(AddInfoOf(10019, 0x00030004), "Spur: 4");
    EXPECT_EQ(AddInfoOf(10019, kErrorFlag | 2),
              "Nur Loeschung der Bilder innerhalb der Spur, Spur bleibt erhalten. Spur: 2");
}

TEST_F(TrackDecoders, DeletedTrackInEntryLayout)
{
    auto deleted = [&](uint8_t flags, uint32_t detail = 0) {
        EntryListWriter inner;
        inner.Value32(1, 12).Flags(1, flags);
        return AddInfoOf(10019, detail, EntryLayout(Nest(inner)));
    };
    EXPECT_EQ(deleted(0), "gesicherte Standardspur wurde geloescht, Spur: 12");
    EXPECT_EQ(deleted(1), "Bilddaten wurden geloescht, Spur bleibt erhalten, Spur: 12");
    EXPECT_EQ(deleted(2), "alle Spuren wurden geloescht, Spur: 12");
    EXPECT_EQ(deleted(8), "Fehler: Interner Fehler!, Spur: 12");
}

TEST_F(TrackDecoders, DeletedTrackInEntryLayoutDefaultsToAllTracks)
{
    EntryListWriter inner;
    inner.Flags(1, 0);
    EXPECT_EQ(AddInfoOf(10019, 0, EntryLayout(Nest(inner))),
              "gesicherte Standardspur wurde geloescht, Spuren: Alle");
}

TEST_F(TrackDecoders, DeletedTrackInEntryLayoutWithErrorFlagKeepsTheNote)
{
    EntryListWriter inner;
    inner.Value32(1, 3);
    EXPECT_EQ(AddInfoOf(10019, kErrorFlag, EntryLayout(Nest(inner))),
              "Nur Loeschung der Bilder innerhalb der Spur, Spur bleibt erhalten. , Spur: 3");
}

TEST_F(TrackDecoders, DeletedTrackInEntryLayoutProtocolErrors)
{
    EXPECT_EQ(AddInfoOf(10019, 0, EntryLayout()), kProtocolError);
    EXPECT_EQ(AddInfoOf(10019, 0, EntryLayout(Nest(RejectedList()))), kProtocolError);
    EntryListWriter rejected = RejectedList();
    rejected.SoftwareVersion(31303);
    EXPECT_EQ(AddInfoOf(10019, 0, rejected), "Spur: 0");
}

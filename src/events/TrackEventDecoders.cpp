// The recording, track and player decoders, on top of the shared builders.
#include "events/TrackEventDecoders.h"

#include "config/Translator.h"
#include "events/AddInfoText.h"
#include "events/EventTextBuilders.h"
#include "events/TextFormat.h"

#include <string_view>

namespace {

constexpr uint16_t kKindFirst = 1;
constexpr int32_t kAlarmEndType = 10920;
constexpr uint32_t kAlarmEnded = 0;
constexpr uint32_t kAlarmEndedWithoutAlarm = 0xC0000000u;
constexpr uint32_t kNoTrack = 0xFFFF;

struct PlayerText {
    int32_t value;
    std::string_view text;
};

constexpr PlayerText kPlayerTexts[] = {
    {101, TrNoop("Zugriff aufs Bild verweigert")},
    {1000, TrNoop("Ungueltiger Zustand aufgerufen")},
    {1001, TrNoop("Ungueltige Botschaft verwendet")},
    {2000, TrNoop("Spur leer")},
    {2001, TrNoop("Ungueltiger Spurzeiger")},
    {2002, TrNoop("Ungueltiger Speicherhandle")},
    {2003, TrNoop("Ungueltige Bildnummer ")},
    {2004, TrNoop("Bild nicht gefunden")},
    {2005, TrNoop("Spur geloescht waehrend Suche")},
    {2006, TrNoop("Bild ueberschrieben")},
    {2007, TrNoop("Ungueltiger Suchbereich")},
    {2008, TrNoop("Speicherbereich")},
    {2009, TrNoop("Ungueltiges Suchkriterium")},
    {2010, TrNoop("Ungueltiger Suchkriteriumszeiger")},
    {2011, TrNoop("Ungueltiger Befehl")},
    {2012, TrNoop("Spuranfang erreicht")},
    {2013, TrNoop("Spurende erreicht")},
    {2014, TrNoop("Interner Fehler")},
    {-8, TrNoop("Fehler beim Lesen der Platte")},
    {-2, TrNoop("Ungueltige Parameter")},
};

std::string BackupStatusText(uint8_t flags)
{
    if (flags == 0)
        return Tr("Spuren: Standard");
    if (flags & 1)
        return Tr("Fehler: Spur war leer");
    if (flags & 2)
        return Tr("Fehler: Keine Spur vorhanden");
    if (flags & 4)
        return Tr("Spuren: Standard, aber Neuanlegen gescheitert");
    return Tr("Fehler: Interner Fehler!");
}

std::string DeletionNoteText(uint8_t flags)
{
    if (flags == 0)
        return Tr("gesicherte Standardspur wurde geloescht");
    if (flags & 1)
        return Tr("Bilddaten wurden geloescht, Spur bleibt erhalten");
    if (flags & 2)
        return Tr("alle Spuren wurden geloescht");
    return Tr("Fehler: Interner Fehler!");
}

std::string ImagesOnlyNote()
{
    return Tr("Nur Loeschung der Bilder innerhalb der Spur, Spur bleibt erhalten. ");
}

Dispatch SetProtocolError(DecodeContext& context)
{
    context.event.addInfo = ProtocolErrorText();
    return Dispatch::Yes;
}

} // namespace

Dispatch DecodeStandardTrackBackup(DecodeContext& context)
{
    if (context.IsEntryRecorder()) {
        std::string status;
        std::string camera;
        std::optional<TagReader> payload = context.OpenPayload();
        while (payload) {
            std::optional<TagEntry> entry = payload->Next();
            if (!entry)
                break;
            if (entry->Tag() != kTagList)
                continue;
            std::optional<TagReader> nested = entry->Nested();
            if (!nested)
                return SetProtocolError(context);
            while (std::optional<TagEntry> inner = nested->Next()) {
                if (inner->Tag() == kTagPair && inner->HasKind(kKindFirst)) {
                    if (std::optional<uint16_t> value = inner->U16(2))
                        camera = FormatTr(TrNoop("Kamera: %d"), *value + 1);
                } else if (inner->Tag() == kTagStamp && inner->HasKind(kKindFirst)) {
                    if (std::optional<uint8_t> flags = inner->Byte(2))
                        status = BackupStatusText(*flags);
                }
            }
        }
        if (status.empty() || camera.empty())
            return SetProtocolError(context);
        context.event.addInfo = status + ", " + camera;
        return Dispatch::Yes;
    }

    uint32_t detail = context.detail;
    std::string status = Tr("Spuren: Standard");
    if (context.HasErrorFlag()) {
        status = detail & 1   ? Tr("Fehler: Spur war leer")
                 : detail & 2 ? Tr("Fehler: Keine Spur vorhanden")
                              : Tr("Fehler: Interner Fehler!");
    }
    uint32_t track = detail & 0xFFFF;
    std::string trackText = track == kNoTrack ? Tr("Spur: ungueltig/nicht vorhanden")
                                              : FormatTr(TrNoop("Spur: %d"), track);
    std::string cameraText = FormatTr(TrNoop("Kamera: %d"), ((detail >> 16) & 0xFF) + 1);
    context.event.addInfo = status + ", " + trackText + ", " + cameraText;
    return Dispatch::Yes;
}

Dispatch DecodeRecordingsStopped(DecodeContext& context)
{
    if (context.HasErrorFlag()) {
        context.event.addInfo = Tr("Fehler/keine Stop erfolgt/Konfigurationsfehler!");
        return Dispatch::Yes;
    }
    context.event.addInfo =
        TrackListText(context, TrackLabelD::Without) + "; " + CameraListText(context);
    return Dispatch::Yes;
}

Dispatch DecodePlayerReport(DecodeContext& context)
{
    std::string text;
    if (context.HasErrorFlag())
        text += Tr("Fehler: \"Schliessen Box\" (Box = Meldungsfenster muss gesendet werden); ");
    if ((context.detail & 0xFFFF) == 0)
        text += Tr("Player beendet; ");
    auto value = static_cast<int32_t>(context.detail);
    for (const PlayerText& entry : kPlayerTexts) {
        if (entry.value == value) {
            text += Tr(entry.text);
            break;
        }
    }
    context.event.addInfo = text;
    return Dispatch::Yes;
}

Dispatch DecodeContactRecording(DecodeContext& context)
{
    if (context.HasErrorFlag()) {
        context.event.addInfo = Tr("Fehler/keine Aufnahme erfolgt/Konfigurationsfehler: Spuren: ") +
                                ((context.detail & 1) ? Tr("Standard") : Tr("-"));
        return Dispatch::Yes;
    }
    if (!context.OpenPayload())
        return SetProtocolError(context);
    context.event.addInfo = TrackCameraInfoText(context);
    return Dispatch::Yes;
}

Dispatch DecodeCamerasStopped(DecodeContext& context)
{
    context.event.addInfo = context.HasErrorFlag() ? Tr("Fehler") : CameraListText(context);
    return Dispatch::Yes;
}

Dispatch DecodeTracksAndCameras(DecodeContext& context, TrackLabelD labelD)
{
    context.event.addInfo = TrackListText(context, labelD) + "; " + CameraListText(context);
    return Dispatch::Yes;
}

Dispatch DecodeAlarmStart(DecodeContext& context)
{
    if (context.detail != kAlarmEnded && context.detail != kAlarmEndedWithoutAlarm)
        return DecodeGeneric(context);
    context.event.alarmType = kAlarmEndType;
    context.event.cameraId = -1;
    context.event.addInfo =
        context.detail == kAlarmEnded
            ? Tr("Alarm abgelaufen!")
            : Tr("Alarmzustand beendet, obwohl der Rekorder nicht im Alarmzustand war!");
    return Dispatch::Yes;
}

Dispatch DecodeContactInput(DecodeContext& context)
{
    uint32_t detail = context.detail;
    context.event.addInfo = FormatText("0x%x", detail & 0x7FFFF);
    uint32_t camera = detail & 0x7FFF;
    if (context.IsEntryRecorder() && (detail & 0x8000) && camera < 24)
        context.event.cameraId = static_cast<int32_t>(camera);
    return Dispatch::Yes;
}

Dispatch DecodeDeletedTrack(DecodeContext& context)
{
    if (!context.IsEntryRecorder()) {
        uint32_t track = context.detail & 0xFFFF;
        context.event.addInfo =
            (context.HasErrorFlag() ? ImagesOnlyNote() : std::string()) +
            (track == kNoTrack ? Tr("Spuren: Alle") : FormatTr(TrNoop("Spur: %d"), track));
        return Dispatch::Yes;
    }
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return SetProtocolError(context);
    std::string note = context.HasErrorFlag() ? ImagesOnlyNote() : std::string();
    std::string track = Tr("Spuren: Alle");
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() != kTagList)
            continue;
        std::optional<TagReader> nested = entry->Nested();
        if (!nested)
            return SetProtocolError(context);
        while (std::optional<TagEntry> inner = nested->Next()) {
            if (inner->Tag() == kTagValue && inner->HasKind(kKindFirst)) {
                if (std::optional<int32_t> number = inner->I32(2))
                    track = FormatTr(TrNoop("Spur: %d"), *number);
            } else if (inner->Tag() == kTagStamp && inner->HasKind(kKindFirst)) {
                if (std::optional<uint8_t> flags = inner->Byte(2))
                    note = DeletionNoteText(*flags);
            }
        }
    }
    if (note.empty() || track.empty())
        return SetProtocolError(context);
    context.event.addInfo = note + ", " + track;
    return Dispatch::Yes;
}

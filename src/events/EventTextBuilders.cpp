// The shared builders of track and camera texts.
#include "events/EventTextBuilders.h"

#include "config/Translator.h"
#include "events/AddInfoText.h"
#include "events/TextFormat.h"

#include <string_view>

namespace {

constexpr uint16_t kKindCameras = 1;
constexpr uint16_t kKindTracks = 2;
constexpr int kDetailCameraCount = 18;
constexpr int kEntryCameraCount = 24;

// Entry layout labels of the track bits 0..12; used as they stand.
constexpr std::string_view kTrackLabels[] = {"A, ", "B, ", "C, ", "Standard, ", "D, ", "E, ", "F, ",
                                             "G, ", "H, ", "I, ", "J, ",        "K, ", "L, "};

void AppendTrackLabels(std::string& text, uint32_t bits)
{
    for (size_t bit = 0; bit < std::size(kTrackLabels); ++bit) {
        if ((bits >> bit) & 1)
            text += kTrackLabels[bit];
    }
}

void AppendCameraNumbers(std::string& text, uint32_t bits, int count)
{
    for (int bit = 0; bit < count; ++bit) {
        if ((bits >> bit) & 1)
            text += FormatText("%d, ", bit + 1);
    }
}

// Calls visit for every 0x085F entry of the given kind with a u32 value in
// every list nested in a top-level 0x07E4 entry.
template <typename Visit>
void ForEachNestedValue(const DecodeContext& context, uint16_t kind, Visit visit)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload)
        return;
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() != kTagList)
            continue;
        std::optional<TagReader> nested = entry->Nested();
        if (!nested)
            continue;
        while (std::optional<TagEntry> inner = nested->Next()) {
            std::optional<uint32_t> value = inner->U32(2);
            if (inner->Tag() == kTagValue && inner->HasKind(kind) && value)
                visit(*value);
        }
    }
}

// Trims a list and marks it empty with `emptyMark`.
void FinishList(std::string& text, size_t prefixSize, std::string_view emptyMark)
{
    bool empty = text.size() <= prefixSize;
    TrimListEnd(text);
    if (empty)
        text += emptyMark;
}

} // namespace

void TrimListEnd(std::string& text)
{
    TrimEnd(text, ' ');
    TrimEnd(text, ',');
}

std::string TrackListText(const DecodeContext& context, TrackLabelD labelD)
{
    std::string text = Tr("Spuren: ");
    size_t prefixSize = text.size();
    if (context.UsesEntryLayout()) {
        ForEachNestedValue(context, kKindTracks,
                           [&](uint32_t bits) { AppendTrackLabels(text, bits); });
    } else {
        uint32_t detail = context.detail;
        if (detail & (1u << 24))
            text += "A, ";
        if (detail & (1u << 25))
            text += "B, ";
        if (detail & (1u << 26))
            text += "C, ";
        if (detail & (1u << 27))
            text += Tr("Standard, ");
        if (labelD == TrackLabelD::With && (detail & (1u << 28)))
            text += Tr("D, ");
    }
    FinishList(text, prefixSize, " -");
    return text;
}

std::string CameraListText(const DecodeContext& context)
{
    std::string text = Tr("Kameras: ");
    size_t prefixSize = text.size();
    if (context.UsesEntryLayout()) {
        ForEachNestedValue(context, kKindCameras, [&](uint32_t bits) {
            AppendCameraNumbers(text, bits, kEntryCameraCount);
        });
    } else {
        AppendCameraNumbers(text, context.detail, kDetailCameraCount);
    }
    FinishList(text, prefixSize, " -");
    return text;
}

std::string TrackCameraInfoText(DecodeContext& context)
{
    std::string names;
    std::string cameraText;
    bool trackSeen = false;
    bool cameraSeen = false;
    std::string labels;
    std::string numbers;
    std::optional<TagReader> payload = context.OpenPayload();
    while (payload) {
        std::optional<TagEntry> entry = payload->Next();
        if (!entry)
            break;
        switch (entry->Tag()) {
        case kTagTrack: {
            std::optional<uint16_t> number = entry->U16(2);
            std::optional<std::string> name = entry->Text(4, entry->Data().size());
            if (!number || !name)
                break;
            if (!trackSeen) {
                context.event.trackId = *number;
                context.event.trackName = *name;
            }
            if (trackSeen)
                names += ", ";
            names += FormatTr(TrNoop("%s"), *name);
            trackSeen = true;
            break;
        }
        case kTagCamera: {
            std::optional<uint16_t> number = entry->U16(2);
            if (!number)
                break;
            if (!cameraSeen)
                context.event.cameraId = *number;
            cameraText = FormatText("%d", *number + 1);
            cameraSeen = true;
            break;
        }
        case kTagValue: {
            std::optional<uint32_t> bits = entry->U32(2);
            if (!context.IsEntryRecorder() || !bits)
                break;
            if (entry->HasKind(kKindCameras))
                AppendCameraNumbers(numbers, *bits, kEntryCameraCount);
            else if (entry->HasKind(kKindTracks))
                AppendTrackLabels(labels, *bits);
            break;
        }
        default:
            break;
        }
    }
    std::string text;
    if (!context.IsEntryRecorder()) {
        if (trackSeen)
            text += FormatTr(TrNoop("Spur-Info: %s, "), names);
        if (cameraSeen)
            text += FormatTr(TrNoop("Cam-Info: %s, "), cameraText);
    } else {
        TrimListEnd(labels);
        TrimListEnd(numbers);
        text += FormatTr(TrNoop("Spur-Info: %s, "), labels.empty() ? "-" : labels);
        text += FormatTr(TrNoop("Cam-Info: %s"), numbers.empty() ? "-" : numbers);
    }
    TrimListEnd(text);
    return text;
}

Dispatch DecodeGeneric(DecodeContext& context)
{
    if (context.HasErrorFlag()) {
        context.event.addInfo = Tr("Fehler/keine Aufnahme erfolgt/Konfigurationsfehler: ") +
                                TrackListText(context, TrackLabelD::Without) + "; " +
                                CameraListText(context);
        return Dispatch::Yes;
    }
    if (!context.OpenPayload()) {
        context.event.addInfo = ProtocolErrorText();
        return Dispatch::Yes;
    }
    context.event.addInfo = TrackCameraInfoText(context);
    return Dispatch::Yes;
}

std::string CameraNumbersText(const std::vector<int>& cameras)
{
    std::string text = Tr("Kameras: ");
    for (int camera : cameras)
        text += FormatText("%d, ", camera);
    TrimListEnd(text);
    return text;
}

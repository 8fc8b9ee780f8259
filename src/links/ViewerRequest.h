// One record of the request queue "KXPW": a request to the live-view program
// to show a recorded track, a live picture or a preset.
#pragma once

#include "links/SharedLayouts.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

enum class ViewerRequestKind : int32_t {
    ShowTrack = 1,
    ShowLive = 2,
    LoadPreset = 3,
    RegistrationChanged = 6,
};

struct ViewerRequest {
    static constexpr int32_t kStationSender = 2;
    static constexpr int kNoIndex = -1;

    int32_t senderKind = kStationSender;
    int32_t request = 0; // a ViewerRequestKind
    int32_t camera = 0;
    std::string recorderAddress;
    int index = kNoIndex; // 0 to 255 when given
    std::string trackName;
    std::string presetName;
    int32_t trackNumber = -1;
    int64_t time = 0; // stored milliseconds
    uint8_t flag = 0;

    bool operator==(const ViewerRequest&) const = default;
};

using ViewerRequestBytes = std::array<uint8_t, RequestQueueLayout::kRecordSize>;

// Texts longer than their fields are cut; bytes not listed are zero.
ViewerRequestBytes EncodeViewerRequest(const ViewerRequest& request);
ViewerRequest DecodeViewerRequest(std::span<const uint8_t, RequestQueueLayout::kRecordSize> bytes);

// Byte layouts of the shared-memory channels with the live-view program.
// All integers are little-endian; texts sit in fixed NUL-terminated fields.
#pragma once

#include <cstddef>
#include <cstdint>

struct AlarmTableLayout {
    static constexpr int32_t kVersion = 2;
    static constexpr size_t kHeaderSize = 28;
    static constexpr size_t kRecordSize = 116;
    static constexpr int32_t kCapacity = 1000;
    static constexpr size_t kSize = kHeaderSize + kCapacity * kRecordSize;

    static constexpr size_t kVersionAt = 0;
    static constexpr size_t kCountAt = 4;
    static constexpr size_t kHeaderSizeAt = 8;
    static constexpr size_t kRecordSizeAt = 12;
    static constexpr size_t kCapacityAt = 16;
    static constexpr size_t kShownAlarmAt = 20;

    static constexpr size_t kRecorderNameAt = 0;
    static constexpr size_t kRecorderNameField = 90;
    static constexpr size_t kRecorderNameMax = 89;
    static constexpr size_t kTrackNameAt = 90;
    static constexpr size_t kTrackNameField = 10;
    static constexpr size_t kTrackNameMax = 9;
    static constexpr size_t kCameraAt = 100;
    static constexpr size_t kPriorityAt = 104;
    static constexpr size_t kArrivalAt = 108;
};
static_assert(AlarmTableLayout::kSize == 116'028);

struct RequestQueueLayout {
    static constexpr size_t kHeaderSize = 20;
    static constexpr size_t kRecordSize = 325;
    static constexpr int32_t kCapacity = 25;
    static constexpr size_t kSize = kHeaderSize + kCapacity * kRecordSize;

    static constexpr size_t kViewerWindowAt = 4;
    static constexpr size_t kStationWindowAt = 8;
    static constexpr size_t kSecondClientAt = 12;
    static constexpr size_t kCountAt = 16;

    static constexpr size_t kSenderKindAt = 0;
    static constexpr size_t kRequestAt = 4;
    static constexpr size_t kCameraAt = 8;
    static constexpr size_t kAddressAt = 12;
    static constexpr size_t kAddressField = 100;
    static constexpr size_t kAddressMax = 99;
    static constexpr size_t kHasIndexAt = 122;
    static constexpr size_t kIndexAt = 123;
    static constexpr size_t kTrackNameAt = 124;
    static constexpr size_t kTrackNameField = 11;
    static constexpr size_t kTrackNameMax = 10;
    static constexpr size_t kPresetAt = 212;
    static constexpr size_t kPresetField = 100;
    static constexpr size_t kPresetMax = 99;
    static constexpr size_t kTrackNumberAt = 312;
    static constexpr size_t kTimeAt = 316;
    static constexpr size_t kFlagAt = 324;
};
static_assert(RequestQueueLayout::kSize == 8145);

struct MailboxLayout {
    static constexpr int32_t kHeaderSize = 20;
    static constexpr int32_t kVersion = 1;
    static constexpr int32_t kRecordSize = 24;
    static constexpr int32_t kCapacity = 25;
    static constexpr size_t kSize = kHeaderSize + kCapacity * kRecordSize;

    static constexpr size_t kHeaderSizeAt = 0;
    static constexpr size_t kVersionAt = 4;
    static constexpr size_t kRecordSizeAt = 8;
    static constexpr size_t kCountAt = 12;
    static constexpr size_t kCapacityAt = 16;

    static constexpr size_t kCommandAt = 0;
    static constexpr size_t kArgumentAt = 4;
};
static_assert(MailboxLayout::kSize == 620);

struct RecorderListLayout {
    static constexpr int32_t kVersion = 1;
    static constexpr size_t kVersionAt = 0;
    static constexpr size_t kCountAt = 4;
    static constexpr size_t kRecordsAt = 8;
};

struct PresetListLayout {
    static constexpr int32_t kVersion = 1;
    static constexpr size_t kVersionAt = 0;
    static constexpr size_t kCountAt = 4; // signed 8-bit
    static constexpr size_t kNamesAt = 8;
};

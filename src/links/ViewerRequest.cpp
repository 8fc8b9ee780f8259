// Packing of request records.
#include "links/ViewerRequest.h"

#include "links/FixedText.h"
#include "links/LittleEndian.h"

using Layout = RequestQueueLayout;

ViewerRequestBytes EncodeViewerRequest(const ViewerRequest& request)
{
    ViewerRequestBytes bytes{};
    uint8_t* at = bytes.data();
    StoreI32(at + Layout::kSenderKindAt, request.senderKind);
    StoreI32(at + Layout::kRequestAt, request.request);
    StoreI32(at + Layout::kCameraAt, request.camera);
    StoreFixedText({at + Layout::kAddressAt, Layout::kAddressField}, request.recorderAddress,
                   Layout::kAddressMax);
    if (request.index >= 0 && request.index <= 255) {
        at[Layout::kHasIndexAt] = 1;
        at[Layout::kIndexAt] = static_cast<uint8_t>(request.index);
    }
    StoreFixedText({at + Layout::kTrackNameAt, Layout::kTrackNameField}, request.trackName,
                   Layout::kTrackNameMax);
    StoreFixedText({at + Layout::kPresetAt, Layout::kPresetField}, request.presetName,
                   Layout::kPresetMax);
    StoreI32(at + Layout::kTrackNumberAt, request.trackNumber);
    StoreI64(at + Layout::kTimeAt, request.time);
    at[Layout::kFlagAt] = request.flag;
    return bytes;
}

ViewerRequest DecodeViewerRequest(std::span<const uint8_t, RequestQueueLayout::kRecordSize> bytes)
{
    const uint8_t* at = bytes.data();
    ViewerRequest request;
    request.senderKind = LoadI32(at + Layout::kSenderKindAt);
    request.request = LoadI32(at + Layout::kRequestAt);
    request.camera = LoadI32(at + Layout::kCameraAt);
    request.recorderAddress = LoadFixedText({at + Layout::kAddressAt, Layout::kAddressField});
    request.index = at[Layout::kHasIndexAt] != 0 ? at[Layout::kIndexAt] : ViewerRequest::kNoIndex;
    request.trackName = LoadFixedText({at + Layout::kTrackNameAt, Layout::kTrackNameField});
    request.presetName = LoadFixedText({at + Layout::kPresetAt, Layout::kPresetField});
    request.trackNumber = LoadI32(at + Layout::kTrackNumberAt);
    request.time = LoadI64(at + Layout::kTimeAt);
    request.flag = at[Layout::kFlagAt];
    return request;
}

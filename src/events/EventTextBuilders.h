// The texts several alarm types share: the track list, the camera list, the
// track/camera info, and the generic decoder built from them.
#pragma once

#include "events/DecodeContext.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TrackLabelD { Without, With };

// "Spuren: A, Standard" from the detail word's bits 24..28 or from the
// kind-2 values in the payload's nested lists; "Spuren: -" when none is set.
std::string TrackListText(const DecodeContext& context, TrackLabelD labelD);

// "Kameras: 1, 3" from the detail word's bits 0..17 or from the kind-1
// values in the payload's nested lists; "Kameras: -" when none is set.
std::string CameraListText(const DecodeContext& context);

// "Spur-Info: ..., Cam-Info: ..." from the payload's top-level entries; sets
// TrackID, TrackName and CameraID from the first track and camera entries.
std::string TrackCameraInfoText(DecodeContext& context);

// Error flag: the error text with the track and camera lists; otherwise the
// track/camera info (the protocol error text when the payload is rejected).
Dispatch DecodeGeneric(DecodeContext& context);

// "Kameras: " followed by the numbers, separated by ", ".
std::string CameraNumbersText(const std::vector<int>& cameras);

// Removes trailing blanks, then trailing commas.
void TrimListEnd(std::string& text);

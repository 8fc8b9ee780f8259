// Decoders of the recording, track and player alarm types: what each writes
// into the event and whether it is dispatched.
#pragma once

#include "events/DecodeContext.h"
#include "events/EventTextBuilders.h"

// 10003: which standard track was backed up for which camera, or why not.
Dispatch DecodeStandardTrackBackup(DecodeContext& context);
// 10006: contact recordings stopped.
Dispatch DecodeRecordingsStopped(DecodeContext& context);
// 10007: the player's state report.
Dispatch DecodePlayerReport(DecodeContext& context);
// 10011: contact recording started.
Dispatch DecodeContactRecording(DecodeContext& context);
// 10012, 10024: recording stopped for cameras.
Dispatch DecodeCamerasStopped(DecodeContext& context);
// 10013 (labels without D), 10023 (with D): track list and camera list.
Dispatch DecodeTracksAndCameras(DecodeContext& context, TrackLabelD labelD);
// 10014: alarm start, or its end (derived type 10920).
Dispatch DecodeAlarmStart(DecodeContext& context);
// 10018: contact input.
Dispatch DecodeContactInput(DecodeContext& context);
// 10019: deleted track.
Dispatch DecodeDeletedTrack(DecodeContext& context);

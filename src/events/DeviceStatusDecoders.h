// Decoders of the recorders' reports on their own hardware and software:
// sensor board inputs, UPS commands, fault reports, analysis alarms,
// housekeeping, sensor objects and disk and power-supply status.
#pragma once

#include "events/DecodeContext.h"

// 10025
Dispatch DecodeSensorBoardInputs(DecodeContext& context);
// 10026
Dispatch DecodeUpsCommand(DecodeContext& context);
// 10027: grabber boards (10980), main loop time-out (10960) and RAID (10020);
// other subsystems are not dispatched.
Dispatch DecodeRecorderFault(DecodeContext& context);
// 10029: dispatched for analysis kind 2 only.
Dispatch DecodeAnalysisAlarm(DecodeContext& context);
// 10030: info (10990), sabotage (stays 10030) and error (10991).
Dispatch DecodeHousekeeping(DecodeContext& context);
// 10039
Dispatch DecodeSensorObject(DecodeContext& context);
// 10040: dispatched for subsystem 101 (disks and power supplies) only.
Dispatch DecodeSystemError(DecodeContext& context);

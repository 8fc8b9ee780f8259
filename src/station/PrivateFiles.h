// The files of the program folder that hold passwords or alarms are for the
// station's account alone; older versions created them readable by all.
#pragma once

#include <filesystem>

// Sets owner-only permissions on the configuration image, the database files
// and every backup that exist in `folder`. Returns how many were changed.
int TightenPrivateFiles(const std::filesystem::path& folder);

// Every connection costs a descriptor; the usual soft limit of 1 024 is far
// below what the system allows the station.
#pragma once

// Raises the soft limit on open descriptors to the hard limit. Returns the
// soft limit now in force, or -1 when it cannot be read.
long RaiseDescriptorLimit();

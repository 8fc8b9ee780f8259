// Every connection costs a descriptor; the usual soft limit of 1 024 is far
// below what the system allows the station.
#pragma once

// Raises the soft limit on open descriptors to the hard limit. Returns the
// soft limit now in force, or -1 when it cannot be read.
long RaiseDescriptorLimit();

// The soft limit in force, or -1 for none.
long SoftDescriptorLimit();

// How many descriptors the process has open, or -1 when that cannot be
// told (for one, when none is left to look).
long OpenDescriptorCount();

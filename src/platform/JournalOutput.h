// Standard output under systemd goes to the journal, which splits it into
// entries at each line feed. The socket trace lines end in "\n\r", a console
// habit: the carriage return would start the next entry, and journalctl
// shows an entry with a control character as "[N blob data]".
#pragma once

// When standard output is the journal (systemd names that stream in
// JOURNAL_STREAM), replaces stdout by a line-buffered stream that drops
// carriage returns. A terminal, file or pipe keeps every byte.
void AdaptStandardOutputToJournal();

// "wardex /verifyaudit[:FILE]": checks the audit trail of the program folder
// (every file of its chain), or one file of it, against itself and against
// the chain heads in the system log, and says where it is broken.
#pragma once

class CommandLine;

// 0 when the trail is intact, 1 when it is broken or cannot be read.
int VerifyAuditCommand(const CommandLine& options);

// The files the plug-in asks the desktop to open, as the stand-in host sees
// them without a word from the plug-in: the host makes itself the program
// that opens files of the kind kRecordedKind (a file association in the
// prefix's registry, as an installed program makes one), and each open then
// starts "kvel_host.exe --opened LOG PATH", which adds the path to LOG.
#pragma once

#include <string>

namespace standin {

inline constexpr char kRecordedKind[] = ".kvtest";

// Associates kRecordedKind with this program, recording into `log`; false
// when the registry refused.
bool RecordOpensIn(const std::string& log);
// The recorder's part: adds `path` to `log`; the process's exit code.
int RecordOpened(const std::string& log, const std::string& path);

}  // namespace standin

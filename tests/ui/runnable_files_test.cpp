// Which files opening would run: by the name's last extension only, in any
// letter case, with the trailing dots and blanks that Windows drops.
#include "ui/runnable_files.h"

#include <gtest/gtest.h>

namespace kvel::ui {
namespace {

TEST(RunnableFiles, ProgramsScriptsAndLinksRunDocumentsOpen) {
  const struct Case {
    const char* path;
    bool runs;
  } cases[] = {
      {"C:\\in\\setup.exe", true},  {"C:\\in\\SETUP.EXE", true}, {"C:\\in\\a.com", true},
      {"C:\\in\\a.bat", true},      {"C:\\in\\a.cmd", true},     {"C:\\in\\a.scr", true},
      {"C:\\in\\a.pif", true},      {"C:\\in\\a.msi", true},     {"C:\\in\\a.lnk", true},
      {"C:\\in\\a.js", true},       {"C:\\in\\a.vbs", true},     {"C:\\in\\a.hta", true},
      {"C:\\in\\a.ps1", true},      {"C:\\in\\a.Wsf", true},     {"C:\\in\\photo.jpg.exe", true},
      {"C:\\in\\a.exe.", true},  // Windows drops the dot
      {"C:\\in\\a.exe . ", true},   {"/home/a/b.sh.bat", true},  {"C:\\in\\photo.jpg", false},
      {"C:\\in\\a.exe.txt", false}, {"C:\\in\\exe", false},      {"C:\\in\\.exe\\notes", false},
      {"C:\\in\\a.exe1", false},    {"C:\\in\\a.ex", false},     {"", false},
      {"C:\\in\\...", false},
  };
  for (const Case& c : cases) EXPECT_EQ(RunsWhenOpened(c.path), c.runs) << c.path;
}

}  // namespace
}  // namespace kvel::ui

#include "transfers/kept/part_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kvel::transfers {
namespace {

// A folder path of exactly `length` characters, ending in a separator.
std::string FolderOf(size_t length) {
  return "C:\\" + std::string(length - 4, 'f') + "\\";
}

TEST(PartNames, TheFirstFormThatFitsBesideTheTarget) {
  struct Case {
    const char* name;
    std::string target;
    uint32_t unique;
    std::optional<PartNames> names;
  };
  const std::string deep = FolderOf(250);
  const std::string longest = FolderOf(3 + 1) + std::string(255, 'n');  // 259 characters
  const Case cases[] = {
      {"long form", "C:\\Pobrane\\raport.pdf", 0x1A2B3C4D,
       PartNames{"C:\\Pobrane\\raport.pdf.1a2b3c4d.kvel-part",
                 "C:\\Pobrane\\raport.pdf.1a2b3c4d.kvel-kept"}},
      {"posix path, all digits", "/tmp/x", 0xFFFFFFFF,
       PartNames{"/tmp/x.ffffffff.kvel-part", "/tmp/x.ffffffff.kvel-kept"}},
      {"long form up to the limit", FolderOf(200) + std::string(40, 'a'), 0,
       PartNames{FolderOf(200) + std::string(40, 'a') + ".00000000.kvel-part",
                 FolderOf(200) + std::string(40, 'a') + ".00000000.kvel-kept"}},
      {"one past it: short form", FolderOf(200) + std::string(41, 'a'), 0xAB123456,
       PartNames{FolderOf(200) + "~123456.part", FolderOf(200) + "~123456.kept"}},
      {"a 259-character target", longest, 0x00ABCDEF,
       PartNames{FolderOf(4) + "~abcdef.part", FolderOf(4) + "~abcdef.kept"}},
      {"an entry past 255 characters", "/" + std::string(237, 'e'), 1,
       PartNames{"/~000001.part", "/~000001.kept"}},
      {"no folder", "plik.txt", 2,
       PartNames{"plik.txt.00000002.kvel-part", "plik.txt.00000002.kvel-kept"}},
      // Deeper than Windows makes folders: as long as the name, never kept.
      {"short name in a deep folder", deep + "ab.txt", 0x12345, PartNames{deep + "~12345", ""}},
      {"two characters in a deep folder", deep + "ab", 0x7, PartNames{deep + "~7", ""}},
      {"one character in a deep folder", FolderOf(258) + "a", 0, std::nullopt},
      // Never the target's own name, whatever the case of its letters.
      {"target named as the part", FolderOf(247) + "~1A2B3C.PART", 0x1A2B3C, std::nullopt},
      {"target named as the record", FolderOf(240) + "~000000.kept", 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<PartNames> names = PartNamesFor(c.target, c.unique);
    ASSERT_EQ(names.has_value(), c.names.has_value());
    if (!names) continue;
    EXPECT_EQ(names->part, c.names->part);
    EXPECT_EQ(names->record, c.names->record);
  }
}

TEST(PartNames, FitWhereverTheTargetFits) {
  // Every folder depth and name length of a target within the limit: the
  // names fit too, beside it, and a record is as long as its part.
  for (size_t folder = 4; folder <= 258; folder += 3) {
    for (size_t name = 2; folder + name <= kMaxPathLength; name += 7) {
      const std::string target = FolderOf(folder) + std::string(name, 'n');
      const std::optional<PartNames> names = PartNamesFor(target, 0x5EED);
      ASSERT_TRUE(names) << folder << " " << name;
      EXPECT_LE(names->part.size(), kMaxPathLength);
      EXPECT_EQ(names->part.rfind(FolderOf(folder), 0), 0u);
      EXPECT_EQ(names->part.find_first_of("\\/", folder), std::string::npos);
      EXPECT_NE(names->part, target);
      if (names->record.empty()) continue;
      EXPECT_EQ(names->record.size(), names->part.size());
      EXPECT_EQ(PartOfRecord(names->record), names->part);
    }
  }
}

TEST(PartNames, OnlyRecordNamesLeadToAPart) {
  const struct {
    std::string record;
    std::optional<std::string> part;
  } cases[] = {
      {"C:\\a\\x.bin.0badf00d.kvel-kept", "C:\\a\\x.bin.0badf00d.kvel-part"},
      {"C:\\a\\~c0ffee.kept", "C:\\a\\~c0ffee.part"},
      {"~c0ffee.kept", "~c0ffee.part"},
      {"/a/f.00000001.kvel-kept", "/a/f.00000001.kvel-part"},
      {"C:\\a\\x.bin.0badf00d.kvel-part", std::nullopt},
      {"C:\\a\\x.bin.0badf00g.kvel-kept", std::nullopt},
      {"C:\\a\\x.bin.0BADF00D.kvel-kept", std::nullopt},
      {"C:\\a\\.0badf00d.kvel-kept", std::nullopt},
      {"C:\\a\\0badf00d.kvel-kept", std::nullopt},
      {"C:\\a\\~c0ffe.kept", std::nullopt},
      {"C:\\a\\x~c0ffee.kept", std::nullopt},
      {"C:\\a\\~c0ffee.kept\\b", std::nullopt},
      {"C:\\Windows\\win.ini", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PartOfRecord(c.record), c.part) << c.record;
  }
}

}  // namespace
}  // namespace kvel::transfers

// The names a file taken without the question is saved under: numbered
// before the extension, cut to the path limit, never one the platform would
// keep under another name; the first free one among them, also when
// several transfers choose at once.
#include "transfers/free_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "transfers/part_names.h"
#include "transfers/receiving_names.h"

namespace kvel::transfers {
namespace {

const std::string kFolder = "C:\\Odebrane\\";

TEST(NumberedPath, NumbersGoBeforeTheExtension) {
  const struct Case {
    const char* name;
    unsigned number;
    const char* path;  // null: none
  } cases[] = {
      {"photo.jpg", 1, "C:\\Odebrane\\photo.jpg"},
      {"photo.jpg", 2, "C:\\Odebrane\\photo (2).jpg"},
      {"photo.jpg", 999, "C:\\Odebrane\\photo (999).jpg"},
      {"archive.tar.gz", 2, "C:\\Odebrane\\archive.tar (2).gz"},
      {"README", 3, "C:\\Odebrane\\README (3)"},
      {".profile", 2, "C:\\Odebrane\\.profile (2)"},
      {"x.0123456789abcde", 2, "C:\\Odebrane\\x (2).0123456789abcde"},
      // An "extension" longer than any is part of the name.
      {"x.0123456789abcdef", 2, "C:\\Odebrane\\x.0123456789abcdef (2)"},
      // The platform would drop the last dot: no such name.
      {"a.b.", 2, nullptr},
      {"photo.jpg", 0, nullptr},
      {"", 1, nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> path = NumberedPath(kFolder, c.name, c.number);
    if (c.path == nullptr) {
      EXPECT_FALSE(path) << c.name << " " << c.number;
    } else {
      EXPECT_EQ(path.value_or("(none)"), c.path) << c.name << " " << c.number;
    }
  }
}

TEST(NumberedPath, LongNamesAreCutBeforeTheirExtensionToFitThePath) {
  const std::string longName = std::string(255 - 4, 'n') + ".bin";
  for (unsigned number : {1u, 2u, 10u, 999u}) {
    SCOPED_TRACE(number);
    const std::optional<std::string> path = NumberedPath(kFolder, longName, number);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->size(), kMaxPathLength);
    EXPECT_TRUE(path->ends_with(number > 1 ? " (" + std::to_string(number) + ").bin" : ".bin"));
  }
  // In a shallow folder the entry's own limit binds first.
  const std::optional<std::string> shallow = NumberedPath("C:\\", longName + "x.bin", 2);
  ASSERT_TRUE(shallow);
  EXPECT_EQ(shallow->size(), 3 + kMaxEntryName);
  // A folder that leaves no room for the number and the extension takes none.
  const std::string deep = "C:\\" + std::string(kMaxPathLength - 3 - 9, 'd') + "\\";
  EXPECT_TRUE(NumberedPath(deep, "a.bin", 1));
  EXPECT_FALSE(NumberedPath(deep, "a.bin", 2));
}

TEST(NumberedPath, ACutNeverMakesANameThePlatformKeepsOtherwise) {
  // Cut to fit, "CONSOLE.txt" would be the device "CON.txt", and "abc def"
  // would end in a blank, which the platform drops.
  const std::string folder = "C:\\" + std::string(kMaxPathLength - 3 - 8, 'd') + "\\";
  EXPECT_FALSE(NumberedPath(folder, "CONSOLE.txt", 1));
  EXPECT_TRUE(NumberedPath(folder, "CONSOLE.t", 1));
  const std::string shorter = "C:\\" + std::string(kMaxPathLength - 3 - 5, 'd') + "\\";
  EXPECT_FALSE(NumberedPath(shorter, "abc def", 1));
  EXPECT_TRUE(NumberedPath(shorter, "abcdefg", 1));
}

TEST(ClaimFreePath, TheFirstNameNotTakenIsClaimed) {
  const struct Case {
    const char* name;
    std::vector<std::string> taken;
    const char* claimed;  // null: none
  } cases[] = {
      {"a.txt", {}, "C:\\Odebrane\\a.txt"},
      {"a.txt", {"a.txt"}, "C:\\Odebrane\\a (2).txt"},
      {"a.txt", {"a.txt", "a (2).txt", "a (3).txt"}, "C:\\Odebrane\\a (4).txt"},
      // A gap is filled: the first free number is taken.
      {"a.txt", {"a.txt", "a (3).txt"}, "C:\\Odebrane\\a (2).txt"},
      // Numbers in the offered name are the name's own.
      {"a (2).txt", {"a (2).txt"}, "C:\\Odebrane\\a (2) (2).txt"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> asked;
    const std::optional<std::string> claimed =
        ClaimFreePath(kFolder, c.name, [&](const std::string& path) {
          asked.push_back(path);
          for (const std::string& taken : c.taken) {
            if (path == kFolder + taken) return false;
          }
          return true;
        });
    EXPECT_EQ(claimed.value_or("(none)"), c.claimed) << c.name;
    EXPECT_EQ(asked.back(), *claimed);
  }
}

TEST(ClaimFreePath, GivesUpAfterTheLastNumber) {
  size_t asked = 0;
  const std::optional<std::string> claimed = ClaimFreePath(kFolder, "a.txt", [&](const auto&) {
    ++asked;
    return false;
  });
  EXPECT_FALSE(claimed);
  EXPECT_EQ(asked, kMaxNameNumber);
}

TEST(ReceivingNames, APathIsHeldByOneTransferUntilItGoes) {
  ReceivingNames names;
  ReceivingNames::Hold first = names.Take("C:\\x\\a.txt");
  ASSERT_TRUE(first);
  // Windows' names ignore case.
  EXPECT_FALSE(names.Take("C:\\X\\A.TXT"));
  EXPECT_TRUE(names.Held("c:\\x\\a.txt"));
  ReceivingNames::Hold moved = std::move(first);
  EXPECT_FALSE(names.Take("C:\\x\\a.txt"));
  moved = ReceivingNames::Hold();
  EXPECT_FALSE(names.Held("C:\\x\\a.txt"));
  EXPECT_TRUE(names.Take("C:\\x\\a.txt"));
}

TEST(ReceivingNames, OffersOfOneNameAtOnceEachGetTheirOwn) {
  ReceivingNames names;
  constexpr int kOffers = 16;
  std::vector<ReceivingNames::Hold> holds(kOffers);
  std::vector<std::thread> threads;
  for (int i = 0; i < kOffers; ++i) {
    threads.emplace_back([&, i] {
      ClaimFreePath(kFolder, "same.bin", [&](const std::string& path) {
        holds[static_cast<size_t>(i)] = names.Take(path);
        return static_cast<bool>(holds[static_cast<size_t>(i)]);
      });
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::set<std::string> paths;
  for (const ReceivingNames::Hold& hold : holds) {
    ASSERT_TRUE(hold);
    paths.insert(hold.Path());
  }
  EXPECT_EQ(paths.size(), static_cast<size_t>(kOffers));
  EXPECT_EQ(paths.count(kFolder + "same.bin"), 1u);
  EXPECT_EQ(paths.count(kFolder + "same (16).bin"), 1u);
}

}  // namespace
}  // namespace kvel::transfers

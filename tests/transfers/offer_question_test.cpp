#include <gtest/gtest.h>

#include <string>

#include "transfers/telling/offer_question.h"

namespace kvel::transfers {
namespace {

// "chce wysłać do Ciebie plik" and "Czy chcesz go odebrać?" in Windows-1250.
const std::string kMiddle =
    " chce wys\xB3"
    "a\xE6 do Ciebie plik ";
const std::string kEnd = "KB). Czy chcesz go odebra\xE6?";

std::string Question(const std::string& peer, const std::string& file,
                     const std::string& kilobytes) {
  std::string text = peer;
  text.append(kMiddle).append(file).append(" (").append(kilobytes).append(kEnd);
  return text;
}

TEST(OfferQuestionTest, NamesPeerFileAndWholeKilobytes) {
  struct Case {
    int64_t size;
    std::string kilobytes;
  };
  const Case cases[] = {
      {0, "0"},
      {1023, "0"},
      {1024, "1"},
      {5 * 1024 * 1024 + 1023, "5120"},
      // 2 GiB and more: the whole 64-bit size, not a negative low word.
      {0x80000000ull, "2097152"},
      {0x1'00000400ll, "4194305"},
      {INT64_MAX, "9007199254740991"},
      {-1, "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComposeOfferQuestion("Ala", "x.zip", c.size), Question("Ala", "x.zip", c.kilobytes))
        << c.size;
  }
}

TEST(OfferQuestionTest, TextsThatLookLikeFormatsStayText) {
  EXPECT_EQ(ComposeOfferQuestion("%s%d", "%n%%", 2048), Question("%s%d", "%n%%", "2"));
}

TEST(OfferQuestionTest, StaysWithin1023CharactersWhateverTheNames) {
  const std::string huge(5000, 'n');
  const std::string question = ComposeOfferQuestion(huge, huge, INT64_MAX);
  EXPECT_LE(question.size(), kMaxQuestionLength);
  // Each name is cut, so the question still says what it asks.
  EXPECT_NE(question.find(kEnd), std::string::npos);
  EXPECT_EQ(question.substr(0, 256), std::string(255, 'n') + " ");
}

}  // namespace
}  // namespace kvel::transfers

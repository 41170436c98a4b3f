// Contacts named as the host's list names them, over a host that answers
// look-ups from a table.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "gg/contact_lookup.h"

namespace kvel::gg {
namespace {

class ListedContacts final : public host::HostServices {
 public:
  std::map<std::string, host::ContactEntry> entries;
  std::vector<std::string> asked;

  std::optional<host::ContactEntry> FindContact(const char* id) override {
    asked.push_back(id);
    auto found = entries.find(id);
    if (found == entries.end()) return std::nullopt;
    return found->second;
  }
  void SetContactIcon(host::Param, const host::IconPicture&) override { Unexpected(); }
  void RemoveContactIcon(host::Param) override { Unexpected(); }
  bool OfferMenuItems(host::MenuContext&, std::span<const char* const>) override {
    Unexpected();
    return false;
  }
  void ShowChatMessage(const host::ChatMessage&) override { Unexpected(); }
  void SendRawPacket(std::span<const uint8_t>) override { Unexpected(); }
  int32_t Log(const char*) override {
    Unexpected();
    return 0;
  }
  host::PluginHandle Module() override { return nullptr; }

 private:
  static void Unexpected() { ADD_FAILURE() << "only contacts are looked up"; }
};

TEST(PeerDisplayName, IsTheListedNameElseTheNumber) {
  ListedContacts host;
  host.entries["123"] = {11, "Ewa"};
  host.entries["-1"] = {12, "Max"};
  host.entries["7"] = {13, std::nullopt};  // the host gives no name
  host.entries["8"] = {14, ""};
  const struct {
    uint32_t uin;
    std::string name;
  } cases[] = {
      {123, "Ewa"}, {0xFFFFFFFFu, "Max"}, {7, "7"},
      {8, ""},      {99, "99"},           {0x80000000u, "-2147483648"},
  };
  for (const auto& c : cases) {
    host.asked.clear();
    EXPECT_EQ(PeerDisplayName(host, c.uin), c.name) << c.uin;
    // Looked up once, by the number as the host's id texts write it.
    EXPECT_EQ(host.asked, std::vector<std::string>{UinText(c.uin)}) << c.uin;
  }
}

TEST(UinText, IsSignedDecimal) {
  EXPECT_EQ(UinText(0), "0");
  EXPECT_EQ(UinText(12345), "12345");
  EXPECT_EQ(UinText(0x7FFFFFFFu), "2147483647");
  EXPECT_EQ(UinText(0xFFFFFFFFu), "-1");
}

}  // namespace
}  // namespace kvel::gg

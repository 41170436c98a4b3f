// One question box per peer at a time: a peer's next question waits its
// turn; other peers' do not; a wait ends when called off or out of time.
#include "transfers/telling/question_turns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/linked_host.h"
#include "platform/sockets.h"
#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/fake_connection.h"
#include "support/scripted_dialogs.h"
#include "transfers/side/platform_streams.h"
#include "transfers/registry/transfer_registry.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

TEST(QuestionTurns, AWaitEndsWhenCalledOffOrOutOfTime) {
  struct Case {
    const char* name;
    uint32_t maxWaitMs;
    bool calledOff;
  };
  for (const Case& c :
       {Case{"out of time", 2 * kTurnLookMs, false}, Case{"called off", 60000, true}}) {
    QuestionTurns turns(c.maxWaitMs, &platform::TickCount);
    QuestionTurns::Turn open = turns.Take(7, 1, nullptr);
    ASSERT_TRUE(open) << c.name;
    std::atomic<int> asked{0};
    QuestionTurns::Turn late = turns.Take(7, 1, [&] {
      ++asked;
      return c.calledOff;
    });
    EXPECT_FALSE(late) << c.name;
    EXPECT_GE(asked.load(), 1) << c.name;
    EXPECT_FALSE(turns.Take(7, 1, [] { return true; })) << c.name;  // the first keeps its turn
  }
}

// Offers received at once, as the product receives them: two from one
// contact, one from another, and one from a stranger at another address
// claiming the first contact's number. The contact's second question opens
// only once its first is answered; the other contact's and the stranger's
// (which names its address) open meanwhile. None is refused for waiting.
TEST(QuestionTurns, OneContactsOffersAreAskedOneAtATime) {
  testing::ScriptedDialogsScope dialogs;
  host::LinkedHost host{nullptr, nullptr};  // no host: contacts go by number
  std::mutex mutex;
  std::condition_variable opened;
  std::map<std::string, int> open;  // questions open per contact
  std::map<std::string, int> most;
  int mostAtOnce = 0, asked = 0;
  testing::ScriptedDialogs::OnDialog([&](const testing::DialogCall& call) {
    if (call.kind != testing::DialogCall::kQuestion) return;
    const std::string who = call.text.substr(0, call.text.find(' ', call.text.find(' ') + 1));
    std::unique_lock<std::mutex> lock(mutex);
    most[who] = std::max(most[who], ++open[who]);
    int total = 0;
    for (const auto& [contact, count] : open) total += count;
    mostAtOnce = std::max(mostAtOnce, total);
    ++asked;
    opened.notify_all();
    // The user reads each question until the three that may be open at once
    // have opened (the contact's second opens only after its first).
    opened.wait_for(lock, std::chrono::seconds(10), [&] { return asked >= 3; });
    --open[who];
  });
  for (int i = 0; i < 4; ++i) testing::ScriptedDialogs::QueueAnswer(false);

  TransferRegistry registry(&platform::TickCount);
  QuestionTurns turns(10000, &platform::TickCount);
  std::vector<testing::BoundedThread> receivers;
  const uint32_t contactAt = platform::InetAddr("127.0.0.1");
  const uint32_t strangerAt = platform::InetAddr("127.0.0.9");
  for (auto [uin, from] : {std::pair{7u, contactAt}, std::pair{7u, contactAt},
                           std::pair{8u, contactAt}, std::pair{7u, strangerAt}}) {
    receivers.emplace_back("a receiver asking its question", [&, uin, from] {
      TransferHandle transfer = registry.Begin(uin, Receive);
      transfer.Agree(uin, std::to_string(uin), Receive);
      testing::FakeConnection connection(testing::StreamBuilder().Offer("a.bin", 10).Take());
      const OfferOrigin origin{from, contactAt, false};
      EXPECT_FALSE(ReceiveFile(host, nullptr, connection, transfer, origin, &turns));
      // Asked, and refused by the user's answer rather than for waiting.
      EXPECT_EQ(connection.Written(), testing::Words({wire::kReplyRefuse, 0, 0}));
    });
  }
  for (testing::BoundedThread& receiver : receivers) receiver.Join();
  size_t questions = 0;
  for (const testing::DialogCall& call : testing::ScriptedDialogs::Calls())
    questions += call.kind == testing::DialogCall::kQuestion;
  EXPECT_EQ(questions, 4u);
  // The texts begin with the peer: "7 (127.0.0.9) chce ..." for the stranger.
  EXPECT_EQ(most["7 chce"], 1);
  EXPECT_EQ(most["7 (127.0.0.9)"], 1);
  EXPECT_EQ(mostAtOnce, 3);
}

}  // namespace
}  // namespace kvel::transfers

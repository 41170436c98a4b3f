// What a router answers, and what kvel remembered of it, fed from the input:
// the remembered file's text, then each request's answer in turn (the
// search's kind and texts, each mapping's code, the entries' texts), with
// the clock moved between renewals. Checks that the keeper announces only a
// public address and a port, mapped to this machine's address, and that
// every router, however it answers, costs a bounded number of requests.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ipv4_address.h"
#include "router/mapping_keeper.h"
#include "router/router_answers.h"

namespace {
using namespace kvel;
using namespace kvel::router;

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Text() {
    const size_t length = std::min<size_t>(Byte(), size_ - at_);
    std::string text(reinterpret_cast<const char*>(data_ + at_), length);
    at_ += length;
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

class FuzzedGateway final : public Gateway {
 public:
  explicit FuzzedGateway(Input& in) : in_(in) {}
  int requests = 0;

  Found Find(const std::string&, uint32_t) override {
    ++requests;
    Found found;
    found.kind = static_cast<Found::Kind>(in_.Byte() % 3);
    found.descriptionUrl = in_.Text();
    found.lanAddress = in_.Text();
    found.externalAddress = in_.Text();
    return found;
  }
  int Map(uint16_t, const std::string& client, uint16_t, const std::string&, uint32_t) override {
    Check(ParseAddress(client).has_value());
    return Answer();
  }
  int Remove(uint16_t) override { return Answer(); }
  int EntryOf(uint16_t, Entry* entry) override {
    const int answer = Answer();
    entry->internalClient = in_.Text();
    entry->internalPort = in_.Text();
    entry->description = in_.Text();
    return answer;
  }

 private:
  // 0, a refusal the keeper knows, another code, or no answer.
  int Answer() {
    ++requests;
    static const int kAnswers[] = {kDone, kConflict, kOnlyPermanent, kNoSuchEntry, 501, kNoAnswer};
    return kAnswers[in_.Byte() % 6];
  }
  Input& in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const Remembered remembered = DecodeRemembered(in.Text());
  Check(remembered.descriptionUrl.empty() || UsableUrl(remembered.descriptionUrl));
  FuzzedGateway gateway(in);
  uint32_t now = in.Byte() * 0x01000000u;
  MappingKeeper keeper(
      gateway, MappingPlan{}, [&] { return now; }, [](const std::string&) {});
  keeper.Begin(remembered);
  // A search, the left-behind check, and per port tried a map (twice for
  // a permanent-only router) or an entry, a removal and a map again.
  constexpr int kMostPerBegin = 3 + 4 * 5;
  Check(gateway.requests <= kMostPerBegin);
  for (int renewal = 0; renewal < 3; ++renewal) {
    if (const std::optional<Mapped>& mapped = keeper.Current()) {
      Check(KindOf(mapped->externalAddress) == AddressKind::Public);
      Check(mapped->externalPort != 0 && mapped->lanAddress != 0);
    }
    const int before = gateway.requests;
    now += in.Byte() * 60 * 1000;
    keeper.Renew();
    Check(gateway.requests - before <= 2 + 4 * 5);
  }
  const int before = gateway.requests;
  keeper.End();
  Check(gateway.requests - before <= 1);
  Check(!keeper.Current());
  const std::string again = EncodeRemembered(keeper.ToRemember());
  Check(again.size() <= kMaxRememberedLength);
  return 0;
}

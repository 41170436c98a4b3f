#include "plugin/plugin_context.h"

#include <memory>
#include <vector>

#include "gg/contact_lookup.h"
#include "images/image_cache.h"
#include "p2p/admission/call_back_caller.h"
#include "p2p/admission/connection_limits.h"
#include "p2p/reach/own_sends.h"
#include "p2p/reach/fall_back.h"
#include "platform/dialogs.h"
#include "platform/threads.h"
#include "plugin/host.h"
#include "plugin/production_bindings.h"
#include "wire/transfer_records.h"

namespace kvel {
namespace {

// The one owner of the context: makes one at module load and anew at each
// LoadPlugin, and ends the last at detach.
class PluginOwner {
 public:
  ~PluginOwner() { End(); }
  Plugin& Get() { return *plugin_; }
  ModuleHost& Host() { return host_; }
  void Renew() {
    End();
    plugin_ = std::make_unique<Plugin>(host_);
  }

 private:
  // Stops the context (UnloadPlugin usually did already). A connection
  // thread still running (one held by a question box past the wait) reaches
  // the context until it ends: such a context is left to the process rather
  // than freed under the thread.
  void End() {
    if (plugin_ == nullptr) return;
    if (!plugin_->Stop(&platform::SleepMilliseconds)) {
      abandoned_.push_back(plugin_.release());
      return;
    }
    plugin_.reset();
  }

  // Declared first: every context calls the host until it is ended.
  ModuleHost host_;
  std::unique_ptr<Plugin> plugin_ = std::make_unique<Plugin>(host_);
  std::vector<Plugin*> abandoned_;
};

PluginOwner g_owner;

// A stopped transfer may wait under a speed limit: the waits look again.
class LimitWaker final : public transfers::TransfersObserver {
 public:
  explicit LimitWaker(Plugin& plugin) : plugin_(plugin) {}
  void TransferListed(const transfers::Transfer&) override {}
  void TransferEnded(const transfers::Transfer&) override {}
  void TransferStopped(const transfers::Transfer&) override {
    plugin_.sendLimit.Wake();
    plugin_.receiveLimit.Wake();
  }

 private:
  Plugin& plugin_;
};

// Each running transfer gets a chunk well within its peer's idle limit.
constexpr uint32_t kLimitTurnMs = p2p::kConnectionLimits.idleMs / 4;
constexpr size_t kLimitChunkBytes = wire::kSendChunkSize + wire::kChunkHeaderSize;

}  // namespace

Plugin::Plugin(ModuleHost& host)
    : host(host),
      users(host, settings),
      transfers(&platform::TickCount),
      keptParts(&platform::UnixTime),
      connections(p2p::kConnectionLimits),
      callBacks(p2p::kMaxAwaitedCallBacks, p2p::kConnectionLimits.callBackMs, &platform::TickCount,
                [this](p2p::AwaitedCallBacks::Unanswered unanswered) {
                  p2p::EndUnanswered(*connectionServices, sends, std::move(unanswered));
                }),
      foreignCallBacks(
          [this](uint32_t uin, uint32_t address) {
            const std::string question = p2p::ForeignCallBackQuestion(
                gg::PeerDisplayName(this->host, uin), address, callBacks.FileOf(uin));
            return platform::AskNoYes(question.c_str(), text::kQuestionCaption);
          },
          &platform::TickCount),
      sends(
          p2p::kConnectionLimits.maxSendsPerContact,
          [this](uint32_t uin, transfers::TransferHandle& transfer) {
            return p2p::StartTurn(uin, transfer, connectionServices);
          },
          [this](uint32_t uin, transfers::TransferHandle transfer) {
            p2p::DropWaiting(*connectionServices, uin, std::move(transfer));
          }),
      questionTurns(p2p::kConnectionLimits.offerMs, &platform::TickCount),
      autoAccept(&platform::TickCount),
      notices(
          transfers::kNoticeGatherMs,
          [](const transfers::UserNotice& notice) {
            platform::ShowError(notice.text.c_str(), notice.caption.c_str());
          },
          &platform::SpawnDetachedThread,
          [this](const std::string& line) { this->host.Log(line.c_str()); }),
      sendLimit(&platform::TickCount, kLimitTurnMs, kLimitChunkBytes),
      receiveLimit(&platform::TickCount, kLimitTurnMs, kLimitChunkBytes),
      connectionServices(MakeConnectionServices(*this)),
      requestedImages(&platform::TickCount,
                      [this](const wire::ImageId& id) { images::RemoveImagePart(dataPath, id); }),
      partSweeper([this] { requestedImages.Sweep(); }),
      listener(host, connectionServices) {}

void Plugin::Start() {
  listener.Start(settings.localPort);
  StartPortMapping(*this);
  callBacks.Start();
  partSweeper.Start();
  limitWaker = std::make_shared<LimitWaker>(*this);
  transfers.AddObserver(limitWaker);
  window = std::make_unique<ui::TransferWindow>(transfers, host.Module());
}

bool Plugin::Stop(void (*wait)(uint32_t milliseconds)) {
  portMapping.Stop(wait);
  listener.Stop();
  connections.Stop();
  transfers.StopAll();
  sendLimit.Stop();
  receiveLimit.Stop();
  // Before the waits end: a send whose turn comes starts nothing now.
  sends.Stop();
  // A call-back waiting for the user's answer about another's gives up.
  foreignCallBacks.Stop();
  notices.Stop();
  const bool ended = connections.WaitEmpty(p2p::kUnloadWaitMs, wait);
  // A thread past the wait says nothing more to the host once the reports
  // under way are done.
  connections.WaitReportsDone(wait);
  // After the reports: the call-backs' thread, which reports too, then ends
  // at once instead of waiting for this thread to serve a host call.
  callBacks.Stop();
  partSweeper.Stop();
  requestedImages.Clear();
  cacheTrust.Stop();
  window.reset();
  if (limitWaker) transfers.RemoveObserver(limitWaker.get());
  return ended;
}

Plugin& ThePlugin() {
  return g_owner.Get();
}

ModuleHost& TheModuleHost() {
  return g_owner.Host();
}

Plugin& StartPlugin() {
  g_owner.Renew();
  return g_owner.Get();
}

void RenewPlugin() {
  g_owner.Renew();
}

}  // namespace kvel

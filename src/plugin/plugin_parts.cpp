#include "plugin/plugin_parts.h"

#include "gg/contact_lookup.h"
#include "images/image_cache.h"
#include "p2p/admission/call_back_caller.h"
#include "p2p/admission/connection_limits.h"
#include "p2p/reach/fall_back.h"
#include "p2p/reach/own_sends.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/threads/threads.h"
#include "transfers/auto_accept/auto_accept_texts.h"
#include "plugin/bindings/production_bindings.h"
#include "wire/transfer_records.h"

namespace kvel {
namespace {

// Each running transfer gets a chunk well within its peer's idle limit.
constexpr uint32_t kLimitTurnMs = p2p::kConnectionLimits.idleMs / 4;
constexpr size_t kLimitChunkBytes = wire::kSendChunkSize + wire::kChunkHeaderSize;

}  // namespace

PluginParts::PluginParts(ModuleHost& host, const PluginSetup& setup)
    : host(host),
      settings(setup.settings),
      dataPath(setup.dataPath),
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
          [this](const std::string& line) { this->host.Log(line.c_str()); }),
      sendLimit(&platform::TickCount, kLimitTurnMs, kLimitChunkBytes),
      receiveLimit(&platform::TickCount, kLimitTurnMs, kLimitChunkBytes),
      connectionServices(MakeConnectionServices(*this)),
      requestedImages(&platform::TickCount,
                      [this](const wire::ImageId& id) { images::RemoveImagePart(dataPath, id); }) {
  // Before any transfer.
  sendLimit.Configure(settings.speedLimitKb);
  receiveLimit.Configure(settings.speedLimitKb);
  if (!dataPath.empty()) {
    // The default folder is made when first needed.
    autoAccept.Configure(setup.autoAccept.settings,
                         dataPath + text::kAutoAcceptFolder + platform::kPathSeparator, dataPath);
  }
}

}  // namespace kvel

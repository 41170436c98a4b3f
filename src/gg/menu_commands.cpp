#include "gg/menu_commands.h"

#include <cctype>
#include <cstring>

#include "p2p/connection.h"
#include "plugin/host.h"
#include "plugin/texts.h"
#include "wire/dc_request.h"
#include "wire/peer_state.h"

namespace kvel::gg {
namespace {

bool IsText(const char* text, const char* expected) {
  return text != nullptr && std::strcmp(text, expected) == 0;
}

const char* ElementId(const host::MenuContext* context) {
  if (context == nullptr || context->element == nullptr) return nullptr;
  return context->element->id;
}

}  // namespace

uint32_t LeadingNumber(const char* text) {
  if (text == nullptr) return 0;
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint32_t value = 0;  // wraps like the 32-bit host's conversion instead of overflowing
  while (*text >= '0' && *text <= '9') value = value * 10 + static_cast<uint32_t>(*text++ - '0');
  return negative ? 0u - value : value;
}

int32_t KVEL_CALL MenuStateCallback(int32_t event, host::MenuContext* context) {
  if (event != 1 || context == nullptr || context->building != 1) return 0;
  if (ElementId(context) == nullptr) return 0;
  auto offer = reinterpret_cast<host::OfferMenuItemFn>(
      CallService(text::kServiceGetProcAddress, host::kOfferMenuItemProc, 0));
  if (offer == nullptr || !IsText(context->element->protocol, text::kProtocolGG)) return 0;
  // The host's command list lives in the context; the host is given its address.
  void* commandList = &context->commandList;
  if (IsText(context->place, text::kChatWindowPlace)) offer(commandList, text::kCommandSendImage);
  offer(commandList, text::kCommandSend);
  return 1;
}

int32_t SendFileCommandWith(const host::MenuContext* context, const CommandEdges& edges) {
  const char* id = ElementId(context);
  if (id == nullptr) return 0;
  const uint32_t uin = LeadingNumber(id);
  const PeerAddress peer = edges.lookupPeer(uin);
  if (peer.ip == 0) return 0;  // no address announced or known: nothing to say
  switch (PeerStateOf(peer.port)) {
    case kNoDirect:
      edges.showError(text::kErrorNoDirect, text::kErrorCaption);
      break;
    case kNotListed:
      edges.showError(text::kErrorNotListed, text::kErrorCaption);
      break;
    case kAskToCall: {
      // Noted before the request leaves: the contact may call back at once.
      edges.expectCallBack(uin);
      const auto packet = EncodeDcRequest(uin);
      edges.sendPacket(packet.data(), packet.size());
      break;
    }
    case kDirect:
      edges.startOutgoing(uin, p2p::kPushCode);
      break;
  }
  return 0;
}

int32_t SendImageCommandWith(const host::MenuContext* context, const CommandEdges& edges) {
  const char* id = ElementId(context);
  if (id == nullptr) return 0;
  const uint32_t uin = LeadingNumber(id);
  char path[platform::kPathBufferSize] = {};
  platform::FileDialog dialog =
      platform::FileDialogOver(path, text::kImageFilter, platform::kOpenFileFlags);
  if (!edges.chooseOpenFile(dialog)) return 0;
  path[sizeof path - 1] = '\0';
  edges.sendImage(uin, path);
  return 0;
}

int32_t KVEL_CALL SendFileCommand(host::Param, host::MenuContext* context) {
  return SendFileCommandWith(context, ProductionCommandEdges());
}

int32_t KVEL_CALL SendImageCommand(host::Param, host::MenuContext* context) {
  return SendImageCommandWith(context, ProductionCommandEdges());
}

}  // namespace kvel::gg

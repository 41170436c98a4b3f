#include "gg/menu_commands.h"

#include <cctype>
#include <cstring>
#include <span>

#include "common/texts.h"
#include "host/service_names.h"
#include "wire/handshake.h"
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

int32_t OfferCommands(host::HostServices& services, int32_t event, host::MenuContext* context) {
  if (event != host::kMenuEventBuild || context == nullptr) return 0;
  if (context->building != host::kMenuBuilding || ElementId(context) == nullptr) return 0;
  // Only a GG element gets commands; the host is asked how to offer them for
  // every menu all the same.
  const char* commands[2];
  size_t count = 0;
  if (IsText(context->element->protocol, host::kProtocolGG)) {
    if (IsText(context->place, host::kChatWindowPlace)) commands[count++] = host::kCommandSendImage;
    commands[count++] = host::kCommandSend;
  }
  const bool offered = services.OfferMenuItems(*context, std::span(commands, count));
  return offered && count != 0 ? 1 : 0;
}

int32_t SendFileCommandWith(const host::MenuContext* context, CommandServices& services) {
  const char* id = ElementId(context);
  if (id == nullptr) return 0;
  const uint32_t uin = LeadingNumber(id);
  const PeerAddress peer = services.LookupPeer(uin);
  if (peer.ip == 0) return 0;  // no address announced or known: nothing to say
  switch (wire::PeerStateOf(peer.port)) {
    case wire::kNoDirect:
      services.ShowError(text::kErrorNoDirect, text::kErrorCaption);
      break;
    case wire::kNotListed:
      services.ShowError(text::kErrorNotListed, text::kErrorCaption);
      break;
    case wire::kAskToCall:
      services.AskToCallBack(uin);
      break;
    case wire::kDirect:
      services.StartOutgoing(uin, wire::kPushCode);
      break;
  }
  return 0;
}

int32_t SendImageCommandWith(const host::MenuContext* context, CommandServices& services) {
  const char* id = ElementId(context);
  if (id == nullptr) return 0;
  const uint32_t uin = LeadingNumber(id);
  char path[platform::kPathBufferSize] = {};
  platform::FileDialog dialog =
      platform::FileDialogOver(path, text::kImageFilter, platform::kOpenFileFlags);
  if (!services.ChooseOpenFile(dialog)) return 0;
  path[sizeof path - 1] = '\0';
  services.SendImage(uin, path);
  return 0;
}

}  // namespace kvel::gg

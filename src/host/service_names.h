// The names the host knows the plug-in's calls by: its services, the protocol
// and function of the raw send, the menu class, commands and item ids, the
// icon set and the log tag. They are part of the host's interface, like its
// records.
#pragma once

#include <cstdint>

namespace kvel::host {

inline constexpr char kProtocolGG[] = "GG";
inline constexpr char kSendRawData[] = "PFSendRawData";
inline constexpr char kServiceGetProcAddress[] = "Tlen/GetProcAddress";
inline constexpr char kServiceHook[] = "Tlen/ProtocolHookEvent";
inline constexpr char kServiceUnhook[] = "Tlen/ProtocolUnhookEvent";
inline constexpr char kServiceAddMenuItem[] = "Tlen/AddMenuItem";
inline constexpr char kServiceAddMenuCallBack[] = "Tlen/AddMenuCallBack";
inline constexpr char kServiceRemoveMenuCallBack[] = "Tlen/RemoveMenuCallBack";
inline constexpr char kServiceProtocolCall[] = "Tlen/ProtocolCallFunction";
inline constexpr char kServiceEnumerateItems[] = "Tlen/ContactList/EnumerateItems";
inline constexpr char kServiceChangeItemIcon[] = "Tlen/ContactList/ChangeItemIcon";
inline constexpr char kServiceAddItemIcons[] = "Tlen/ContactList/AddItemIcons";
inline constexpr char kServiceRemoveItemIcon[] = "Tlen/ContactList/RemoveItemIcon";
inline constexpr char kServiceShowMessage[] = "Tlen/ChatWindow/ShowMessage";
inline constexpr char kServiceLog[] = "logplugin/add";
inline constexpr char kMenuClass[] = "Tlen/CL/Element";
inline constexpr char kChatWindowPlace[] = "Tlen/ChatWindow";
inline constexpr char kCommandSend[] = "kvel/send";
inline constexpr char kCommandSendImage[] = "kvel/sendimage";
inline constexpr uint32_t kMenuIdSend = 100100;
inline constexpr uint32_t kMenuIdSendImage = 100101;
inline constexpr char kIconSet[] = "kvel";
inline constexpr char kLogTag[] = "vask";

}  // namespace kvel::host

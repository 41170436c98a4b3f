// The host's service interface: the records the plug-in exchanges with the
// messenger host and the function types that cross the boundary. Layouts are
// those of the 32-bit host; the static_asserts pin them in 32-bit builds.
// Records are plain data: callers zero them before filling them.
#pragma once

#include <cstddef>
#include <cstdint>

// One calling convention for everything that crosses the host boundary.
#if defined(_WIN32) && !defined(_WIN64)
#define KVEL_CALL __cdecl
#else
#define KVEL_CALL
#endif

namespace kvel::host {

// The module's own instance handle (HINSTANCE).
using PluginHandle = void*;
// The host's WPARAM / LPARAM: pointer-sized values.
using Param = intptr_t;

struct MenuContext;
struct ContactItem;

// The result is 32 bits wide in the 32-bit host; pointer-sized here so that
// the native build can hand back addresses as the host does.
using CallServiceFn = Param(KVEL_CALL*)(PluginHandle plugin, const char* service, Param wparam,
                                        Param lparam);
using ServiceExistsFn = int32_t(KVEL_CALL*)(PluginHandle plugin, const char* service);

// Given to LoadPlugin; lives as long as the host runs.
struct HostLink {
  uint32_t reserved0;
  uint32_t reserved4;
  CallServiceFn callService;  // +8
  void* reserved12;
  ServiceExistsFn serviceExists;  // +16
};

// "Tlen/GetProcAddress" 0x20001 yields a function returning this record.
struct ProfileRecord {
  uint32_t reserved[3];
  const char* directory;  // +12, ends with a separator
};
using ProfileFn = ProfileRecord*(KVEL_CALL*)(Param, Param);
inline constexpr Param kProfileProc = 0x20001;
// "Tlen/GetProcAddress" 0x1002 yields the host's OfferMenuItemFn.
inline constexpr Param kOfferMenuItemProc = 0x1002;

// The protocol hook: event record and packet reference.
struct EventRecord {
  uint32_t reserved0;
  uint32_t reserved4;
  uint32_t code;  // +8: 4 received, 7 about to be sent, 9 forget peers
};
struct PacketRef {
  uint32_t reserved0;
  uint32_t length;  // +4: whole packet including the 8-byte header
  uint8_t* data;    // +8
};
using ProtocolHookFn = int32_t(KVEL_CALL*)(EventRecord* event, PacketRef* packet);

struct HookRecord {  // 20 bytes
  uint32_t size;
  const char* protocol;  // +4 "GG"
  ProtocolHookFn hook;   // +8
  uint32_t reserved12;
  PluginHandle owner;  // +16
};

using MenuClickFn = int32_t(KVEL_CALL*)(Param unused, MenuContext* context);
// `event` is kMenuEventBuild while the host builds a menu.
using MenuCallbackFn = int32_t(KVEL_CALL*)(int32_t event, MenuContext* context);
inline constexpr int32_t kMenuEventBuild = 1;
// Adds a registered command to the menu being built.
using OfferMenuItemFn = int32_t(KVEL_CALL*)(void* commandList, const char* command);

struct MenuItem {  // 84 bytes
  uint32_t size;
  const char* name;  // +4
  uint32_t reserved8;
  const char* menuClass;  // +12
  const char* caption;    // +16
  uint32_t reserved20[2];
  uint32_t id;  // +28
  uint32_t reserved32[9];
  MenuClickFn click;  // +68
  uint32_t reserved72;
  PluginHandle owner;  // +76
  uint32_t reserved80;
};

struct ElementRecord {
  uint32_t reserved0;
  const char* id;        // +4, led by the GG number in decimal
  const char* protocol;  // +8
};

struct MenuContext {
  uint32_t reserved0[4];
  const char* place;  // +16
  uint32_t reserved20[2];
  ElementRecord* element;  // +28
  int32_t building;        // +32, kMenuBuilding while commands may be offered
  void* commandList;       // +36, offered to by its address
};
inline constexpr int32_t kMenuBuilding = 1;

struct RawPacket {  // 20 bytes
  uint32_t size;
  uint32_t length;      // +4 whole packet with header
  const uint8_t* data;  // +8
  uint32_t reserved12;
  uint32_t reserved16;
};

struct ProtocolCall {  // 20 bytes
  uint32_t size;
  const char* protocol;  // +4 "GG"
  const char* function;  // +8 "PFSendRawData"
  RawPacket* packet;     // +12
  uint32_t reserved16;
};

using EnumerateFn = int32_t(KVEL_CALL*)(ContactItem* item, void* context);

// The item kind of contacts: what an enumeration asks for, and what a
// contact's item carries.
inline constexpr uint32_t kContactKind = 3;

struct Enumeration {  // 20 bytes
  uint32_t size;
  uint32_t kind;  // +4, kContactKind
  uint32_t reserved8;
  EnumerateFn callback;  // +12
  void* context;         // +16
};

struct ContactItem {
  uint32_t reserved0;
  Param handle;  // +4
  uint32_t reserved8[3];
  uint32_t kind;  // +20, kContactKind for a contact
  uint32_t reserved24[5];
  const char* displayName;  // +44
  uint32_t reserved48[4];
  const char* id;  // +64, the GG number in decimal
};

struct ImageRecord {  // 32 bytes
  uint32_t size;
  uint32_t reserved4;
  void* bitmap;          // +8
  uint32_t transparent;  // +12
  uint32_t reserved16[2];
  int32_t width;   // +24
  int32_t height;  // +28
};

// The values an icon record of the plug-in carries; the host gives them no
// other meaning to the plug-in.
inline constexpr uint32_t kIconImageCount = 1;  // one image record
inline constexpr uint32_t kIconSlot = 2;        // the icon's place beside the item
inline constexpr uint32_t kIconStyle = 0x40000;
inline constexpr uint32_t kIconShown = 1;

struct IconRecord {  // 56 bytes
  uint32_t size;
  const char* set;      // +4 "kvel"
  uint32_t imageCount;  // +8 kIconImageCount
  ImageRecord* image;   // +12
  uint32_t slot;        // +16 kIconSlot
  uint32_t style;       // +20 kIconStyle
  uint32_t shown;       // +24 kIconShown
  uint32_t reserved28[7];
};

// ChangeItemIcon's answer for an item that has no icon of the record's set.
inline constexpr Param kNoSuchIcon = -1;

struct AddIcons {  // 16 bytes
  uint32_t size;
  Param item;        // +4
  IconRecord* icon;  // +8
  uint32_t count;    // +12, icon records at +8: 1
};

struct ChatRecord {  // 120 bytes
  uint32_t size;
  uint32_t reserved4[2];
  const char* contact;   // +12
  const char* protocol;  // +16
  uint32_t reserved20[25];
};

struct MessageRecord {  // 32 bytes
  uint32_t size;
  const char* senderId;    // +4
  const char* senderName;  // +8
  uint32_t time;           // +12
  uint32_t reserved16[2];
  const char* html;  // +24
  uint32_t flags;    // +28: kMessageFromPeer or kMessageFromUser
};
inline constexpr uint32_t kMessageFromPeer = 65;
inline constexpr uint32_t kMessageFromUser = 66;

struct LogRecord {  // 24 bytes
  const char* text;
  const char* tag;  // +4 "vask"
  uint8_t level;    // +8 kLogLevel
  uint8_t style;    // +9 kLogStyle
  uint8_t reserved10[14];
};
// What every line of the plug-in carries.
inline constexpr uint8_t kLogLevel = 1;
inline constexpr uint8_t kLogStyle = 0;

// Entry points exported by the DLL.
struct PluginInfo;
using GetPluginInfoFn = const PluginInfo*(KVEL_CALL*)();
using LoadPluginFn = int32_t(KVEL_CALL*)(HostLink* link);
using UnloadPluginFn = int32_t(KVEL_CALL*)();

struct PluginInfo {  // 52 bytes
  uint32_t size;
  const char* name;           // +4
  uint32_t pluginVersion;     // +8
  uint32_t interfaceVersion;  // +12, of the host's plug-in interface
  const char* description;    // +16
  const char* notice;         // +20
  const char* author;         // +24
  const char* contact;        // +28
  const char* empty;          // +32, "" not null
  uint32_t reserved36[4];
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(HostLink) == 20 && offsetof(HostLink, callService) == 8 &&
              offsetof(HostLink, serviceExists) == 16);
static_assert(offsetof(ProfileRecord, directory) == 12);
static_assert(offsetof(EventRecord, code) == 8);
static_assert(offsetof(PacketRef, length) == 4 && offsetof(PacketRef, data) == 8);
static_assert(sizeof(HookRecord) == 20 && offsetof(HookRecord, protocol) == 4 &&
              offsetof(HookRecord, hook) == 8 && offsetof(HookRecord, owner) == 16);
static_assert(sizeof(MenuItem) == 84 && offsetof(MenuItem, name) == 4 &&
              offsetof(MenuItem, menuClass) == 12 && offsetof(MenuItem, caption) == 16 &&
              offsetof(MenuItem, id) == 28 && offsetof(MenuItem, click) == 68 &&
              offsetof(MenuItem, owner) == 76);
static_assert(offsetof(ElementRecord, id) == 4 && offsetof(ElementRecord, protocol) == 8);
static_assert(offsetof(MenuContext, place) == 16 && offsetof(MenuContext, element) == 28 &&
              offsetof(MenuContext, building) == 32 && offsetof(MenuContext, commandList) == 36);
static_assert(sizeof(RawPacket) == 20 && offsetof(RawPacket, length) == 4 &&
              offsetof(RawPacket, data) == 8);
static_assert(sizeof(ProtocolCall) == 20 && offsetof(ProtocolCall, protocol) == 4 &&
              offsetof(ProtocolCall, function) == 8 && offsetof(ProtocolCall, packet) == 12);
static_assert(sizeof(Enumeration) == 20 && offsetof(Enumeration, kind) == 4 &&
              offsetof(Enumeration, callback) == 12 && offsetof(Enumeration, context) == 16);
static_assert(offsetof(ContactItem, handle) == 4 && offsetof(ContactItem, kind) == 20 &&
              offsetof(ContactItem, displayName) == 44 && offsetof(ContactItem, id) == 64);
static_assert(sizeof(ImageRecord) == 32 && offsetof(ImageRecord, bitmap) == 8 &&
              offsetof(ImageRecord, transparent) == 12 && offsetof(ImageRecord, width) == 24 &&
              offsetof(ImageRecord, height) == 28);
static_assert(sizeof(IconRecord) == 56 && offsetof(IconRecord, set) == 4 &&
              offsetof(IconRecord, imageCount) == 8 && offsetof(IconRecord, image) == 12 &&
              offsetof(IconRecord, slot) == 16 && offsetof(IconRecord, style) == 20 &&
              offsetof(IconRecord, shown) == 24);
static_assert(sizeof(AddIcons) == 16 && offsetof(AddIcons, item) == 4 &&
              offsetof(AddIcons, icon) == 8 && offsetof(AddIcons, count) == 12);
static_assert(sizeof(ChatRecord) == 120 && offsetof(ChatRecord, contact) == 12 &&
              offsetof(ChatRecord, protocol) == 16);
static_assert(sizeof(MessageRecord) == 32 && offsetof(MessageRecord, senderId) == 4 &&
              offsetof(MessageRecord, senderName) == 8 && offsetof(MessageRecord, time) == 12 &&
              offsetof(MessageRecord, html) == 24 && offsetof(MessageRecord, flags) == 28);
static_assert(sizeof(LogRecord) == 24 && offsetof(LogRecord, tag) == 4 &&
              offsetof(LogRecord, level) == 8 && offsetof(LogRecord, style) == 9);
static_assert(sizeof(PluginInfo) == 52 && offsetof(PluginInfo, pluginVersion) == 8 &&
              offsetof(PluginInfo, interfaceVersion) == 12 &&
              offsetof(PluginInfo, description) == 16 && offsetof(PluginInfo, empty) == 32);
#endif

}  // namespace kvel::host

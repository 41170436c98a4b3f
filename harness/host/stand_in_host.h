// The stand-in host: the least of the messenger host that the plug-in needs.
// It implements the host's service interface, records every service call with
// its decoded arguments and the raw bytes of its record, and keeps what the
// plug-in registered (hook, menu items, callbacks). One host per process: the
// service functions the plug-in calls carry no host pointer.
//
// Thread safety: services may be called from any thread; the host's lock is
// never held while it calls back into the plug-in.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace standin {

using kvel::host::Param;

struct ServiceCall {
  std::string service;
  Param wparam = 0;
  Param lparam = 0;
  std::string decoded;          // readable summary of the arguments
  std::vector<uint8_t> record;  // raw bytes of the wparam record, when it is one
  std::vector<uint8_t> extra;   // raw bytes of a record the wparam record points to
};

struct RegisteredMenuItem {
  std::string name;
  std::string menuClass;
  std::string caption;
  uint32_t id = 0;
  kvel::host::MenuClickFn click = nullptr;
  kvel::host::PluginHandle owner = nullptr;
};

// A contact-list item as the host keeps it; the record handed to the plug-in
// lives as long as the contact is listed.
struct Contact {
  Param handle = 0;
  std::string displayName;
  std::string id;  // the GG number in decimal for GG contacts
  uint32_t kind = 3;
};

struct SentPacket {
  std::vector<uint8_t> bytes;  // the whole GG packet, header included
  uint32_t type() const;
};

struct RegisteredHook {
  std::string protocol;
  kvel::host::ProtocolHookFn hook = nullptr;
  kvel::host::PluginHandle owner = nullptr;
  Param handle = 0;
};

class Host {
 public:
  using Handler = std::function<Param(Host& host, ServiceCall& call)>;

  // `profileDirectory` must end with a separator; it is what the plug-in is
  // given as the host's data directory.
  explicit Host(std::string profileDirectory);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The one host of this process; null when none exists.
  static Host* Current();

  kvel::host::HostLink* Link() { return &link_; }
  const std::string& ProfileDirectory() const { return profileDirectory_; }

  // Adds or replaces a service. Handlers run without the host's lock held.
  void RegisterService(const std::string& name, Handler handler);
  void RemoveService(const std::string& name);
  bool HasService(const std::string& name);

  // Makes "Tlen/GetProcAddress" with `id` answer `address` (0x1002 and the
  // like; 0x20001 is the host's own profile function).
  void RegisterProc(Param id, Param address);

  // Both true by default. Without the function "Tlen/GetProcAddress" 0x20001
  // answers 0; without the directory the function's record holds null.
  void SetProfileFunctionAvailable(bool available);
  void SetProfileDirectoryAvailable(bool available);
  // Offers "logplugin/add", which records every line.
  void OfferLogService(bool offered);

  // The contact list. Items are enumerated in the order they were added.
  void AddContact(const Contact& contact);
  void RemoveContact(Param handle);
  std::vector<Contact> Contacts();

  // Every packet the plug-in sent through "Tlen/ProtocolCallFunction" with
  // "PFSendRawData", in order. `onSent`, when set, sees each as it is sent
  // (without the host's lock).
  std::vector<SentPacket> SentPackets();
  void ClearSentPackets();
  void SetPacketSink(std::function<void(const std::vector<uint8_t>&)> onSent);

  // Everything recorded so far (copies, safe from any thread).
  std::vector<ServiceCall> Calls();
  std::vector<std::string> CallNames();
  std::vector<std::string> LogLines();
  std::vector<RegisteredMenuItem> MenuItems();
  std::vector<RegisteredHook> Hooks();
  std::vector<kvel::host::MenuCallbackFn> MenuCallbacks();
  void ClearCalls();

  // Hands an event of the GG protocol to every hook registered for "GG", in
  // order of registration, and returns the last hook's result (-1 when one
  // took the packet over, which ends the chain).
  int32_t DeliverGGEvent(uint32_t code, std::vector<uint8_t>& packet);

  // Entry points of the service interface (public for the thunks).
  Param Call(const char* service, Param wparam, Param lparam);
  int32_t Exists(const char* service);
  // What the profile function of "Tlen/GetProcAddress" 0x20001 returns.
  kvel::host::ProfileRecord* ProfileFunctionResult();

 private:
  void RegisterFrameServices();
  void RegisterContactServices();

  std::mutex mutex_;
  std::string profileDirectory_;
  kvel::host::HostLink link_{};
  kvel::host::ProfileRecord profileRecord_{};
  bool profileFunctionAvailable_ = true;
  bool profileDirectoryAvailable_ = true;
  std::map<std::string, Handler> services_;
  std::map<Param, Param> procs_;
  std::vector<ServiceCall> calls_;
  std::vector<std::string> logLines_;
  std::vector<RegisteredMenuItem> menuItems_;
  std::vector<RegisteredHook> hooks_;
  std::vector<kvel::host::MenuCallbackFn> menuCallbacks_;
  Param nextHookHandle_ = 0x4B00;
  // Contacts own their records; list order is enumeration order.
  struct ListedContact;
  std::vector<std::shared_ptr<ListedContact>> contacts_;
  std::vector<SentPacket> sentPackets_;
  std::function<void(const std::vector<uint8_t>&)> packetSink_;
};

// Copies `size` bytes at `address` (null gives an empty record).
std::vector<uint8_t> RecordBytes(const void* address, size_t size);
// The text at `address`, or "(null)".
std::string TextAt(const char* address);

}  // namespace standin

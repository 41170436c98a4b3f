#include "stand_in_host.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <sstream>

namespace standin {
namespace host = kvel::host;

namespace {
std::atomic<Host*> g_current{nullptr};

Param KVEL_CALL CallServiceThunk(host::PluginHandle, const char* service, Param wparam,
                                 Param lparam) {
  Host* current = g_current.load();
  return current == nullptr ? 0 : current->Call(service, wparam, lparam);
}

int32_t KVEL_CALL ServiceExistsThunk(host::PluginHandle, const char* service) {
  Host* current = g_current.load();
  return current == nullptr ? 0 : current->Exists(service);
}

host::ProfileRecord* KVEL_CALL ProfileFunction(Param, Param);
host::ProfileRecord g_noDirectory{};

host::ProfileRecord* KVEL_CALL ProfileFunction(Param, Param) {
  Host* current = g_current.load();
  if (current == nullptr) return &g_noDirectory;
  return current->ProfileFunctionResult();
}

std::string Hex(Param value) {
  std::ostringstream out;
  out << "0x" << std::hex << static_cast<uintptr_t>(value);
  return out.str();
}
}  // namespace

std::vector<uint8_t> RecordBytes(const void* address, size_t size) {
  if (address == nullptr) return {};
  const auto* bytes = static_cast<const uint8_t*>(address);
  return std::vector<uint8_t>(bytes, bytes + size);
}

std::string TextAt(const char* address) {
  return address == nullptr ? "(null)" : address;
}

Host::Host(std::string profileDirectory) : profileDirectory_(std::move(profileDirectory)) {
  link_.callService = &CallServiceThunk;
  link_.serviceExists = &ServiceExistsThunk;
  RegisterFrameServices();
  RegisterContactServices();
  g_current.store(this);
}

Host::~Host() {
  Host* self = this;
  g_current.compare_exchange_strong(self, nullptr);
}

Host* Host::Current() {
  return g_current.load();
}

void Host::RegisterService(const std::string& name, Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  services_[name] = std::move(handler);
}

void Host::RemoveService(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  services_.erase(name);
}

bool Host::HasService(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return services_.count(name) != 0;
}

void Host::RegisterProc(Param id, Param address) {
  std::lock_guard<std::mutex> lock(mutex_);
  procs_[id] = address;
}

void Host::SetProfileFunctionAvailable(bool available) {
  std::lock_guard<std::mutex> lock(mutex_);
  profileFunctionAvailable_ = available;
}

void Host::SetProfileDirectoryAvailable(bool available) {
  std::lock_guard<std::mutex> lock(mutex_);
  profileDirectoryAvailable_ = available;
}

void Host::OfferLogService(bool offered) {
  if (!offered) {
    RemoveService("logplugin/add");
    return;
  }
  RegisterService("logplugin/add", [](Host& h, ServiceCall& call) -> Param {
    auto* record = reinterpret_cast<host::LogRecord*>(call.wparam);
    call.record = RecordBytes(record, sizeof(host::LogRecord));
    std::string line = TextAt(record->text);
    call.decoded = "text=" + line + " tag=" + TextAt(record->tag) +
                   " level=" + std::to_string(record->level) +
                   " style=" + std::to_string(record->style);
    std::lock_guard<std::mutex> lock(h.mutex_);
    h.logLines_.push_back(line);
    return 1;
  });
}

std::vector<ServiceCall> Host::Calls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

std::vector<std::string> Host::CallNames() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  for (const ServiceCall& call : calls_) names.push_back(call.service);
  return names;
}

std::vector<std::string> Host::LogLines() {
  std::lock_guard<std::mutex> lock(mutex_);
  return logLines_;
}

std::vector<RegisteredMenuItem> Host::MenuItems() {
  std::lock_guard<std::mutex> lock(mutex_);
  return menuItems_;
}

std::vector<RegisteredHook> Host::Hooks() {
  std::lock_guard<std::mutex> lock(mutex_);
  return hooks_;
}

std::vector<host::MenuCallbackFn> Host::MenuCallbacks() {
  std::lock_guard<std::mutex> lock(mutex_);
  return menuCallbacks_;
}

void Host::ClearCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.clear();
}

int32_t Host::DeliverGGEvent(uint32_t code, std::vector<uint8_t>& packet) {
  std::vector<RegisteredHook> hooks = Hooks();
  host::EventRecord event{};
  event.code = code;
  host::PacketRef ref{};
  ref.length = static_cast<uint32_t>(packet.size());
  ref.data = packet.empty() ? nullptr : packet.data();
  int32_t result = 0;
  for (const RegisteredHook& hook : hooks) {
    if (hook.protocol != "GG" || hook.hook == nullptr) continue;
    result = hook.hook(&event, &ref);
    if (result == -1) break;
  }
  return result;
}

Param Host::Call(const char* service, Param wparam, Param lparam) {
  ServiceCall call;
  call.service = TextAt(service);
  call.wparam = wparam;
  call.lparam = lparam;
  Handler handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = services_.find(call.service);
    if (found != services_.end()) handler = found->second;
  }
  Param result = handler ? handler(*this, call) : 0;
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.push_back(std::move(call));
  return result;
}

int32_t Host::Exists(const char* service) {
  std::lock_guard<std::mutex> lock(mutex_);
  return services_.count(TextAt(service)) != 0 ? 1 : 0;
}

host::ProfileRecord* Host::ProfileFunctionResult() {
  std::lock_guard<std::mutex> lock(mutex_);
  profileRecord_ = {};
  profileRecord_.directory = profileDirectoryAvailable_ ? profileDirectory_.c_str() : nullptr;
  return &profileRecord_;
}

void Host::RegisterFrameServices() {
  services_["Tlen/GetProcAddress"] = [](Host& h, ServiceCall& call) -> Param {
    call.decoded = "proc=" + Hex(call.wparam);
    if (call.wparam == host::kProfileProc) {
      std::lock_guard<std::mutex> lock(h.mutex_);
      if (!h.profileFunctionAvailable_) return 0;
      return reinterpret_cast<Param>(&ProfileFunction);
    }
    std::lock_guard<std::mutex> lock(h.mutex_);
    auto found = h.procs_.find(call.wparam);
    return found == h.procs_.end() ? 0 : found->second;
  };
  services_["Tlen/ProtocolHookEvent"] = [](Host& h, ServiceCall& call) -> Param {
    auto* record = reinterpret_cast<host::HookRecord*>(call.wparam);
    call.record = RecordBytes(record, sizeof(host::HookRecord));
    RegisteredHook hook;
    hook.protocol = TextAt(record->protocol);
    hook.hook = record->hook;
    hook.owner = record->owner;
    std::lock_guard<std::mutex> lock(h.mutex_);
    hook.handle = h.nextHookHandle_++;
    h.hooks_.push_back(hook);
    call.decoded = "protocol=" + hook.protocol + " handle=" + Hex(hook.handle);
    return hook.handle;
  };
  services_["Tlen/ProtocolUnhookEvent"] = [](Host& h, ServiceCall& call) -> Param {
    std::string protocol = TextAt(reinterpret_cast<const char*>(call.wparam));
    call.decoded = "protocol=" + protocol + " handle=" + Hex(call.lparam);
    std::lock_guard<std::mutex> lock(h.mutex_);
    auto& hooks = h.hooks_;
    hooks.erase(std::remove_if(hooks.begin(), hooks.end(),
                               [&](const RegisteredHook& hook) {
                                 return hook.protocol == protocol && hook.handle == call.lparam;
                               }),
                hooks.end());
    return 0;
  };
  services_["Tlen/AddMenuItem"] = [](Host& h, ServiceCall& call) -> Param {
    auto* record = reinterpret_cast<host::MenuItem*>(call.wparam);
    call.record = RecordBytes(record, sizeof(host::MenuItem));
    RegisteredMenuItem item;
    item.name = TextAt(record->name);
    item.menuClass = TextAt(record->menuClass);
    item.caption = TextAt(record->caption);
    item.id = record->id;
    item.click = record->click;
    item.owner = record->owner;
    call.decoded =
        "name=" + item.name + " class=" + item.menuClass + " id=" + std::to_string(item.id);
    std::lock_guard<std::mutex> lock(h.mutex_);
    h.menuItems_.push_back(item);
    return 0;
  };
  services_["Tlen/AddMenuCallBack"] = [](Host& h, ServiceCall& call) -> Param {
    call.decoded = "class=" + TextAt(reinterpret_cast<const char*>(call.wparam));
    std::lock_guard<std::mutex> lock(h.mutex_);
    h.menuCallbacks_.push_back(reinterpret_cast<host::MenuCallbackFn>(call.lparam));
    return 0;
  };
  services_["Tlen/RemoveMenuCallBack"] = [](Host& h, ServiceCall& call) -> Param {
    call.decoded = "class=" + TextAt(reinterpret_cast<const char*>(call.wparam));
    auto callback = reinterpret_cast<host::MenuCallbackFn>(call.lparam);
    std::lock_guard<std::mutex> lock(h.mutex_);
    // One removal takes every registration of the callback away.
    auto& list = h.menuCallbacks_;
    list.erase(std::remove(list.begin(), list.end(), callback), list.end());
    return 0;
  };
}

uint32_t SentPacket::type() const {
  uint32_t value = 0;
  if (bytes.size() >= 4) std::memcpy(&value, bytes.data(), 4);
  return value;
}

struct Host::ListedContact {
  Contact contact;
  host::ContactItem item{};
};

void Host::AddContact(const Contact& contact) {
  auto listed = std::make_shared<ListedContact>();
  listed->contact = contact;
  listed->item.handle = contact.handle;
  listed->item.kind = contact.kind;
  listed->item.displayName = listed->contact.displayName.c_str();
  listed->item.id = listed->contact.id.c_str();
  std::lock_guard<std::mutex> lock(mutex_);
  contacts_.push_back(std::move(listed));
}

void Host::RemoveContact(Param handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(contacts_, [&](const auto& c) { return c->contact.handle == handle; });
}

std::vector<Contact> Host::Contacts() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Contact> result;
  for (const auto& c : contacts_) result.push_back(c->contact);
  return result;
}

std::vector<SentPacket> Host::SentPackets() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sentPackets_;
}

void Host::ClearSentPackets() {
  std::lock_guard<std::mutex> lock(mutex_);
  sentPackets_.clear();
}

void Host::SetPacketSink(std::function<void(const std::vector<uint8_t>&)> onSent) {
  std::lock_guard<std::mutex> lock(mutex_);
  packetSink_ = std::move(onSent);
}

void Host::RegisterContactServices() {
  services_["Tlen/ContactList/EnumerateItems"] = [](Host& h, ServiceCall& call) -> Param {
    auto* record = reinterpret_cast<host::Enumeration*>(call.wparam);
    call.record = RecordBytes(record, sizeof(host::Enumeration));
    call.decoded = "kind=" + std::to_string(record->kind);
    std::vector<std::shared_ptr<ListedContact>> snapshot;
    {
      std::lock_guard<std::mutex> lock(h.mutex_);
      snapshot = h.contacts_;
    }
    // The records stay valid after the enumeration: the plug-in reads the
    // found item's fields afterwards.
    for (const auto& listed : snapshot) {
      if (record->callback(&listed->item, record->context) == -1) break;
    }
    return 0;
  };
  services_["Tlen/ProtocolCallFunction"] = [](Host& h, ServiceCall& call) -> Param {
    auto* record = reinterpret_cast<host::ProtocolCall*>(call.wparam);
    call.record = RecordBytes(record, sizeof(host::ProtocolCall));
    call.decoded = "protocol=" + TextAt(record->protocol) + " function=" + TextAt(record->function);
    if (record->packet == nullptr) return 0;
    call.extra = RecordBytes(record->packet, sizeof(host::RawPacket));
    if (TextAt(record->function) != "PFSendRawData" || record->packet->data == nullptr) return 0;
    SentPacket packet;
    packet.bytes = RecordBytes(record->packet->data, record->packet->length);
    call.decoded += " length=" + std::to_string(record->packet->length);
    std::function<void(const std::vector<uint8_t>&)> sink;
    {
      std::lock_guard<std::mutex> lock(h.mutex_);
      h.sentPackets_.push_back(packet);
      sink = h.packetSink_;
    }
    if (sink) sink(packet.bytes);
    return 0;
  };
}

}  // namespace standin

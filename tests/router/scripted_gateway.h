// A router scripted by the test: what its search finds, its table of
// mappings (a port held for another machine is a conflict, one held for the
// same machine is taken over, as UPnP routers do), and whether it takes
// leases or answers at all.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "router/gateway.h"

namespace kvel::router::testing {

struct ScriptedGateway : Gateway {
  Found found{Found::Kind::Valid, "http://10.77.0.1:5000/rootDesc.xml", "10.77.0.2", "185.77.0.1"};
  std::map<uint16_t, Entry> table;
  std::map<uint16_t, uint32_t> leases;  // the lease each mapping was last given
  bool onlyPermanent = false;
  bool silent = false;  // no request is answered
  std::string askedUrl;
  int maps = 0;

  std::function<void()> beforeFind;  // a slow router: blocks here

  Found Find(const std::string& url, uint32_t) override {
    if (beforeFind) beforeFind();
    askedUrl = url;
    return found;
  }
  int Map(uint16_t external, const std::string& client, uint16_t internal,
          const std::string& description, uint32_t lease) override {
    ++maps;
    if (silent) return kNoAnswer;
    if (onlyPermanent && lease != 0) return kOnlyPermanent;
    auto held = table.find(external);
    if (held != table.end() && held->second.internalClient != client) return kConflict;
    table[external] = {client, std::to_string(internal), description};
    leases[external] = lease;
    return kDone;
  }
  int Remove(uint16_t external) override {
    if (silent) return kNoAnswer;
    return table.erase(external) == 1 ? kDone : kNoSuchEntry;
  }
  int EntryOf(uint16_t external, Entry* entry) override {
    if (silent) return kNoAnswer;
    auto held = table.find(external);
    if (held == table.end()) return kNoSuchEntry;
    *entry = held->second;
    return kDone;
  }
};

}  // namespace kvel::router::testing

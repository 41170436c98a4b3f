#include "p2p/listener.h"

namespace kvel::p2p {
namespace {
Listener g_listener;
}

Listener& ProcessListener() {
  return g_listener;
}

Listener::~Listener() {
  Stop();
}

bool Listener::Start() {
  return false;
}

void Listener::Stop() {
  stopRequested_ = true;
}

}  // namespace kvel::p2p

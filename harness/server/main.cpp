// kvel_gg_server: the stand-in GG server as a program.
//
//   kvel_gg_server [--listen ADDRESS] [--port N] [--report VIEWER:PEER:PORT]...
// Runs until its standard input ends; a line "relayed" there is answered with
// "relayed N", the count of messages it relayed.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "gg_server.h"

int main(int argc, char** argv) {
  standin::GGServer server;
  uint16_t port = 0;
  std::string listen = "127.0.0.1";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--listen" && i + 1 < argc) {
      listen = argv[++i];
    } else if (arg == "--port" && i + 1 < argc) {
      port = static_cast<uint16_t>(std::atoi(argv[++i]));
    } else if (arg == "--report" && i + 1 < argc) {
      unsigned viewer = 0, peer = 0, reported = 0;
      if (std::sscanf(argv[++i], "%u:%u:%u", &viewer, &peer, &reported) == 3) {
        server.SetReportedPort(viewer, peer, static_cast<uint16_t>(reported));
      }
    }
  }
  if (!server.Start(port, kvel::platform::InetAddr(listen.c_str()))) {
    std::fprintf(stderr, "kvel_gg_server: cannot listen on %s:%u\n", listen.c_str(), port);
    return 1;
  }
  std::printf("listening on %s:%u\n", listen.c_str(), server.Port());
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "relayed") {
      std::printf("relayed %zu\n", server.RelayedMessages().size());
      std::fflush(stdout);
    }
  }
  server.Stop();
  return 0;
}

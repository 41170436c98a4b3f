// kvel_demo: the demonstration. The stand-in GG server and two hosts, each
// with kvel.tpl, exchange a file and an image in both directions the way
// their users would; then, with two fresh hosts of which 1002 trusts 1001,
// 1001 picks three files at once: the two small enough come without a
// question, the larger one is asked. The program prints a short report and
// leaves the chat pages, the contact lists and screenshots of the transfer
// window with a transfer under way and with several rows and their time left
// in the results folder. It fails when a picture shows no transfer.
//
//   kvel_demo.exe RESULTS_FOLDER [FILE_MIB]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "world.h"
#include "world_files.h"

namespace {

using kvel::e2e::HostProcess;
using kvel::e2e::World;

// A 96 x 64 picture with colour bands, as a 24-bit .bmp.
void MakePicture(const std::string& path, int hue) {
  const int width = 96, height = 64, row = width * 3;
  std::vector<uint8_t> pixels(static_cast<size_t>(row * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels[static_cast<size_t>(y * row + x * 3)];
      p[0] = static_cast<uint8_t>((x * 255) / width);                   // blue
      p[1] = static_cast<uint8_t>((y * 255) / height);                  // green
      p[2] = static_cast<uint8_t>(hue + ((x / 12 + y / 16) % 2) * 60);  // red
    }
  }
  std::vector<uint8_t> file(54);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(54 + pixels.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, static_cast<uint32_t>(-height));  // top-down rows
  file[26] = 1;
  file[28] = 24;
  put32(34, static_cast<uint32_t>(pixels.size()));
  file.insert(file.end(), pixels.begin(), pixels.end());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

bool SendFile(HostProcess& from, HostProcess& to, const std::string& source,
              const std::string& target) {
  to.Command("answer yes");
  to.Command("save \"" + target + "\"");
  from.Command("open \"" + source + "\"");
  const uint64_t size = kvel::e2e::FileSize(source);
  auto start = std::chrono::steady_clock::now();
  from.Command("click kvel/send " + std::to_string(to.Settings().uin));
  bool arrived = kvel::e2e::WaitForSize(target, size, 300000);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bool same = arrived && kvel::e2e::FileSha256(target) == kvel::e2e::FileSha256(source);
  std::printf("file %u -> %u: %llu bytes in %.2f s, %.1f MB/s, SHA-256 %s\n", from.Settings().uin,
              to.Settings().uin, static_cast<unsigned long long>(size), seconds,
              size / 1e6 / seconds, same ? "match" : "DIFFERENT");
  std::printf("  sha256 %s\n", kvel::e2e::FileSha256(source).c_str());
  return same;
}

// Pictures the sender's transfer window with a transfer under way: the
// picture is taken again until it shows the row's bar and speed. The file is
// large enough to be under way for some seconds, since the window takes a
// moment to come up under Wine and the speed shows after a second of data.
// It must then arrive whole.
bool PictureTransfer(HostProcess& from, HostProcess& to, const std::string& source,
                     const std::string& target, const std::string& screenshot) {
  to.Command("answer yes");
  to.Command("save \"" + target + "\"");
  from.Command("open \"" + source + "\"");
  from.Command("click kvel/send " + std::to_string(to.Settings().uin));
  const bool pictured = kvel::e2e::WaitUntil(
      [&] {
        // The row names the file, and its speed is known a second after the
        // first bytes.
        const std::string rows = from.Command("rows");
        if (rows.find(".bin") == std::string::npos) return false;
        if (rows.find("| 0.00KB/s |") != std::string::npos) return false;
        return from.Command("screenshot \"" + screenshot + "\"").rfind("ok bar-pixels=0", 0) != 0;
      },
      60000, 50);
  if (!pictured) {
    std::printf("the transfer window's picture shows no transfer under way; its rows:\n%s\n",
                from.Command("rows").c_str());
  }
  // The measured transfers compare their bytes; this one, its size.
  const bool same = kvel::e2e::WaitForSize(target, kvel::e2e::FileSize(source), 300000);
  std::printf("transfer window pictured with a transfer under way: %s; that file %s\n",
              pictured ? "yes" : "NO", same ? "arrived whole" : "DID NOT ARRIVE WHOLE");
  DeleteFileA(target.c_str());
  return pictured && same;
}

// A page that shows a host's contact list as its user sees it: each contact
// with kvel's icon (saved beside the page) and its name.
void WriteContactList(HostProcess& host, const std::string& results) {
  const std::string own = std::to_string(host.Settings().uin);
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"windows-1250\"><title>" + own +
      "</title>\n<style>body { font: 14px sans-serif; margin: 16px; }\n"
      "li { list-style: none; margin: 6px 0; }\n"
      "img { width: 32px; height: 32px; image-rendering: pixelated; vertical-align: middle;"
      " margin-right: 8px; }</style></head><body>\n<h3>Kontakty " +
      own + "</h3>\n<ul>\n";
  for (const auto& [uin, name] : host.Settings().contacts) {
    const std::string icon = "contacts-" + own + "-" + std::to_string(uin) + ".bmp";
    host.Command("icon " + std::to_string(uin) + " \"" + results + icon + "\" shown");
    page +=
        "<li><img src=\"" + icon + "\" alt=\"\">" + name + " (" + std::to_string(uin) + ")</li>\n";
  }
  page += "</ul>\n</body></html>\n";
  kvel::e2e::WriteText(results + "contacts-" + own + ".html", page);
}

bool SendImage(HostProcess& from, HostProcess& to, const std::string& picture) {
  const std::string toId = std::to_string(to.Settings().uin);
  const std::string fromId = std::to_string(from.Settings().uin);
  size_t before = kvel::e2e::CountOf(to.Command("chat " + fromId), "<img");
  from.Command("open \"" + picture + "\"");
  from.Command("click kvel/sendimage " + toId + " chat");
  const bool shownThere = kvel::e2e::WaitUntil(
      [&] { return kvel::e2e::CountOf(to.Command("chat " + fromId), "<img") > before; }, 20000,
      100);
  bool shownHere = from.Command("chat " + toId).find("flags=66") != std::string::npos;
  std::printf("image %u -> %u: shown at the sender %s, at the recipient %s\n", from.Settings().uin,
              to.Settings().uin, shownHere ? "yes" : "NO", shownThere ? "yes" : "NO");
  return shownHere && shownThere;
}

// The lines of a command's answer.
std::vector<std::string> Lines(const std::string& answer) {
  std::vector<std::string> lines;
  std::istringstream in(answer);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// How many of the transfer window's rows (the "rows" answer) tell a time
// left: a speed is known and their last cell is not the dash of an unknown
// one.
size_t RowsWithTimeLeft(const std::string& rows) {
  size_t count = 0;
  for (const std::string& row : Lines(rows)) {
    const size_t last = row.rfind(" | ");
    if (row.rfind("  | ", 0) != 0 || last == std::string::npos) continue;
    const std::string cell = row.substr(last + 3);
    count += !cell.empty() && cell != "\x96" && row.find("| 0.00KB/s |") == std::string::npos;
  }
  return count;
}

// Whether one of the dialogs a host's user answered (the "dialogs" answer)
// is a question naming `name`.
bool AskedAbout(const std::string& dialogs, const std::string& name) {
  for (const std::string& line : Lines(dialogs)) {
    if (line.rfind("  question ", 0) == 0 && line.find(name) != std::string::npos) return true;
  }
  return false;
}

// Host 1002 takes 1001's files up to `kTrustedKb` without the question. 1001
// picks three files in one open dialog: two below that size, which come
// unasked into 1002's "odebrane" folder, and one above, which 1002's user is
// asked for and saves. The sender's window is pictured with several rows
// and their time left; each file's outcome and SHA-256 are reported.
constexpr uint64_t kTrustedKb = 600000;

bool SendThreeAtOnce(const std::string& worldDir, const std::string& results) {
  World world(worldDir);
  const std::string trust =
      "[autoaccept]\r\nuins=1001\r\nmaxkb=" + std::to_string(kTrustedKb) + "\r\n";
  HostProcess& a = world.AddHost({1001, kvel::e2e::FreePort(), {{1002, "Bolek"}}, ""});
  HostProcess& b = world.AddHost({1002, kvel::e2e::FreePort(), {{1001, "Alek"}}, trust});
  if (!a.Started() || !b.Started() || !a.WaitFor("contacts", "icon=green") ||
      !b.WaitFor("contacts", "icon=green")) {
    std::printf("the hosts of the three files did not come up\n");
    return false;
  }
  const std::string picked = worldDir + "picked\\", saved = worldDir + "saved\\";
  CreateDirectoryA(picked.c_str(), nullptr);
  CreateDirectoryA(saved.c_str(), nullptr);
  const struct {
    const char* name;
    uint64_t mebibytes;
  } files[] = {{"wakacje 1.bin", 512}, {"wakacje 2.bin", 512}, {"film.bin", 768}};
  std::printf(
      "three files picked at once, 1001 -> 1002, which takes 1001's files up to %llu KB "
      "without asking:\n",
      static_cast<unsigned long long>(kTrustedKb));
  for (size_t i = 0; i < 3; ++i) {
    kvel::e2e::MakeFile(picked + files[i].name, files[i].mebibytes * 1024 * 1024,
                        40 + static_cast<uint32_t>(i));
  }
  b.Command("answer yes");
  b.Command("save \"" + saved + "\"");
  a.Command("open-many \"" + picked.substr(0, picked.size() - 1) + "\" \"" + files[0].name +
            "\" \"" + files[1].name + "\" \"" + files[2].name + "\"");
  a.Command("click kvel/send 1002");
  const std::string screenshot = results + "transfer-window-three.png";
  const bool pictured = kvel::e2e::WaitUntil(
      [&] {
        if (RowsWithTimeLeft(a.Command("rows")) < 2) return false;
        return a.Command("screenshot \"" + screenshot + "\"").rfind("ok bar-pixels=0", 0) != 0;
      },
      60000, 50);
  std::printf("  the sender's window pictured with several rows and their time left: %s\n",
              pictured ? "yes" : "NO");
  if (!pictured) std::printf("%s\n", a.Command("rows").c_str());

  bool ok = pictured;
  const std::string unasked = b.Profile() + "kvel\\odebrane\\";
  for (const auto& file : files) {
    const bool below = file.mebibytes * 1024 <= kTrustedKb;
    const std::string source = picked + file.name;
    const std::string target = (below ? unasked : saved) + file.name;
    const uint64_t size = kvel::e2e::FileSize(source);
    const bool arrived = kvel::e2e::WaitForSize(target, size, 300000);
    const bool same = arrived && kvel::e2e::FileSha256(target) == kvel::e2e::FileSha256(source);
    const bool asked = AskedAbout(b.Command("dialogs"), file.name);
    const bool told =
        a.WaitFor("log", "send peer=1002 bytes=" + std::to_string(size) + " outcome=done", 20000);
    std::printf("  %-14s %3llu MiB: %s, outcome %s, SHA-256 %s\n", file.name,
                static_cast<unsigned long long>(file.mebibytes),
                asked ? "asked and saved" : "taken without a question", told ? "done" : "NOT DONE",
                same ? "match" : "DIFFERENT");
    ok &= same && told && asked != below;
    DeleteFileA(target.c_str());
    DeleteFileA(source.c_str());
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kvel_demo RESULTS_FOLDER [FILE_MIB]\n");
    return 2;
  }
  std::string results = argv[1];
  if (results.back() != '\\') results += '\\';
  const uint64_t mebibytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 64;
  CreateDirectoryA(results.c_str(), nullptr);
  const std::string worldDir = results + "world\\";
  CreateDirectoryA(worldDir.c_str(), nullptr);

  bool ok = true;
  {
    World world(worldDir);
    HostProcess& a = world.AddHost({1001, kvel::e2e::FreePort(), {{1002, "Bolek"}}, ""});
    HostProcess& b = world.AddHost({1002, kvel::e2e::FreePort(), {{1001, "Alek"}}, ""});
    if (!a.Started() || !b.Started() || !a.WaitFor("contacts", "icon=green") ||
        !b.WaitFor("contacts", "icon=green")) {
      std::printf("the hosts did not come up\n");
      return 1;
    }
    std::printf("hosts 1001 (Alek) and 1002 (Bolek) logged in; contact icons:\n%s\n%s\n",
                a.Command("contacts").c_str(), b.Command("contacts").c_str());
    WriteContactList(a, results);
    WriteContactList(b, results);

    const std::string sample = worldDir + "sample.bin";
    kvel::e2e::MakeFile(sample, mebibytes * 1024 * 1024, 2026);
    const std::string large = worldDir + "pictured.bin";
    kvel::e2e::MakeFile(large, 1024ull * 1024 * 1024, 7);
    ok &= PictureTransfer(a, b, large, worldDir + "pictured-by-1002.bin",
                          results + "transfer-window.png");
    DeleteFileA(large.c_str());
    ok &= SendFile(a, b, sample, worldDir + "received-by-1002.bin");
    ok &= SendFile(b, a, sample, worldDir + "received-by-1001.bin");

    const std::string pictureA = worldDir + "from-alek.bmp";
    const std::string pictureB = worldDir + "from-bolek.bmp";
    MakePicture(pictureA, 40);
    MakePicture(pictureB, 160);
    ok &= SendImage(a, b, pictureA);
    ok &= SendImage(b, a, pictureB);

    for (HostProcess* host : {&a, &b}) {
      const std::string peer = host == &a ? "1002" : "1001";
      const std::string page = host->Profile() + "chat_GG_" + peer + ".html";
      const std::string copy = results + "chat-" + std::to_string(host->Settings().uin) + ".html";
      CopyFileA(page.c_str(), copy.c_str(), FALSE);
    }
    DeleteFileA(sample.c_str());
    DeleteFileA((worldDir + "received-by-1002.bin").c_str());
    DeleteFileA((worldDir + "received-by-1001.bin").c_str());
  }
  const std::string trustedDir = worldDir + "trusted\\";
  CreateDirectoryA(trustedDir.c_str(), nullptr);
  ok &= SendThreeAtOnce(trustedDir, results);
  std::printf("%s\n", ok ? "demonstration passed" : "demonstration FAILED");
  return ok ? 0 : 1;
}

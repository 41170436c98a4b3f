#include "host_commands.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>

#include "contact_menu.h"
#include "all_windows.h"
#include "main_thread.h"
#include "png_file.h"
#include "transfer_window_driver.h"
#include "ui/bar_colours.h"
#include "ui_driver.h"

namespace standin {
namespace {

std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// A dialog command's argument: a path to fill in, or "cancel".
std::optional<std::string> DialogChoice(const std::string& argument) {
  if (argument == "cancel") return std::nullopt;
  return argument;
}

// The state a contact's "kvel" icon shows, read from the colour of its disc.
std::string IconState(ContactListIcons& icons, Param item) {
  std::optional<IconPicture> icon = icons.Current(item);
  if (!icon) return "none";
  if (icon->rgb.empty() || icon->pixelWidth < 13 || icon->pixelHeight < 13) return "set";
  size_t at = (12u * static_cast<size_t>(icon->pixelWidth) + 12u) * 3u;
  const uint8_t r = icon->rgb[at], g = icon->rgb[at + 1], b = icon->rgb[at + 2];
  if (r == 255 && g == 0 && b == 0) return "red";
  if (r == 255 && g == 169 && b == 51) return "orange";
  if (r == 140 && g == 140 && b == 140) return "grey";
  if (r == 102 && g == 204 && b == 51) return "green";
  return Format("rgb(%u,%u,%u)", r, g, b);
}

// Pixels in the colours of the transfer window's progress bars (sending
// green, receiving red): a picture that has none shows no transfer under way.
size_t CountBarPixels(const Image& image) {
  size_t count = 0;
  for (uint32_t pixel : image.pixels) {
    for (const kvel::ui::BarColour& bar : {kvel::ui::kSendBar, kvel::ui::kReceiveBar}) {
      if (pixel == Rgb(bar.red, bar.green, bar.blue)) ++count;
    }
  }
  return count;
}

BOOL CALLBACK ListWindow(HWND window, LPARAM context) {
  DWORD process = 0;
  DWORD thread = GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  char title[256] = {}, name[64] = {};
  GetWindowTextA(window, title, sizeof title);
  GetClassNameA(window, name, sizeof name);
  *reinterpret_cast<std::string*>(context) +=
      Format("\n  %s \"%s\" thread=%lu visible=%d", name, title, static_cast<unsigned long>(thread),
             IsWindowVisible(window) ? 1 : 0);
  return TRUE;
}

}  // namespace

std::string CallReport(const std::vector<ServiceCall>& calls) {
  std::string out;
  for (const ServiceCall& call : calls) {
    out += Format("  %-32s %s\n", call.service.c_str(), call.decoded.c_str());
  }
  return out;
}

std::string RegistrationReport(const PluginModule& module, Host& host) {
  const kvel::host::PluginInfo* info = module.GetPluginInfo();
  std::string out = Format("plug-in information (%u bytes)\n", info->size);
  out += Format("  name:        %s\n", info->name);
  out += Format("  versions:    0x%X 0x%X\n", info->pluginVersion, info->interfaceVersion);
  out += Format("  description: %s\n", info->description);
  out += Format("  notice:      %s\n", info->notice);
  out += Format("  author:      %s <%s>\n", info->author, info->contact);
  out += "service calls\n" + CallReport(host.Calls());
  for (const RegisteredHook& hook : host.Hooks()) {
    out += Format("hook: protocol %s, handle 0x%lX\n", hook.protocol.c_str(),
                  static_cast<unsigned long>(hook.handle));
  }
  for (const RegisteredMenuItem& item : host.MenuItems()) {
    out += Format("menu item %u: %s \"%s\" in %s\n", item.id, item.name.c_str(),
                  item.caption.c_str(), item.menuClass.c_str());
  }
  out += Format("menu callbacks registered: %lu\n",
                static_cast<unsigned long>(host.MenuCallbacks().size()));
  out += "log lines\n";
  for (const std::string& line : host.LogLines()) out += "  " + line + "\n";
  return out;
}

void AddHostCommands(Commands& commands, HostSession& session) {
  Commands* all = &commands;
  HostSession* s = &session;
  commands.Add("help", "- lists the commands", [all](const auto&) { return all->Help(); });
  commands.Add("status", "- number, GG connection, profile", [s](const auto&) {
    return Format("ok uin=%u connected=%d profile=%s", s->uin, s->gg.Connected() ? 1 : 0,
                  s->host.ProfileDirectory().c_str());
  });
  commands.Add("contacts", "- the contact list", [s](const auto&) {
    std::string out = "ok contacts";
    for (const Contact& contact : s->host.Contacts()) {
      out += Format("\n  %s \"%s\" handle=%ld icon=%s", contact.id.c_str(),
                    contact.displayName.c_str(), static_cast<long>(contact.handle),
                    IconState(s->icons, contact.handle).c_str());
    }
    return out;
  });
  commands.Add(
      "icon", "UIN PATH [shown] - saves the contact's icon as a .bmp (shown: as the list draws it)",
      [s](const auto& args) {
        if (args.size() < 2) return std::string("error icon UIN PATH");
        const bool shown = args.size() > 2 && args[2] == "shown";
        for (const Contact& contact : s->host.Contacts()) {
          if (contact.id != args[0]) continue;
          if (shown ? s->icons.SaveShownBmp(contact.handle, args[1])
                    : s->icons.SaveBmp(contact.handle, args[1]))
            return std::string("ok");
        }
        return std::string("error no icon");
      });
  commands.Add("log", "- the plug-in's log lines", [s](const auto&) {
    std::string out = "ok log";
    for (const std::string& line : s->host.LogLines()) out += "\n  " + line;
    return out;
  });
  commands.Add("packets", "- GG packets the plug-in sent (type and length)", [s](const auto&) {
    std::string out = "ok packets";
    for (const SentPacket& packet : s->host.SentPackets()) {
      out += Format("\n  type=%u length=%lu", packet.type(),
                    static_cast<unsigned long>(packet.bytes.size()));
    }
    return out;
  });
  commands.Add("chat", "UIN - the messages shown in the chat window of UIN", [s](const auto& args) {
    if (args.empty()) return std::string("error chat UIN");
    std::string out = "ok chat " + s->chats.FilePath("GG", args[0]);
    for (const ShownMessage& m : s->chats.Messages()) {
      if (m.contact != args[0]) continue;
      out += Format("\n  flags=%u sender=%s name=\"%s\" ", m.flags, m.senderId.c_str(),
                    m.senderName.c_str());
      out += m.html;
    }
    return out;
  });
  // Menus are built on the main thread, as the host builds them; the click
  // runs there later, so that a command that opens a modal dialog does not
  // hold up the answer (the UI driver answers the dialog).
  commands.Add("click", "COMMAND UIN [chat] - opens UIN's menu and clicks COMMAND",
               [s](const auto& args) {
                 if (args.size() < 2) return std::string("error click COMMAND UIN [chat]");
                 std::string place =
                     args.size() > 2 && args[2] == "chat" ? "Tlen/ChatWindow" : "Tlen/ContactList";
                 auto menu = std::make_shared<ContactMenu>(s->host, place, args[1]);
                 std::string offered = RunOnMainThread([menu] {
                   menu->Build();
                   std::string list;
                   for (const std::string& command : menu->Offered()) list += " " + command;
                   return list;
                 });
                 if (offered.find(" " + args[0]) == std::string::npos) {
                   return "error not offered; offered:" + offered;
                 }
                 std::string command = args[0];
                 PostToMainThread([menu, command] { menu->Click(command); });
                 return "ok clicked " + command + "; offered:" + offered;
               });
  commands.Add("menu", "UIN [chat] - the commands UIN's menu offers", [s](const auto& args) {
    if (args.empty()) return std::string("error menu UIN [chat]");
    std::string place =
        args.size() > 1 && args[1] == "chat" ? "Tlen/ChatWindow" : "Tlen/ContactList";
    return RunOnMainThread([s, place, uin = args[0]] {
      ContactMenu menu(s->host, place, uin);
      menu.Build();
      std::string out = "ok offered";
      for (const std::string& command : menu.Offered()) out += " " + command;
      return out;
    });
  });
  commands.Add("answer", "yes|no - answers the next question box", [s](const auto& args) {
    if (args.empty()) return std::string("error answer yes|no");
    s->driver.QueueAnswer(args[0] == "yes");
    return std::string("ok");
  });
  commands.Add("choose", "PATH|cancel - fills or cancels the next file dialog",
               [s](const auto& args) {
                 if (args.empty()) return std::string("error choose PATH|cancel");
                 s->driver.QueueFileChoice(DialogChoice(args[0]));
                 return std::string("ok");
               });
  commands.Add("open", "PATH|cancel - fills or cancels the next open dialog",
               [s](const auto& args) {
                 if (args.empty()) return std::string("error open PATH|cancel");
                 s->driver.QueueOpenChoice(DialogChoice(args[0]));
                 return std::string("ok");
               });
  commands.Add("open-many",
               "FOLDER NAME... - picks several files of FOLDER in the next open dialog",
               [s](const auto& args) {
                 if (args.size() < 2) return std::string("error open-many FOLDER NAME...");
                 s->driver.QueueOpenChoices(args[0], {args.begin() + 1, args.end()});
                 return std::string("ok");
               });
  commands.Add("save", "PATH|FOLDER\\|cancel - fills or cancels the next save dialog",
               [s](const auto& args) {
                 if (args.empty()) return std::string("error save PATH|cancel");
                 s->driver.QueueSaveChoice(DialogChoice(args[0]));
                 return std::string("ok");
               });
  commands.Add("dialogs", "- every dialog the user answered", [s](const auto&) {
    std::string out = "ok dialogs";
    for (const UiDriver::Dialog& d : s->driver.Seen()) {
      out += "\n  " + d.kind + " \"" + d.caption + "\" " + d.text;
    }
    return out;
  });
  commands.Add("rows", "- the transfer window's rows, cell by cell", [](const auto&) {
    TransferWindowDriver window;
    if (!window.Found()) return std::string("ok rows 0 (no window)");
    std::vector<std::vector<std::string>> rows = window.Rows();
    std::string out = Format("ok rows %lu%s", static_cast<unsigned long>(rows.size()),
                             window.Visible() ? "" : " (hidden)");
    for (const auto& row : rows) {
      out += "\n ";
      for (const std::string& cell : row) out += " | " + cell;
    }
    return out;
  });
  commands.Add("stop", "ROW - selects a row of the transfer window and presses Przerwij",
               [](const auto& args) {
                 TransferWindowDriver window;
                 if (!window.Found()) return std::string("error no window");
                 int row = args.empty() ? 0 : std::atoi(args[0].c_str());
                 if (row >= window.RowCount()) return std::string("error no such row");
                 window.SelectRow(row);
                 window.PressStop();
                 return std::string("ok");
               });
  commands.Add("open-row", "ROW - double-clicks a row of the transfer window",
               [](const auto& args) {
                 TransferWindowDriver window;
                 const int row = args.empty() ? 0 : std::atoi(args[0].c_str());
                 if (!window.Found() || row >= window.RowCount())
                   return std::string("error no such row");
                 window.DoubleClickRow(row);
                 return std::string("ok");
               });
  commands.Add("tip", "ROW - the tip of a row of the transfer window", [](const auto& args) {
    TransferWindowDriver window;
    const int row = args.empty() ? 0 : std::atoi(args[0].c_str());
    if (!window.Found() || row >= window.RowCount()) return std::string("error no such row");
    return "ok tip " + window.RowTip(row);
  });
  commands.Add("opens", "- the files the desktop was asked to open (with --record-opens)",
               [s](const auto&) {
                 std::string out = "ok opens";
                 std::ifstream log(s->OpenedLog());
                 for (std::string path; std::getline(log, path);) out += "\n  " + path;
                 return out;
               });
  commands.Add("screenshot",
               "PATH - the transfer window as a PNG, its bar pixels, and whether every column "
               "shows whole",
               [](const auto& args) {
                 TransferWindowDriver window;
                 if (!window.Found() || args.empty()) return std::string("error no window");
                 const Image image = window.CaptureWindow();
                 if (!WritePng(args[0], image)) return std::string("error");
                 return Format("ok bar-pixels=%zu columns=%zu fit=%s", CountBarPixels(image),
                               window.ColumnHeaders().size(), window.ColumnsFit() ? "yes" : "no");
               });
  commands.Add("windows", "- this process's top-level windows", [](const auto&) {
    std::string out = "ok windows";
    EnumAllTopLevelWindows(&ListWindow, reinterpret_cast<LPARAM>(&out));
    return out;
  });
  commands.Add("logout", "- leaves the GG server", [s](const auto&) {
    s->gg.Disconnect();
    return std::string("ok");
  });
  commands.Add("login", "- logs in to the GG server again", [s](const auto&) {
    if (s->gg.Connected()) return std::string("error already connected");
    return s->gg.Connect(s->serverPort, s->uin, 0) ? std::string("ok") : std::string("error");
  });
  commands.Add("quit", "- unloads the plug-in and ends", [](const auto&) {
    QuitMainThread();
    return std::string("ok");
  });
}

}  // namespace standin

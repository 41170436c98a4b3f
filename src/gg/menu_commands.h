// The contact menu: which of the plug-in's commands a menu offers, and the
// click functions of "kvel/send" and "kvel/sendimage".
#pragma once

#include <cstdint>

#include "gg/command_services.h"
#include "host/host_services.h"

namespace kvel::gg {

// The menu state callback's work: offers "kvel/sendimage" (GG chat window
// only) and "kvel/send" (any GG element) through the host; 1 when it offered
// "kvel/send", else 0.
int32_t OfferCommands(host::HostServices& services, int32_t event, host::MenuContext* context);

// "Wyślij plik": error box, call-back request or outgoing connection; always 0.
// "Wyślij obrazek": picks a picture and offers it; always 0.
int32_t SendFileCommandWith(const host::MenuContext* context, CommandServices& services);
int32_t SendImageCommandWith(const host::MenuContext* context, CommandServices& services);

// The GG number that leads an element's id text, read as the C library's
// decimal conversion does (white space, one sign, digits); 0 without digits.
uint32_t LeadingNumber(const char* text);

}  // namespace kvel::gg

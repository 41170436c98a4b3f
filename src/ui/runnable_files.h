// Which received files the desktop would run rather than open as a
// document: programs, installers, scripts and links. Opening such a file
// from the transfer window shows it in its folder instead, so that a
// double click never runs what a contact sent. Pure: a path in, a verdict
// out.
#pragma once

#include <string_view>

namespace kvel::ui {

// Whether the file at `path` is run when opened, judged by the last
// extension of its name, in any letter case, with the trailing dots and
// blanks dropped that Windows drops from a name.
bool RunsWhenOpened(std::string_view path);

}  // namespace kvel::ui

#include "platform/chosen_files.h"

#include <string_view>

namespace kvel::platform {
namespace {

// The text at `at` up to its NUL; false when no NUL ends it within `answer`.
bool TextAt(std::span<const char> answer, size_t at, std::string_view* text) {
  for (size_t end = at; end < answer.size(); ++end) {
    if (answer[end] == '\0') {
      *text = std::string_view(answer.data() + at, end - at);
      return true;
    }
  }
  return false;
}

char SeparatorOf(std::string_view folder) {
  const bool slashes = folder.find('/') != std::string_view::npos;
  const bool backslashes = folder.find('\\') != std::string_view::npos;
  return slashes && !backslashes ? '/' : '\\';
}

}  // namespace

std::vector<std::string> ChosenFiles(std::span<const char> answer) {
  std::vector<std::string> paths;
  std::string_view first;
  if (!TextAt(answer, 0, &first) || first.empty()) return paths;
  size_t at = first.size() + 1;
  // One file: its whole path, and nothing (or an empty text) after it.
  if (at >= answer.size() || answer[at] == '\0') {
    paths.emplace_back(first);
    return paths;
  }
  // A folder whose first name was cut names no file.
  std::string_view name;
  if (!TextAt(answer, at, &name)) return paths;
  const char separator = SeparatorOf(first);
  const bool ends = first.back() == '\\' || first.back() == '/';
  do {
    std::string path(first);
    if (!ends) path += separator;
    path += name;
    paths.push_back(std::move(path));
    at += name.size() + 1;
  } while (TextAt(answer, at, &name) && !name.empty());
  return paths;
}

}  // namespace kvel::platform

#include "commands.h"

#include <sstream>

namespace standin {

void Commands::Add(const std::string& name, const std::string& help, Handler handler) {
  entries_[name] = {help, std::move(handler)};
}

std::string Commands::Run(const std::string& line) {
  std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return "error empty command";
  auto found = entries_.find(words[0]);
  if (found == entries_.end()) return "error unknown command " + words[0];
  words.erase(words.begin());
  return found->second.handler(words);
}

std::string Commands::Help() const {
  std::string out = "ok commands";
  for (const auto& [name, entry] : entries_) out += "\n  " + name + " " + entry.help;
  return out;
}

std::vector<std::string> SplitWords(const std::string& line) {
  // Words are separated by blanks; a word in double quotes may hold blanks.
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t' || c == '\r' || c == '\n') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

}  // namespace standin

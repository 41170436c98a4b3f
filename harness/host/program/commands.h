// The host program's commands: a small line protocol that the console and the
// control connection share. A command is a line of words; its answer is any
// number of lines, the first "ok ..." or "error ...".
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace standin {

class Commands {
 public:
  using Handler = std::function<std::string(const std::vector<std::string>& args)>;

  void Add(const std::string& name, const std::string& help, Handler handler);
  // Runs one line; unknown commands answer "error unknown command".
  std::string Run(const std::string& line);
  std::string Help() const;

 private:
  struct Entry {
    std::string help;
    Handler handler;
  };
  std::map<std::string, Entry> entries_;
};

std::vector<std::string> SplitWords(const std::string& line);

}  // namespace standin

#include "app/command_line.hpp"

#include "common/errors.hpp"

namespace dls {

CommandLine::CommandLine(int argc, char** argv, const std::function<bool(const std::string&)>& isFlag)
    : program_(argc > 0 ? argv[0] : "dlspecies") {
  std::string pending;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!arg.empty() && arg[0] == '-') {
      if (!pending.empty()) {
        store(pending, "");
        pending.clear();
      }
      const std::size_t eq = arg.find('=');
      if (eq != std::string::npos)
        store(arg.substr(0, eq), arg.substr(eq + 1));
      else if (isFlag(arg))
        store(arg, "");
      else
        pending = arg;
    } else {
      // A value belongs to the option written just before it; a stray value
      // is reported as unknown.
      if (pending.empty())
        strayValues_.push_back(arg);
      else
        store(pending, arg);
      pending.clear();
    }
  }
  if (!pending.empty()) store(pending, "");
}

void CommandLine::store(const std::string& name, const std::string& value) {
  if (arguments_.count(name) != 0) throw InputError("more than one argument " + name);
  arguments_.emplace(name, Argument{name, value, false});
}

CommandLine::Argument* CommandLine::find(const std::string& name) {
  const auto it = arguments_.find(name);
  if (it == arguments_.end()) return nullptr;
  it->second.used = true;
  return &it->second;
}

bool CommandLine::firstUnknown(std::string& argument) const {
  if (!strayValues_.empty()) {
    argument = strayValues_.front();
    return true;
  }
  for (const auto& entry : arguments_) {
    if (entry.second.used) continue;
    argument = entry.first;
    return true;
  }
  return false;
}

}  // namespace dls

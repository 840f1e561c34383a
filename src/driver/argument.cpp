#include "driver/argument.hpp"

std::map<std::string, Argument> Argument::args;

void Argument::store(const std::string& name, const std::string& value) {
  if (args.count(name) != 0) fatalError("more than one argument " + name);
  args.emplace(name, Argument(name, value));
}

void Argument::add(int argc, char** argv) {
  if (argc < 2) return;
  std::string pending;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!arg.empty() && arg[0] == '-') {
      if (!pending.empty()) {
        store(pending, "");
        pending.clear();
      }
      const std::size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        store(arg.substr(0, eq), arg.substr(eq + 1));
      } else {
        pending = arg;
      }
    } else {
      // A value belongs to the option written just before it; a stray value
      // is stored under the empty name and later reported as unknown.
      store(pending, arg);
      pending.clear();
    }
  }
  if (!pending.empty()) store(pending, "");
}

Argument* Argument::find(const std::string& name) {
  auto it = args.find(name);
  if (it == args.end()) return nullptr;
  it->second.used = true;
  return &it->second;
}

std::vector<Argument*> Argument::unusedArgs() {
  std::vector<Argument*> unused;
  for (auto& entry : args)
    if (!entry.second.used) unused.push_back(&entry.second);
  return unused;
}

#pragma once
// Every option of the command line, declared once: its names, the kind and
// range of its value, its help lines, the field of Options it sets, and
// whether it travels to the other ranks of a cluster run. The table drives
// the argument splitter (which options take a value), the parser, the help
// text (and so the manual and the README's table, checked against it) and
// what rank 0 sends the other ranks.

#include <cstdint>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "app/command_line.hpp"
#include "app/options.hpp"

namespace dls {

// The field of Options an option sets; none for version and help. (The
// seed, a std::uint32_t, is an unsigned.)
using OptionField = std::variant<std::monostate, bool*, int*, unsigned*, double*, std::string*, char*, OutputFormat*,
                                 StartTree*, LossScope*, GeneTreeSupport*>;
static_assert(std::is_same_v<std::uint32_t, unsigned>, "the seed is set as an unsigned");

enum class ValueKind {
  none,         // a flag: sets its field to `setting`
  wholeNumber,  // digits, from min to max
  decimal,      // a decimal number >= 0
  word,         // one of `words`, setting the field to the word's number in the list
  fileName,     // a path, not empty
  character,    // a single character
};

struct OptionSpec {
  std::string shortName;  // "-i"; empty: none
  std::string longName;   // "--input"
  std::string valueText;  // the value as the help writes it ("<file>", "0|1"); empty for a flag
  ValueKind kind = ValueKind::none;
  std::uint64_t min = 0, max = 0;  // of a whole number
  std::vector<std::string> words;  // the values of a word
  int setting = 1;                 // what a flag sets its field to
  std::vector<std::string> help;   // its lines in the help
  bool travels = false;            // sent to the other ranks
  OptionField (*field)(Options&) = nullptr;
};

// In the help's order, which is also the order options are read in (it
// decides the error shown when several are wrong).
const std::vector<OptionSpec>& optionTable();

// The option of that name (short or long, as written), or null; and
// whether it is a known option that takes no value.
const OptionSpec* findOption(const std::string& name);
bool isFlagOption(const std::string& name);

// Sets the options given on the command line, in table order, each once
// (both names given is one option given twice); absent ones keep their
// value. Throws InputError for a bad value.
void parseOptions(CommandLine& line, Options& options);
// Whether an option without field (version, help) was given, by long name.
bool flagGiven(CommandLine& line, const std::string& longName);

// The help text, "Usage: PROGRAM ..." to its last example.
void writeHelp(std::ostream& out, const std::string& program);
// The manual page (roff, man(7) macros), from the same table, marks and
// examples as the help; the version goes into its title line.
void writeManPage(std::ostream& out, const std::string& version);

// The options that travel, for both directions of a message (see
// ByteWriter): each field in table order.
template <class Bytes, class SomeOptions>
void transferOptions(Bytes& bytes, SomeOptions& options) {
  for (const OptionSpec& option : optionTable()) {
    if (!option.travels) continue;
    // Only read when options are sent.
    std::visit(
        [&bytes](auto field) {
          if constexpr (std::is_pointer_v<decltype(field)>) bytes(*field);
        },
        option.field(const_cast<Options&>(options)));
  }
}

}  // namespace dls

#include "tree/gene_species_map.hpp"

#include <cerrno>
#include <cstring>

#include "common/errors.hpp"
#include "tree/text_reader.hpp"

namespace dls {

namespace {

std::string trimmed(const std::string& text, std::size_t from, std::size_t to) {
  return std::string(TextReader::trimmed(std::string_view(text).substr(from, to - from)));
}

// The blank-separated fields of a line.
std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> result;
  for (std::size_t at = 0; at < line.size();) {
    while (at < line.size() && TextReader::isWhitespace(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !TextReader::isWhitespace(line[at])) ++at;
    if (at > start) result.push_back(line.substr(start, at - start));
  }
  return result;
}

std::string quoted(const std::string& text) { return "\"" + shownText(text) + "\""; }

}  // namespace

GeneSpeciesMap GeneSpeciesMap::read(std::istream& in, const std::string& path) {
  GeneSpeciesMap map;
  map.kind_ = Kind::mapFile;
  map.path_ = path;
  enum class Layout { unknown, pairs, lists } layout = Layout::unknown;
  const auto refuse = [&](const char* looksLike) {
    throw InputError("map file " + path + " looks like " + looksLike +
                     ", not a map: give lines \"gene species\" or \"species:gene1,gene2,...\"");
  };
  // The first bytes, read as far as they match a signature, are read
  // again as the text's first.
  const StreamStart start = StreamStart::read(in);
  if (start.looksLike != nullptr) refuse(start.looksLike);
  std::string taken = start.bytes;
  const auto nextLine = [&](std::string& line) {
    if (taken.empty()) return static_cast<bool>(std::getline(in, line));
    const std::size_t end = taken.find('\n');
    if (end != std::string::npos) {
      line = taken.substr(0, end);
      taken.erase(0, end + 1);
      return true;
    }
    if (!std::getline(in, line)) line.clear();
    line.insert(0, taken);
    taken.clear();
    return true;
  };
  long long bytes = 0;  // before the line
  std::string line;
  for (std::size_t number = 1; nextLine(line); ++number) {
    if (bytes < kBinaryCheckBytes && line.find('\0') < static_cast<std::size_t>(kBinaryCheckBytes - bytes))
      refuse(kLooksLikeBinary);
    bytes += static_cast<long long>(line.size()) + 1;
    const std::string content = trimmed(line, 0, line.size());
    if (content.empty() || content[0] == '#') continue;
    if (layout == Layout::unknown && content[0] == '>') refuse(kLooksLikeFasta);
    const std::size_t colon = content.find(':');
    if (layout == Layout::unknown) layout = colon == std::string::npos ? Layout::pairs : Layout::lists;
    const std::string where = " in map file " + path + " line " + std::to_string(number);
    if (layout == Layout::pairs) {
      const std::vector<std::string> pair = fields(content);
      if (pair.size() != 2) throw InputError("expected \"gene species\"" + where);
      map.add(pair[0], pair[1], number);
      continue;
    }
    const std::string species = trimmed(content, 0, colon == std::string::npos ? 0 : colon);
    if (species.empty()) throw InputError("expected \"species:gene1,gene2,...\"" + where);
    for (std::size_t at = colon + 1; at <= content.size();) {
      std::size_t end = content.find_first_of(",;", at);
      if (end == std::string::npos) end = content.size();
      const std::string gene = trimmed(content, at, end);
      if (!gene.empty()) map.add(gene, species, number);
      at = end + 1;
    }
  }
  if (in.bad()) throw InputError("cannot read " + path + ": " + std::strerror(errno != 0 ? errno : EIO));
  return map;
}

GeneSpeciesMap GeneSpeciesMap::byDelimiter(char delimiter, bool lastField) {
  GeneSpeciesMap map;
  map.kind_ = lastField ? Kind::lastField : Kind::firstField;
  map.delimiter_ = delimiter;
  return map;
}

void GeneSpeciesMap::add(const std::string& gene, const std::string& species, std::size_t line) {
  const auto number = speciesNumber_.emplace(species, static_cast<std::uint32_t>(species_.size()));
  if (number.second) {
    species_.push_back(species);
    speciesName_.push_back(kNoName);
  }
  const auto entry = speciesOfGene_.emplace(gene, number.first->second);
  if (!entry.second && entry.first->second != number.first->second)
    throw InputError("gene " + quoted(gene) + " mapped to species " + quoted(species_[entry.first->second]) + " and " +
                     quoted(species) + " in map file " + path_ + " line " + std::to_string(line));
}

NameId GeneSpeciesMap::noSpecies(const std::string& label) {
  if (uncovered_.insert(label).second && firstUncovered_.size() < 5) firstUncovered_.push_back(label);
  return kNoName;
}

NameId GeneSpeciesMap::speciesOf(const std::string& label, NameTable& names) {
  switch (kind_) {
    case Kind::labelIsSpecies:
      return names.intern(label);
    case Kind::mapFile: {
      const auto entry = speciesOfGene_.find(label);
      if (entry == speciesOfGene_.end()) return noSpecies(label);
      NameId& name = speciesName_[entry->second];
      if (name == kNoName) name = names.intern(species_[entry->second]);
      return name;
    }
    case Kind::firstField: {
      const std::size_t at = label.find(delimiter_);
      if (at == std::string::npos || at == 0) return noSpecies(label);
      return names.intern(label.substr(0, at));
    }
    case Kind::lastField: {
      const std::size_t at = label.rfind(delimiter_);
      if (at == std::string::npos || at + 1 == label.size()) return noSpecies(label);
      return names.intern(label.substr(at + 1));
    }
  }
  return kNoName;
}

std::string GeneSpeciesMap::source() const {
  switch (kind_) {
    case Kind::labelIsSpecies:
      return "as labels";
    case Kind::mapFile:
      return "in map file " + path_;
    case Kind::firstField:
      return "before the first " + quoted(std::string(1, delimiter_));
    case Kind::lastField:
      return "after the last " + quoted(std::string(1, delimiter_));
  }
  return "";
}

void GeneSpeciesMap::checkAllCovered() const {
  if (uncovered_.empty()) return;
  const std::size_t count = uncovered_.size();
  std::string message = std::to_string(count) + (count == 1 ? " gene label" : " gene labels");
  message += (kind_ == Kind::mapFile ? " not " : " without a species ") + source() + ":";
  for (std::size_t i = 0; i < firstUncovered_.size(); ++i)
    message += (i == 0 ? " " : ", ") + quoted(firstUncovered_[i]);
  if (count > firstUncovered_.size()) message += " and " + std::to_string(count - firstUncovered_.size()) + " more";
  throw InputError(message);
}

}  // namespace dls

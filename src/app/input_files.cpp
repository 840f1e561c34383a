#include "app/input_files.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "app/file_identity.hpp"
#include "common/decompressing_stream.hpp"
#include "common/errors.hpp"
#include "tree/text_reader.hpp"

namespace dls {

namespace {

// Calls take(content, number) for every line of the file that has content:
// blanks around it taken off, blank lines and "#" comments skipped.
template <class Take>
void forEachContentLine(const std::string& path, const std::string& kind, Take&& take) {
  std::ifstream file;
  openForReading(file, path, kind);
  DecompressingStream text(*file.rdbuf(), path);
  std::string line;
  for (std::size_t number = 1; std::getline(text, line); ++number) {
    std::string_view content = TextReader::trimmed(line);
    if (number == 1 && content.substr(0, 3) == "\xEF\xBB\xBF") content = TextReader::trimmed(content.substr(3));
    if (content.empty() || content[0] == '#') continue;
    take(std::string(content), number);
  }
}

// A path from a list, relative ones from the list's folder.
std::string fromFolderOf(const std::string& list, const std::string& path) {
  const std::string folder = folderOf(list);
  if (path[0] == '/' || folder == ".") return path;
  return folder + (folder == "/" ? "" : "/") + path;
}

// Throws when the file cannot be read, naming where it was listed.
void checkReadable(const std::string& path, const std::string& kind, const std::string& listed) {
  std::ifstream file;
  openForReading(file, path, kind, listed);
}

}  // namespace

void openForReading(std::ifstream& file, const std::string& path, const std::string& kind, const std::string& listed) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 && errno == ENOENT)
    throw InputError(kind + " " + path + " not found" + (listed.empty() ? "" : " (" + listed + ")"));
  const int reason = S_ISDIR(status.st_mode) ? EISDIR : 0;
  if (reason == 0) file.open(path);
  if (reason != 0 || !file)
    throw InputError("cannot read " + path + ": " + std::strerror(reason != 0 ? reason : errno) +
                     (listed.empty() ? "" : " (" + listed + ")"));
}

bool isFolder(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::vector<TreeFile> folderTreeFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  std::vector<std::string> names;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    std::error_code unreadable;
    if (name[0] != '.' && fs::is_regular_file(entry->status(unreadable))) names.push_back(name);
  }
  if (error) throw InputError("cannot read " + folder + ": " + error.message());
  if (names.empty())
    throw InputError("no file in input folder " + folder + " (names beginning with \".\" are skipped)");
  std::sort(names.begin(), names.end());
  std::vector<TreeFile> files;
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  for (const std::string& name : names) files.push_back({prefix + name, ""});
  return files;
}

std::vector<TreeFile> listedTreeFiles(const std::string& list) {
  std::vector<TreeFile> files;
  forEachContentLine(list, "input list", [&](const std::string& path, std::size_t number) {
    files.push_back({fromFolderOf(list, path), ""});
    checkReadable(files.back().trees, "input file", "input list " + list + " line " + std::to_string(number));
  });
  if (files.empty()) throw InputError("no file in input list " + list);
  return files;
}

std::vector<TreeFile> familyTreeFiles(const std::string& families) {
  struct Family {
    std::string name;
    std::size_t line = 0, treeLine = 0, mapLine = 0;
    TreeFile files;
  };
  std::vector<Family> read;
  bool begun = false;
  const auto where = [&](std::size_t number) {
    return "families file " + families + " line " + std::to_string(number);
  };
  forEachContentLine(families, "families file", [&](const std::string& line, std::size_t number) {
    if (!begun) {
      if (line != "[FAMILIES]") throw InputError("expected [FAMILIES] in " + where(number));
      begun = true;
      return;
    }
    if (line[0] == '-') {
      read.emplace_back();
      read.back().name = TextReader::trimmed(std::string_view(line).substr(1));
      read.back().line = number;
      if (read.back().name.empty()) throw InputError("expected a family name after \"-\" in " + where(number));
      return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || read.empty())
      throw InputError(std::string(read.empty() ? "expected \"- NAME\"" : "expected \"- NAME\" or \"KEY = VALUE\"") +
                       " in " + where(number));
    const std::string_view key = TextReader::trimmed(std::string_view(line).substr(0, equals));
    const std::string value(TextReader::trimmed(std::string_view(line).substr(equals + 1)));
    Family& family = read.back();
    if (key == "starting_gene_tree") family.files.trees = value, family.treeLine = number;
    if (key == "mapping") family.files.map = value, family.mapLine = number;
  });
  if (read.empty()) throw InputError("no family in families file " + families);
  std::vector<TreeFile> files;
  std::map<std::string, std::size_t> lines;  // each family's line, by name
  for (const Family& family : read) {
    const std::string of = "family " + family.name + " in ";
    const auto [first, isNew] = lines.emplace(family.name, family.line);
    if (!isNew)
      throw InputError(of + where(family.line) + " is listed before, line " + std::to_string(first->second) +
                       ": its trees would count twice");
    if (family.files.trees.empty()) throw InputError(of + where(family.line) + " has no starting_gene_tree");
    checkReadable(family.files.trees, "input file", of + where(family.treeLine));
    if (!family.files.map.empty() && (files.empty() || files.back().map != family.files.map))
      checkReadable(family.files.map, "map file", of + where(family.mapLine));
    files.push_back(family.files);
  }
  return files;
}

}  // namespace dls

#include "app/file_identity.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace dls {

namespace {

// The file a path names, when it exists; else where its name would stand.
struct Place {
  std::string folder, name;
  bool exists = false, folderExists = false;
  struct stat file {};
  struct stat folderFile {};
};

Place placeOf(const std::string& path) {
  Place place;
  place.exists = stat(path.c_str(), &place.file) == 0;
  if (place.exists) return place;  // known by its device and inode
  std::string end;
  if (!followLinks(path, end)) end = path;
  place.folder = folderOf(end);
  place.name = end.substr(end.rfind('/') + 1);
  place.folderExists = stat(place.folder.c_str(), &place.folderFile) == 0;
  return place;
}

bool sameRegularFile(const struct stat& first, const struct stat& second) {
  return S_ISREG(first.st_mode) && S_ISREG(second.st_mode) && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

bool followLinks(const std::string& path, std::string& end) {
  end = path;
  for (int followed = 0;; ++followed) {
    struct stat entry {};
    if (lstat(end.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return true;
    if (followed == kMostLinksFollowed) return false;
    char text[PATH_MAX];
    const ssize_t length = readlink(end.c_str(), text, sizeof text);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof text)) return true;  // unreadable: the link itself
    const std::string target(text, static_cast<std::size_t>(length));
    const std::size_t slash = end.rfind('/');
    end = target[0] == '/' || slash == std::string::npos ? target : end.substr(0, slash + 1) + target;
  }
}

bool sameFile(const std::string& first, const std::string& second) {
  if (first == second) return true;
  const Place a = placeOf(first), b = placeOf(second);
  // Devices and pipes are not files that a write replaces.
  if (a.exists || b.exists) return a.exists && b.exists && sameRegularFile(a.file, b.file);
  if (a.name != b.name) return false;
  if (a.folderExists && b.folderExists)
    return a.folderFile.st_dev == b.folderFile.st_dev && a.folderFile.st_ino == b.folderFile.st_ino;
  return a.folder == b.folder;
}

bool sameFile(int openFile, const std::string& path) {
  struct stat open {};
  struct stat named {};
  return fstat(openFile, &open) == 0 && stat(path.c_str(), &named) == 0 && sameRegularFile(open, named);
}

}  // namespace dls

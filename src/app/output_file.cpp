#include "app/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/interrupt.hpp"
#include "common/errors.hpp"

namespace dls {

namespace {

// Where a symbolic link points, also when its target does not exist yet.
std::string linkTarget(const std::string& link) {
  char text[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), text, sizeof text - 1);
  if (length <= 0) return link;
  const std::string target(text, static_cast<std::size_t>(length));
  const std::size_t slash = link.rfind('/');
  if (target[0] == '/' || slash == std::string::npos) return target;
  return link.substr(0, slash + 1) + target;
}

}  // namespace

OutputFile::OutputFile(const std::string& name, int interruptSlot)
    : interruptSlot_(interruptSlot), name_(name), target_(name) {
  const InputError notCreated("Output file " + name + " not created");
  struct stat existing {};
  existed_ = stat(name.c_str(), &existing) == 0;
  if (existed_ && !S_ISREG(existing.st_mode)) {
    mode_ = Mode::direct;
    file_.open(name, std::ios::out | std::ios::trunc);
    if (!file_) throw notCreated;
    return;
  }
  struct stat entry {};
  if (!existed_ && lstat(name.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) target_ = linkTarget(name);
  if (existed_) {
    // Replace the file a symbolic link points to, not the link.
    char resolved[PATH_MAX];
    if (realpath(name.c_str(), resolved) == nullptr || access(resolved, W_OK) != 0) throw notCreated;
    target_ = resolved;
    permissions_ = existing.st_mode & 0777;
    owner_ = existing.st_uid;
    group_ = existing.st_gid;
    // All names of a file with several see the report.
    if (existing.st_nlink > 1) mode_ = Mode::inMemory;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    permissions_ = 0666 & ~mask;
  }
  if (mode_ == Mode::inMemory) return;
  // A trial file proves that the directory takes one.
  std::string trial;
  const int fd = makeTemporary(trial);
  if (fd < 0) {
    if (!existed_) throw notCreated;
    mode_ = Mode::inMemory;
    return;
  }
  close(fd);
  std::remove(trial.c_str());
  setFileToRemoveOnInterrupt(interruptSlot_, "");
}

int OutputFile::makeTemporary(std::string& path) const {
  const std::size_t slash = target_.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : target_.substr(0, slash == 0 ? 1 : slash);
  // ".NAME.XXXXXX", the name shortened to keep within the length a name may have.
  const std::string base = (slash == std::string::npos ? target_ : target_.substr(slash + 1)).substr(0, 200);
  const std::string pattern = directory + "/." + base + ".XXXXXX";
  std::vector<char> text(pattern.begin(), pattern.end());
  text.push_back('\0');
  const int fd = mkstemp(text.data());
  if (fd < 0) return -1;
  path = text.data();
  setFileToRemoveOnInterrupt(interruptSlot_, path);
  // The old file's permissions, and where allowed its owner and group; the
  // new file keeps the runner's where not, which is no reason to stop.
  bool kept = fchmod(fd, permissions_) == 0;
  if (existed_) kept = (fchown(fd, owner_, group_) == 0 || fchown(fd, static_cast<uid_t>(-1), group_) == 0) && kept;
  static_cast<void>(kept);
  return fd;
}

std::ostream& OutputFile::stream() {
  if (mode_ == Mode::inMemory) return memory_;
  if (mode_ == Mode::replace && !opened_) {
    opened_ = true;
    const int fd = makeTemporary(temporary_);
    if (fd >= 0) {
      close(fd);
      file_.open(temporary_, std::ios::out | std::ios::trunc);
    } else {
      file_.setstate(std::ios::failbit);  // reported by commit()
    }
  }
  return file_;
}

OutputFile::~OutputFile() {
  if (!committed_) discardTemporary();
}

void OutputFile::discardTemporary() {
  if (temporary_.empty()) return;
  file_.close();
  std::remove(temporary_.c_str());
  setFileToRemoveOnInterrupt(interruptSlot_, "");
  temporary_.clear();
}

void OutputFile::commit() {
  const InputError notWritten("Output file " + name_ + " could not be written");
  if (mode_ == Mode::inMemory) {
    file_.open(target_, std::ios::out | std::ios::trunc);
    if (file_) file_ << memory_.str();
  }
  file_.flush();
  const bool written = static_cast<bool>(file_);
  file_.close();
  if (!written || file_.fail()) throw notWritten;
  if (mode_ != Mode::replace) return;
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) throw notWritten;
  committed_ = true;
  setFileToRemoveOnInterrupt(interruptSlot_, "");
}

}  // namespace dls

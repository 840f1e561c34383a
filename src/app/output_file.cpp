#include "app/output_file.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/file_identity.hpp"
#include "app/interrupt.hpp"
#include "common/errors.hpp"

namespace dls {

OutputFile::OutputFile(const std::string& name, int interruptSlot)
    : interruptSlot_(interruptSlot), name_(name), target_(name) {
  const InputError notCreated("Output file " + name + " not created");
  struct stat existing {};
  existed_ = stat(name.c_str(), &existing) == 0;
  if (existed_ && S_ISDIR(existing.st_mode)) throw notCreated;
  if (existed_ && !S_ISREG(existing.st_mode)) {
    mode_ = Mode::direct;  // opened when the report is written
    if (access(name.c_str(), W_OK) != 0) throw notCreated;
    return;
  }
  if (existed_) {
    // Replace the file a symbolic link points to, not the link.
    char resolved[PATH_MAX];
    if (realpath(name.c_str(), resolved) == nullptr || access(resolved, W_OK) != 0) throw notCreated;
    target_ = resolved;
    permissions_ = existing.st_mode & 0777;
    owner_ = existing.st_uid;
    group_ = existing.st_gid;
    // All names of a file with several see the report.
    if (existing.st_nlink > 1) mode_ = Mode::inPlace;
  } else {
    // Made where a chain of links ends; a loop leads nowhere.
    if (!followLinks(name, target_)) throw notCreated;
    const mode_t mask = umask(0);
    umask(mask);
    permissions_ = 0666 & ~mask;
  }
  // A new file beside the target needs a folder that takes one.
  if (mode_ == Mode::replace && access(folderOf(target_).c_str(), W_OK | X_OK) != 0) {
    if (!existed_) throw notCreated;
    mode_ = Mode::inPlace;
  }
}

int OutputFile::makeTemporary(std::string& path) const {
  const std::size_t slash = target_.rfind('/');
  // ".NAME.XXXXXX", the name shortened to keep within the length a name may have.
  const std::string base = (slash == std::string::npos ? target_ : target_.substr(slash + 1)).substr(0, 200);
  const std::string pattern = folderOf(target_) + "/." + base + ".XXXXXX";
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
  if (mode_ == Mode::inPlace) return memory_;
  if (opened_) return file_;
  opened_ = true;
  if (mode_ == Mode::direct) {
    file_.open(name_, std::ios::out | std::ios::trunc);  // a failure is reported by commit()
    return file_;
  }
  // Made and entered for removal on an interrupt as one step.
  const EndingSignalsHeld held;
  const int fd = makeTemporary(temporary_);
  if (fd >= 0) {
    close(fd);
    file_.open(temporary_, std::ios::out | std::ios::trunc);
  } else {
    file_.setstate(std::ios::failbit);  // reported by commit()
  }
  return file_;
}

OutputFile::~OutputFile() {
  if (!committed_) discardTemporary();
}

void OutputFile::discardTemporary() {
  if (temporary_.empty()) return;
  file_.close();
  const EndingSignalsHeld held;
  std::remove(temporary_.c_str());
  setFileToRemoveOnInterrupt(interruptSlot_, "");
  temporary_.clear();
}

bool OutputFile::rewriteInPlace() {
  const std::string text = memory_.str();
  const off_t size = static_cast<off_t>(text.size());
  // Beyond the file size limit no write can succeed: nothing is touched.
  struct rlimit limit {};
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<rlim_t>(size) > limit.rlim_cur)
    return false;
  const int fd = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat before {};
  bool written = fstat(fd, &before) == 0;
  // The space for what the new content adds, first: on a full disk the old
  // content stays, at its old length.
  if (written && size > before.st_size) {
    int reserved;
    while ((reserved = posix_fallocate(fd, 0, size)) == EINTR) {
    }
    if (reserved != 0) {
      static_cast<void>(ftruncate(fd, before.st_size));
      close(fd);
      return false;
    }
  }
  for (off_t at = 0; written && at < size;) {
    const ssize_t done = pwrite(fd, text.data() + at, static_cast<std::size_t>(size - at), at);
    if (done < 0 && errno == EINTR) continue;
    written = done > 0;
    at += done > 0 ? done : 0;
  }
  written = written && ftruncate(fd, size) == 0;
  return close(fd) == 0 && written;
}

void OutputFile::commit() {
  const InputError notWritten("Output file " + name_ + " could not be written");
  static_cast<void>(stream());
  if (mode_ == Mode::inPlace) {
    // Not left half written by an interrupt.
    const EndingSignalsHeld held;
    if (!rewriteInPlace()) throw notWritten;
    committed_ = true;
    return;
  }
  file_.flush();
  const bool written = static_cast<bool>(file_);
  file_.close();
  if (!written || file_.fail()) throw notWritten;
  if (mode_ == Mode::direct) {
    committed_ = true;
    return;
  }
  const EndingSignalsHeld held;
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) throw notWritten;
  committed_ = true;
  temporary_.clear();
  setFileToRemoveOnInterrupt(interruptSlot_, "");
}

}  // namespace dls

#pragma once
// Which file a name stands for, so that two names of one file are known as
// such: "x" and "./x", a symbolic link and its target, two hard links, and
// names of a file that does not exist yet.

#include <string>

namespace dls {

// The folder of a path: all before its last "/" ("/" for one at the root,
// "." for a bare name).
std::string folderOf(const std::string& path);

// The most symbolic links followed from one name (as the system's own limit).
constexpr int kMostLinksFollowed = 40;

// The name a path leads to once every symbolic link at its end is followed,
// a relative link's target taken from the link's folder: the path of the
// file itself, or of the name that a write would create when the chain ends
// at a name that does not exist. The path as it is when it is no link.
// False after kMostLinksFollowed links (a loop).
bool followLinks(const std::string& path, std::string& end);

// Whether two paths name the same file: the same path; one existing
// regular file (device and inode); or, for files that do not exist yet, the
// same name in the same folder once links are followed. Devices and pipes
// under two names are not the same (reading a terminal and writing to it is
// fine).
bool sameFile(const std::string& first, const std::string& second);
// The same for a file already open (standard input) and a path: the same
// existing regular file.
bool sameFile(int openFile, const std::string& path);

}  // namespace dls

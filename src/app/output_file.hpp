#pragma once
// The output file of a run, never left half written: the report goes to a
// temporary file beside the output, made when the report is first written
// (nothing is made before), which takes the output's name once the whole
// report is in it (rename is atomic). A run that stops early leaves the
// output as it was, or does not create it. Symbolic links are followed to
// the file they lead to, which is replaced (or created), not the link.
//
// A device or pipe named as output (/dev/stdout, a FIFO) is written
// directly. An existing file that has other names (hard links), or lies in
// a folder that takes no new file, is rewritten in place, from memory, at
// the end: the space for the new content is reserved first, so that a full
// disk or a file size limit leaves it as it was; only a failure in the
// middle of that last write can leave it incomplete.

#include <sys/types.h>

#include <fstream>
#include <sstream>
#include <string>

namespace dls {

class OutputFile {
 public:
  // Checks that the output can be written; throws InputError "Output file
  // NAME not created" if it cannot. Creates nothing.
  // interruptSlot: where a second keyboard interrupt finds the unfinished
  // file (see setFileToRemoveOnInterrupt).
  explicit OutputFile(const std::string& name, int interruptSlot = 0);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Removes the temporary file unless committed.
  ~OutputFile();

  // Where the report goes; the first call makes the temporary file (or
  // opens the device).
  std::ostream& stream();
  // Puts the written report in place (an empty one when stream() was never
  // called); throws InputError "Output file NAME could not be written" if
  // any write failed.
  void commit();

 private:
  enum class Mode { replace, direct, inPlace };

  // A new file beside the target, with the permissions it is to get; -1
  // when none can be made.
  int makeTemporary(std::string& path) const;
  void discardTemporary();
  // Writes the report kept in memory over the target; false on failure.
  bool rewriteInPlace();

  int interruptSlot_;
  std::string name_;    // as given
  std::string target_;  // the file that gets replaced (symbolic links followed)
  Mode mode_ = Mode::replace;
  bool existed_ = false;
  mode_t permissions_ = 0;
  uid_t owner_ = 0;
  gid_t group_ = 0;
  std::string temporary_;  // while the report is written
  std::ofstream file_;
  std::ostringstream memory_;
  bool opened_ = false;
  bool committed_ = false;
};

}  // namespace dls

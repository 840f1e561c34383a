// The output file: nothing made before the report is first written, the
// report put in place whole or not at all, a file of two names rewritten
// for both.

#include "app/output_file.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/temp_dir.hpp"

using namespace dls;

namespace {

TEST(OutputFile, MakesNothingBeforeTheReportAndPutsItInPlaceWhole) {
  TempDir dir;
  dir.write("twice.txt", "old\n");
  ASSERT_EQ(link(dir.file("twice.txt").c_str(), dir.file("second.txt").c_str()), 0);
  const std::string before = dir.listing();
  {
    OutputFile dropped(dir.file("dropped.txt"));
    EXPECT_EQ(dir.listing(), before);
    dropped.stream() << "report\n";
    EXPECT_EQ(dir.listing().rfind(".dropped.txt.", 0), 0U);  // the temporary file only
  }
  EXPECT_EQ(dir.listing(), before);
  for (const std::string name : {"new.txt", "empty.txt", "twice.txt"}) {
    OutputFile out(dir.file(name));
    if (name != "empty.txt") out.stream() << "report\n";
    EXPECT_EQ(dir.read("twice.txt"), "old\n");
    out.commit();
  }
  EXPECT_EQ(dir.listing(), "empty.txt new.txt second.txt twice.txt");
  EXPECT_EQ(dir.read("new.txt") + dir.read("empty.txt") + dir.read("second.txt"), "report\nreport\n");
}

}  // namespace

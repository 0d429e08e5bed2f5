#include "maillib/Trace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace maillib {
namespace {

TEST(FileTrace, AppendsOneStampedLinePerTraceToAPrivateFile) {
  char folder[] = "/tmp/tenvel-trace-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/trace.log";
  FileTrace trace(path);
  trace.Trace("first");
  trace.Trace("two\nlines");
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  // "yyyy-MM-dd hh:mm:ss " before each text; a break inside a text does not start a line.
  ASSERT_EQ(text.size(), 20 + 6 + 20 + 10);
  EXPECT_EQ(text.substr(20, 6), "first\n");
  EXPECT_EQ(text.substr(46), "two lines\n");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::remove(path.c_str());
  rmdir(folder);
}

}  // namespace
}  // namespace maillib

// The command line as Windows splits it (CommandLineToArgvW), run under Wine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/command_line.h"
#include "runner/command_line_win.h"

namespace {

using tesso::ArgumentsFromCommandLine;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(WindowsCommandLine, SplitsByTheShellRulesAndSkipsTheProgramPath) {
  EXPECT_THAT(
      ArgumentsFromCommandLine(u"\"C:\\Program Files\\Tesso\\tesso.exe\" a \"b c\" --hidden"),
      ElementsAre("a", "b c", "--hidden"));
  EXPECT_THAT(ArgumentsFromCommandLine(u"tesso.exe x\\\"y \"\""), ElementsAre("x\"y", ""));
}

TEST(WindowsCommandLine, OnlyTheProgramPathGivesNoArguments) {
  EXPECT_THAT(ArgumentsFromCommandLine(u"tesso.exe"), IsEmpty());
  EXPECT_THAT(ArgumentsFromCommandLine(u"tesso.exe   "), IsEmpty());
}

TEST(WindowsCommandLine, ConvertsEachArgumentAndEmptiesAnUnconvertibleOne) {
  std::u16string command_line = u"tesso.exe \u8FDC\u7A0B ";
  command_line += char16_t{0xD800};
  command_line += u"x --hidden";
  EXPECT_THAT(ArgumentsFromCommandLine(command_line),
              ElementsAre("\xE8\xBF\x9C\xE7\xA8\x8B", "", "--hidden"));
  EXPECT_TRUE(tesso::IsStartHidden(ArgumentsFromCommandLine(command_line)));
}

TEST(WindowsCommandLine, HiddenAsTheProgramPathDoesNotCount) {
  EXPECT_FALSE(tesso::IsStartHidden(ArgumentsFromCommandLine(u"--hidden")));
  EXPECT_FALSE(tesso::IsStartHidden(ArgumentsFromCommandLine(u"tesso.exe --Hidden")));
}

TEST(WindowsCommandLine, ReadsThisProcesssOwnCommandLine) {
  // The runtime's own split of the same command line, which gtest keeps.
  std::vector<std::string> expected = testing::internal::GetArgvs();
  expected.erase(expected.begin());
  EXPECT_EQ(tesso::GetCommandLineArguments(), expected);
}

}  // namespace

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/command_line.h"

namespace {

using tesso::ArgumentsAfterProgramPath;
using tesso::IsStartHidden;
using tesso::MakeEngineProject;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(CommandLineArguments, SkipsTheProgramPathAndKeepsTheOrder) {
  EXPECT_THAT(ArgumentsAfterProgramPath({u"C:\\Tesso\\tesso.exe", u"--hidden", u"b", u"a"}),
              ElementsAre("--hidden", "b", "a"));
}

TEST(CommandLineArguments, NoElementsOrOnlyTheProgramPathGiveNoArguments) {
  EXPECT_THAT(ArgumentsAfterProgramPath({}), IsEmpty());
  EXPECT_THAT(ArgumentsAfterProgramPath({u"tesso.exe"}), IsEmpty());
}

TEST(CommandLineArguments, ConvertsToUtf8) {
  EXPECT_THAT(ArgumentsAfterProgramPath({u"tesso.exe", u"\u8FDC\u7A0B", u"\U0001F600"}),
              ElementsAre("\xE8\xBF\x9C\xE7\xA8\x8B", "\xF0\x9F\x98\x80"));
}

TEST(CommandLineArguments, UnconvertibleArgumentBecomesEmptyInItsPlace) {
  const std::u16string unpaired{u'x', 0xD800};
  EXPECT_THAT(ArgumentsAfterProgramPath({u"tesso.exe", u"a", unpaired, u"", u"b"}),
              ElementsAre("a", "", "", "b"));
}

TEST(StartHidden, SetByTheExactArgumentInAnyPosition) {
  EXPECT_TRUE(IsStartHidden({"--hidden"}));
  EXPECT_TRUE(IsStartHidden({"a", "--hidden"}));
  EXPECT_TRUE(IsStartHidden({"a", "--hidden", "b"}));
  EXPECT_TRUE(IsStartHidden({"--hidden", "--hidden"}));
}

TEST(StartHidden, NotSetByNearMisses) {
  EXPECT_FALSE(IsStartHidden({}));
  EXPECT_FALSE(IsStartHidden({""}));
  EXPECT_FALSE(IsStartHidden({"--HIDDEN", "--Hidden", "--hidden=1", "-hidden", "hidden"}));
  EXPECT_FALSE(IsStartHidden({" --hidden", "--hidden ", "--hidde", "--hiddenx"}));
  // Compared over the whole argument, not up to a NUL.
  EXPECT_FALSE(IsStartHidden({std::string("--hidden\0", 9)}));
}

TEST(StartHidden, TheProgramPathDoesNotCount) {
  EXPECT_FALSE(IsStartHidden(ArgumentsAfterProgramPath({u"--hidden"})));
  EXPECT_FALSE(IsStartHidden(ArgumentsAfterProgramPath({u"--hidden", u"a"})));
  EXPECT_TRUE(IsStartHidden(ArgumentsAfterProgramPath({u"tesso.exe", u"--hidden"})));
}

TEST(EngineProjectRecord, RelativeDataPathsDefaultEntrypointAndOptions) {
  const flutter::EngineProject project = MakeEngineProject({});
  EXPECT_EQ(project.assets_path, u"data\\flutter_assets");
  EXPECT_EQ(project.icu_data_path, u"data\\icudtl.dat");
  EXPECT_EQ(project.aot_library_path, u"data\\app.so");
  EXPECT_EQ(project.dart_entrypoint, "");
  EXPECT_THAT(project.dart_entrypoint_arguments, IsEmpty());
  EXPECT_EQ(project.option_a, 0);
  EXPECT_EQ(project.option_b, 0);
}

TEST(EngineProjectRecord, AllArgumentsBecomeEntrypointArgumentsHiddenIncluded) {
  const flutter::EngineProject project = MakeEngineProject({"b", "--hidden", "", "a"});
  EXPECT_THAT(project.dart_entrypoint_arguments, ElementsAre("b", "--hidden", "", "a"));
  EXPECT_EQ(project.dart_entrypoint, "");
}

}  // namespace

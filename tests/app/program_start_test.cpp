#include "app/program_start.h"

#include <gtest/gtest.h>

namespace hm {
namespace {

struct StartCase {
  const char* name;
  CommandForm form;
  bool display;
  StartKind expected;
};

class ChooseStart : public testing::TestWithParam<StartCase> {};

TEST_P(ChooseStart, SendsEachFormWhereItCanRun) {
  CommandLine command;
  command.form = GetParam().form;
  EXPECT_EQ(chooseStart(command, GetParam().display), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ChooseStart,
    testing::Values(
        StartCase{"ApplyNeverShowsTheWindow", CommandForm::Apply, true, StartKind::Unattended},
        StartCase{"CheckNeverShowsTheWindow", CommandForm::Check, true, StartKind::Unattended},
        StartCase{"HelpNeverShowsTheWindow", CommandForm::Help, true, StartKind::Unattended},
        StartCase{"VersionWithout", CommandForm::Version, false, StartKind::Unattended},
        StartCase{"ComparisonWithADisplay", CommandForm::Comparison, true, StartKind::Window},
        StartCase{"ComparisonWithout", CommandForm::Comparison, false, StartKind::Unattended},
        StartCase{"InsertionWithout", CommandForm::BlockInsertion, false, StartKind::Unattended},
        StartCase{"BadLineWithout", CommandForm::BadParameters, false, StartKind::Unattended},
        StartCase{"EmptyWithout", CommandForm::Empty, false, StartKind::NoDisplay},
        StartCase{"DifWithout", CommandForm::DifFile, false, StartKind::NoDisplay},
        StartCase{"OtherFileWithADisplay", CommandForm::OtherFile, true, StartKind::Window}),
    [](const testing::TestParamInfo<StartCase>& info) { return info.param.name; });

TEST(JoinArguments, JoinsWithSingleSpaces) {
  char program[] = "hexmarshal", a[] = "old bin", b[] = "/t:new.bin";
  char* argv[] = {program, a, b};
  EXPECT_EQ(joinArguments(3, argv), "old bin /t:new.bin");
  EXPECT_EQ(joinArguments(1, argv), "");
}

}  // namespace
}  // namespace hm

// The scripted user's language: what each line becomes, and the line and
// reason of the first mistake.
#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "platform/posix/user_script.h"

namespace {

using platform::headless::ParseUserScript;
using platform::headless::ScriptError;
using platform::headless::UserAction;
using platform::headless::UserScript;

TEST(UserScript, EveryStepReadsAsWritten) {
  UserScript script;
  ScriptError error;
  ASSERT_TRUE(ParseUserScript(R"(# a session
click 1
click "ID card"   # by caption
click Settings
select 3006 "Color and B&W"
select 3018 index 4
type 3018 "12"
focus 3019

drag 20 30 200 150 shift
move 5 6 left ctrl
down 7 8
up 9 10
space
key 0x41
wait 250
answer yes
command 3000
close
in 3015 click 1
)",
                              script, error))
      << error.line << ": " << error.message;
  const auto& steps = script.steps;
  ASSERT_EQ(steps.size(), 18u);
  EXPECT_EQ(steps[0].action, UserAction::Click);
  EXPECT_EQ(steps[0].line, 2);
  EXPECT_EQ(steps[0].control.id, 1);
  EXPECT_FALSE(steps[0].control.caption);
  EXPECT_EQ(steps[1].control.caption, "ID card");
  EXPECT_EQ(steps[2].control.caption, "Settings");
  EXPECT_EQ(steps[3].text, "Color and B&W");
  EXPECT_FALSE(steps[3].index);
  EXPECT_EQ(steps[4].index, 4);
  EXPECT_EQ(steps[5].text, "12");
  EXPECT_EQ(steps[6].action, UserAction::Focus);
  EXPECT_EQ(steps[7].line, 10);
  EXPECT_EQ(steps[7].from, (platform::Point{20, 30}));
  EXPECT_EQ(steps[7].to, (platform::Point{200, 150}));
  EXPECT_EQ(steps[7].keys, platform::kMouseShift);
  EXPECT_EQ(steps[8].keys, platform::kMouseLeftButton | platform::kMouseControl);
  EXPECT_EQ(steps[9].action, UserAction::ButtonDown);
  EXPECT_EQ(steps[10].to, (platform::Point{9, 10}));
  EXPECT_EQ(steps[11].action, UserAction::Space);
  EXPECT_EQ(steps[12].number, 0x41u);
  EXPECT_EQ(steps[13].number, 250u);
  EXPECT_EQ(steps[14].number, static_cast<unsigned>(platform::mb::kIdYes));
  EXPECT_EQ(steps[15].number, 3000u);
  EXPECT_EQ(steps[16].action, UserAction::Command);
  EXPECT_EQ(steps[16].number, static_cast<unsigned>(platform::kIdCancel));
  EXPECT_EQ(steps[17].dialog, 3015);
  EXPECT_FALSE(steps[0].dialog);
}

TEST(UserScript, AMistakeIsReportedWithItsLineAndNothingIsKept) {
  const struct {
    const char* text;
    int line;
    const char* message;
  } cases[] = {
      {"click 1\nclack 2\n", 2, "unknown step \"clack\""},
      {"click\n", 1, "missing control (an id or a caption)"},
      {"click 1 2\n", 1, "unexpected \"2\""},
      {"type 3001 \"unclosed\n", 1, "a quoted text is not closed"},
      {"wait -5\n", 1, "\"-5\" is not a number of milliseconds from 0 to 3600000"},
      {"drag 1 2 3\n", 1, "missing client coordinate"},
      {"move 1 2 hop\n", 1, "unknown key \"hop\""},
      {"answer maybe\n", 1, "unknown button \"maybe\""},
      {"select 3006 index x\n", 1, "\"x\" is not a list index from 0 to 65535"},
      {"\n\nin 3015\n", 3, "missing step after the dialog template"},
      {"in main click 1\n", 1, "\"main\" is not a dialog template from 1 to 65535"},
      {"\"click\" 1\n", 1, "a step begins with its name, not a quoted text"},
  };
  for (const auto& c : cases) {
    UserScript script;
    ScriptError error;
    EXPECT_FALSE(ParseUserScript(c.text, script, error)) << c.text;
    EXPECT_EQ(error.line, c.line) << c.text;
    EXPECT_EQ(error.message, c.message) << c.text;
    EXPECT_TRUE(script.steps.empty());
  }
}

}  // namespace

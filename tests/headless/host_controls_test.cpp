// The headless host's controls: what the template gives them, and how check
// boxes, radio groups and lists behave under programme and user.
#include <gtest/gtest.h>

#include <set>

#include "headless/recording_dialog.h"
#include "resources/dialog_ids.h"

namespace ids = dialog_ids::main_dialog;

namespace headless_test {
namespace {

using platform::Rect;
using platform::headless::Dialog;

TEST_F(HostTest, DialogsComeFromTheirTemplateInPixelsOnAFixedScreen) {
  RecordingDialog events;
  auto window = Open(events);
  ASSERT_NE(window, nullptr);
  Dialog& dialog = Top();
  EXPECT_EQ(dialog.Title(), "Vistrelle Twain V4.1");
  EXPECT_EQ(dialog.ItemText(ids::kScanButton), "Scan");
  EXPECT_FALSE(dialog.IsItemEnabled(ids::kSubmitButton));
  EXPECT_FALSE(dialog.IsItemVisible(ids::kHiddenAutomaticRadio));
  // MS Sans Serif 8: 6 x 13 pixels per 4 x 8 dialog units, rounded as MulDiv rounds.
  EXPECT_EQ(dialog.ClientRect(), (Rect{0, 0, 551, 627}));
  EXPECT_EQ(dialog.ItemClientRect(ids::kScanButton), (Rect{414, 445, 540, 478}));
  EXPECT_EQ(dialog.ItemScreenRect(ids::kScanButton), (Rect{514, 575, 640, 608}));
  EXPECT_EQ(dialog.ScreenToClient(dialog.ClientToScreen({7, 9})), (platform::Point{7, 9}));
  dialog.MoveItem(ids::kPreviewControl, {10, 20, 110, 220}, true);
  EXPECT_EQ(dialog.ItemScreenRect(ids::kPreviewControl), (Rect{110, 150, 210, 350}));

  std::set<platform::WindowHandle> handles{dialog.Handle(), dialog.ItemHandle(ids::kScanButton),
                                           dialog.ItemHandle(ids::kPreviewControl),
                                           dialog.ItemHandle(ids::kImageTypeList)};
  EXPECT_EQ(handles.size(), 4u);
  EXPECT_EQ(platform::headless::DialogBaseUnits("System", 10).x, 8);
  EXPECT_EQ(platform::headless::DialogBaseUnits("System", 10).y, 16);
}

TEST_F(HostTest, NewDialogsStackAndTheNewestIsOnTop) {
  RecordingDialog first;
  RecordingDialog second;
  auto a = Open(first);
  auto b = Open(second);
  EXPECT_EQ(platform::headless::TopDialog()->Handle(), b->Handle());
  EXPECT_EQ(platform::headless::FindDialog(kTemplate)->Handle(), b->Handle());
  EXPECT_EQ(platform::headless::OpenDialogs().size(), 2u);
  EXPECT_EQ(b->ClientToScreen({0, 0}).x - a->ClientToScreen({0, 0}).x, platform::headless::kStackedDialogOffset);
  b.reset();
  EXPECT_EQ(second.Take(), std::vector<std::string>{"destroy"});
  EXPECT_EQ(platform::headless::TopDialog()->Handle(), a->Handle());
}

TEST_F(HostTest, CheckBoxesToggleAndRadiosCheckTheirGroupBeforeTheCommand) {
  RecordingDialog events;
  bool checkedWhenNotified = false;
  events.onCommand = [&](int id, int) { checkedWhenNotified = events.Window().IsChecked(id); };
  auto window = Open(events);
  Dialog& dialog = Top();

  EXPECT_TRUE(dialog.Click(ids::kPositionCorrectionCheck));
  EXPECT_TRUE(checkedWhenNotified);
  EXPECT_TRUE(dialog.Click(ids::kPositionCorrectionCheck));
  EXPECT_FALSE(dialog.IsChecked(ids::kPositionCorrectionCheck));
  EXPECT_EQ(events.Take(), (std::vector<std::string>{"command 3024 0", "command 3024 0"}));

  // The group runs from "Default" to the end of the template, the hidden radio included.
  dialog.SetChecked(ids::kHiddenAutomaticRadio, true);
  dialog.SetChecked(ids::kDefaultRadio, true);
  EXPECT_TRUE(dialog.Click(ids::kIdCardRadio));
  EXPECT_TRUE(dialog.IsChecked(ids::kIdCardRadio));
  EXPECT_FALSE(dialog.IsChecked(ids::kDefaultRadio));
  EXPECT_FALSE(dialog.IsChecked(ids::kHiddenAutomaticRadio));
  EXPECT_FALSE(dialog.IsChecked(ids::kPositionCorrectionCheck)) << "a check box in the group stays as it was";
  EXPECT_TRUE(checkedWhenNotified);
  EXPECT_EQ(dialog.FocusedItem(), 3025);

  // Disabled and hidden controls take no clicks; programme commands still arrive.
  events.Take();
  EXPECT_FALSE(dialog.Click(ids::kSubmitButton));
  EXPECT_FALSE(dialog.Click(ids::kHiddenAutomaticRadio));
  EXPECT_FALSE(dialog.Click(4711));
  dialog.SendCommand(ids::kSubmitButton);
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 3019 0"});
}

TEST_F(HostTest, ListsKeepEntriesDataAndSelectionAndSortedCombosInsertInOrder) {
  RecordingDialog events;
  auto window = Open(events);
  Dialog& dialog = Top();

  EXPECT_EQ(dialog.AddListEntry(ids::kImageTypeList, "8 bit Gray", 1), 0);
  EXPECT_EQ(dialog.AddListEntry(ids::kImageTypeList, "24 bit Color", 2), 1);
  dialog.SelectListEntry(ids::kImageTypeList, 1);
  EXPECT_EQ(dialog.ItemText(ids::kImageTypeList), "24 bit Color");
  EXPECT_EQ(dialog.ListEntryData(ids::kImageTypeList, 1), 2);
  EXPECT_EQ(dialog.ListEntryData(ids::kImageTypeList, 5), -1);
  EXPECT_TRUE(events.Take().empty()) << "the programme's selection sends nothing";

  EXPECT_TRUE(dialog.SelectEntry(ids::kImageTypeList, std::string_view("8 bit Gray")));
  EXPECT_EQ(dialog.SelectedListEntry(ids::kImageTypeList), 0);
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 3006 1"});
  EXPECT_FALSE(dialog.SelectEntry(ids::kImageTypeList, std::string_view("Sepia")));
  EXPECT_FALSE(dialog.Type(ids::kImageTypeList, "x")) << "a drop-down list has no edit part";

  // Sorted without regard to case; the selection follows its entry.
  dialog.AddListEntry(ids::kIntervalList, "b", 0);
  dialog.SelectListEntry(ids::kIntervalList, 0);
  dialog.AddListEntry(ids::kIntervalList, "C", 0);
  EXPECT_EQ(dialog.AddListEntry(ids::kIntervalList, "a", 0), 0);
  EXPECT_EQ(dialog.ListEntryText(ids::kIntervalList, 2), "C");
  EXPECT_EQ(dialog.SelectedListEntry(ids::kIntervalList), 1);

  EXPECT_TRUE(dialog.Type(ids::kIntervalList, "17"));
  EXPECT_EQ(dialog.SelectedListEntry(ids::kIntervalList), -1);
  EXPECT_EQ(dialog.ItemText(ids::kIntervalList), "17");
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 3018 5"});

  dialog.ClearList(ids::kIntervalList);
  EXPECT_EQ(dialog.ListEntryCount(ids::kIntervalList), 0);
  EXPECT_EQ(dialog.ItemText(ids::kIntervalList), "");
}

TEST_F(HostTest, UpDownClampsToItsRangeAndWritesItsBuddy) {
  RecordingDialog events;
  auto window = Open(events);
  Dialog& dialog = Top();
  dialog.SetUpDownRange(ids::kImageCountUpDown, 1, 200);
  dialog.SetUpDownPosition(ids::kImageCountUpDown, 500);
  EXPECT_EQ(dialog.UpDownPosition(ids::kImageCountUpDown), 200);
  EXPECT_EQ(dialog.ItemText(ids::kImageCountEdit), "200");
  EXPECT_EQ(dialog.UpDownRange(ids::kImageCountUpDown), (std::pair{1, 200}));
}

TEST_F(HostTest, DrawingIsRecordedWithItsWindow) {
  RecordingDialog events;
  auto window = Open(events);
  {
    auto canvas = window->Draw();
    const platform::Point points[] = {{1, 2}, {3, 4}};
    canvas->Polyline(points, {255, 0, 255}, 3);
    platform::FontRequest font;
    font.face = "Arial";
    EXPECT_TRUE(canvas->Text({5, 6}, "Front", font, {255, 0, 255}));
    platform::headless::SetFontCreationFails(true);
    EXPECT_FALSE(canvas->CentredText({0, 0, 10, 10}, "x", font, {}));
  }
  const auto& marks = platform::headless::Drawing();
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[0].kind, platform::headless::DrawnMark::Kind::Polyline);
  EXPECT_EQ(marks[0].points, (std::vector<platform::Point>{{1, 2}, {3, 4}}));
  EXPECT_EQ(marks[0].penWidth, 3);
  EXPECT_EQ(marks[0].window, window->Handle());
  EXPECT_EQ(marks[1].text, "Front");
  EXPECT_EQ(marks[1].font.face, "Arial");
  platform::headless::ClearDrawing();
  EXPECT_TRUE(platform::headless::Drawing().empty());
}

// The record holds what can still be on screen, so a dialog that stays open
// for hours (overlays redrawn every few milliseconds) does not grow it.
TEST_F(HostTest, TheDrawingRecordKeepsOnlyWhatCanStillBeOnScreen) {
  using platform::headless::Drawing;
  RecordingDialog firstEvents;
  RecordingDialog secondEvents;
  auto first = Open(firstEvents);
  auto second = Open(secondEvents);
  const platform::Point line[] = {{1, 2}, {3, 4}};
  first->Draw()->Polyline(line, {}, 1);
  second->Draw()->Polyline(line, {}, 2);
  first->Draw()->Polyline(line, {}, 3);

  // A paint draws the whole window anew, so what it showed before is gone.
  Top().Paint();
  ASSERT_EQ(Drawing().size(), 2u);
  EXPECT_EQ(Drawing()[0].penWidth, 1);
  EXPECT_EQ(Drawing()[1].penWidth, 3);
  // A closed window takes its marks along.
  first.reset();
  EXPECT_TRUE(Drawing().empty());

  // Endless redrawing keeps the newest marks, never more than twice the bound.
  const std::size_t bound = platform::headless::kMaxDrawnMarks;
  for (std::size_t i = 0; i < 5 * bound; ++i) second->Draw()->Polyline(line, {}, static_cast<int>(i));
  EXPECT_GE(Drawing().size(), bound);
  EXPECT_LT(Drawing().size(), 2 * bound);
  EXPECT_EQ(Drawing().back().penWidth, static_cast<int>(5 * bound - 1));
  EXPECT_EQ(Drawing().front().penWidth, static_cast<int>(5 * bound - Drawing().size()));
}

TEST_F(HostTest, MessageBoxesAreRecordedAndAnsweredFromTheQueueThenByDefault) {
  platform::headless::QueueMessageBoxAnswer(platform::mb::kIdNo);
  auto& boxes = platform::SystemMessageBoxes();
  EXPECT_EQ(boxes.Show({nullptr, "Delete?", "Tips", platform::mb::kYesNo}), platform::mb::kIdNo);
  EXPECT_EQ(boxes.Show({nullptr, "Again?", "Tips", platform::mb::kYesNo}), platform::mb::kIdYes);
  const auto shown = platform::headless::ShownMessageBoxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].request.text, "Delete?");
  EXPECT_EQ(shown[0].answer, platform::mb::kIdNo);
  EXPECT_EQ(shown[1].answer, platform::mb::kIdYes);
}

}  // namespace
}  // namespace headless_test

// The single-record view's layout rules, on the examples the workbench's users see: edit fields
// flowing into lines beside and below the pictures, fields shrunk or moved, memos filling the rest.

#include "app/windows/record_layout.h"

#include <gtest/gtest.h>

namespace torvanel {
namespace {

RecordLayoutInput editsOnly(int panelWidth, int count, int width, int labelWidth, int height) {
  RecordLayoutInput in;
  in.panelWidth = panelWidth;
  in.panelHeight = 10;
  in.textHeight = 16;
  for (int i = 0; i < count; ++i) in.editFields.push_back({labelWidth, width, height});
  return in;
}

TEST(RecordLayout, EditFieldsFlowIntoLines) {
  const RecordLayout l = layOutRecord(editsOnly(400, 3, 120, 40, 20));
  ASSERT_EQ(l.edits.size(), 3u);
  // The first two share the first line; the third, with 30 left, starts the next line.
  EXPECT_EQ(l.editLabels[0], QRect(3, 3, 40, 20));
  EXPECT_EQ(l.edits[0], QRect(43, 3, 120, 20));
  EXPECT_EQ(l.editLabels[1].topLeft(), QPoint(165, 3));
  EXPECT_EQ(l.edits[1].topLeft(), QPoint(205, 3));
  EXPECT_EQ(l.editLabels[2].topLeft(), QPoint(3, 29));
  EXPECT_EQ(l.edits[2], QRect(43, 29, 120, 20));
  EXPECT_GE(l.panel.height(), 49);
  EXPECT_EQ(l.panel.width(), 400);
}

TEST(RecordLayout, PicturesMakeABandTheFieldsFlowBeside) {
  RecordLayoutInput in = editsOnly(600, 4, 100, 40, 20);
  in.pictureLabelWidths = {30, 200};  // one label narrower than the picture, one wider
  const RecordLayout l = layOutRecord(in);
  ASSERT_EQ(l.pictures.size(), 2u);
  EXPECT_EQ(l.pictures[0], QRect(3, 3, 96, 96));
  EXPECT_EQ(l.pictures[1], QRect(102, 3, 96, 96));
  EXPECT_EQ(l.pictureLabels[0], QRect(3 + 33, 102, 30, 16));  // centred: (96 - 30) / 2 = 33
  EXPECT_EQ(l.pictureLabels[1], QRect(102, 102, 200, 16));    // wider: from the picture's left
  // Lines beside the band start right of it at 201: two fields fit per line (201..600).
  EXPECT_EQ(l.editLabels[0].topLeft(), QPoint(201, 3));
  EXPECT_EQ(l.editLabels[1].topLeft(), QPoint(343, 3));
  EXPECT_EQ(l.editLabels[2].topLeft(), QPoint(201, 29));
  EXPECT_EQ(l.editLabels[3].topLeft(), QPoint(343, 29));
  // The band is 96 + 3 + 16 + 6 = 121 high: the panel is at least that.
  EXPECT_GE(l.panel.height(), 121);
}

TEST(RecordLayout, AFieldWiderThanThePanelShrinksOnAnEmptyLineBelowTheBand) {
  RecordLayoutInput in = editsOnly(300, 1, 1000, 40, 20);
  in.pictureLabelWidths = {30};
  const RecordLayout l = layOutRecord(in);
  // Beside the picture it cannot fit, so it moves below the band and shrinks to the room left.
  EXPECT_EQ(l.editLabels[0].topLeft(), QPoint(3, 121));
  EXPECT_EQ(l.edits[0], QRect(43, 121, 300 - 3 - 3 - 40, 20));
  // Without pictures the first line is already below the (empty) band.
  const RecordLayout plain = layOutRecord(editsOnly(300, 1, 1000, 40, 20));
  EXPECT_EQ(plain.edits[0], QRect(43, 3, 254, 20));
  // A label wider than the panel leaves no room at all, never a negative width.
  EXPECT_EQ(layOutRecord(editsOnly(100, 1, 50, 500, 20)).edits[0].width(), 0);
}

TEST(RecordLayout, MemosFillWhatIsLeftOrTheyGrowThePanel) {
  RecordLayoutInput in = editsOnly(400, 1, 100, 40, 20);
  in.memoLabelWidths = {50};
  in.panelHeight = 500;  // tall: the memo takes everything below the edit line
  RecordLayout l = layOutRecord(in);
  const int y = 3 + 20 + 6;
  ASSERT_EQ(l.memos.size(), 1u);
  EXPECT_EQ(l.memoLabels[0], QRect(3, y, 50, 16));
  EXPECT_EQ(l.memos[0], QRect(3, y + 16 + 3, 394, 500 - y - 22));
  EXPECT_EQ(l.panel.height(), 500);

  in.memoLabelWidths = {50, 60};
  in.panelHeight = 100;  // too low for two 70-pixel memos: the panel grows
  l = layOutRecord(in);
  EXPECT_EQ(l.panel.height(), (16 + 76) * 2 + y);
  EXPECT_EQ(l.memos[0].height(), 70);
  EXPECT_EQ(l.memoLabels[1].top(), y + 16 + 70 + 6);
  EXPECT_EQ(l.memos[1].top(), y + 16 + 70 + 6 + 19);
}

TEST(RecordLayout, PageSplitAndButtons) {
  const PageSplit s = splitRecordPage(400);
  EXPECT_EQ(s.gridHeight, 133);
  EXPECT_EQ(s.boxTop, 136);
  EXPECT_EQ(s.boxHeight, 400 - 133 - 6);
  EXPECT_EQ(splitRecordPage(301).gridHeight, 100);  // 100.33 rounded
  const RecordButtons b = placeRecordButtons(800, 75, 70, 65);
  EXPECT_EQ(b.appendLeft, 800 - 75 - 3);
  EXPECT_EQ(b.nextLeft, b.appendLeft - 3 - 70);
  EXPECT_EQ(b.priorLeft, b.nextLeft - 3 - 65);
}

}  // namespace
}  // namespace torvanel

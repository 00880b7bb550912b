#pragma once

#include <QRect>
#include <vector>

namespace torvanel {

// Where the single-record view puts its generated controls on one display page: pictures in a
// band across the top of the panel, edit fields flowed left to right into lines beside and below
// that band, memos filling the rest. Pure geometry in pixels, so the rules are tested without a
// window; the widgets only apply the result.

// One edit field as the flow sees it: its label's text width, the field's width (the grid
// column's), and its control's height.
struct EditFieldSize {
  int labelWidth = 0;
  int width = 0;
  int height = 0;
};

struct RecordLayoutInput {
  int panelWidth = 0;   // the scroll box's client width (the panel is never under 100 wide)
  int panelHeight = 0;  // the scroll box's client height
  int pixelsPerInch = 96;
  int textHeight = 0;                     // of "和" in the window's font
  std::vector<int> pictureLabelWidths;    // one per picture field, in column order
  std::vector<EditFieldSize> editFields;  // in column order
  std::vector<int> memoLabelWidths;       // one per memo field, in column order
};

struct RecordLayout {
  QSize panel;  // grown as the controls needed
  std::vector<QRect> pictures, pictureLabels;
  std::vector<QRect> editLabels, edits;  // an edit's width may have shrunk to the room left
  std::vector<QRect> memoLabels, memos;
};

RecordLayout layOutRecord(const RecordLayoutInput& in);

// The page around the panel: the grid takes the top third of the page's client height, the
// scroll box sits 3 below it and leaves 3 for the splitter under it.
struct PageSplit {
  int gridHeight = 0;
  int boxTop = 0;
  int boxHeight = 0;
};
PageSplit splitRecordPage(int pageClientHeight);

// The buttons "增加记录", "后一记录", "前一记录" on the window's top edge, from the right, 3 apart.
struct RecordButtons {
  int appendLeft = 0, nextLeft = 0, priorLeft = 0;
};
RecordButtons placeRecordButtons(int clientWidth, int appendWidth, int nextWidth, int priorWidth);

}  // namespace torvanel

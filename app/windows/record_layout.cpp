#include "app/windows/record_layout.h"

#include <algorithm>

#include "app/common/rounding.h"

namespace torvanel {

namespace {

constexpr int kGap = 3;          // between the panel's edge, pictures and labels
constexpr int kLineGap = 6;      // between lines of edit fields
constexpr int kMemoHeight = 70;  // a memo box's height when the panel has to grow for it

}  // namespace

RecordLayout layOutRecord(const RecordLayoutInput& in) {
  RecordLayout out;
  int width = std::max(in.panelWidth, 100);
  int height = in.panelHeight;
  const int p = in.pixelsPerInch;
  const int t = in.textHeight;

  // The picture band: P by P pictures side by side, each with its label under it.
  const int n = static_cast<int>(in.pictureLabelWidths.size());
  if (n > 0) {
    width = std::max(width, (p + kGap) * n + kGap);
    height = std::max(height, p + kGap + t + kLineGap);
  }
  for (int j = 0; j < n; ++j) {
    const QRect picture(j * (p + kGap) + kGap, kGap, p, p);
    const int labelWidth = in.pictureLabelWidths[j];
    const int labelLeft =
        labelWidth < p ? picture.left() + roundToInt((p - labelWidth) / 2.0) : picture.left();
    out.pictures.push_back(picture);
    out.pictureLabels.emplace_back(labelLeft, picture.bottom() + 1 + kGap, labelWidth, t);
  }
  const int bandBottom = n > 0 ? p + kGap + t + kLineGap : kGap;
  const int bandRight = kGap + (p + kGap) * n;

  // Edit fields, flowed into lines; a line whose top lies beside the band starts right of it.
  int y = kGap;
  int x = y < bandBottom ? bandRight : kGap;
  bool lineEmpty = true;
  int h = 0;
  for (const EditFieldSize& field : in.editFields) {
    int fieldWidth = field.width;
    h = field.height;
    while (width - kGap - x - field.labelWidth < fieldWidth) {
      if (lineEmpty && y >= bandBottom) {
        // Nothing to move down for: the field takes what room there is (never less than none).
        fieldWidth = std::max(0, width - kGap - x - field.labelWidth);
        break;
      }
      y = lineEmpty && y < bandBottom ? bandBottom : y + h + kLineGap;
      lineEmpty = true;
      height = std::max(height, y + h);
      x = y < bandBottom ? bandRight : kGap;
    }
    out.editLabels.emplace_back(x, y, field.labelWidth, h);
    x += field.labelWidth;
    out.edits.emplace_back(x, y, fieldWidth, h);
    x += fieldWidth + 2;
    lineEmpty = false;
  }
  if (!in.editFields.empty()) y += h + kLineGap;
  y = std::max(y, bandBottom);

  // Memos fill the rest of the panel, or the panel grows to give each 70 pixels.
  const int m = static_cast<int>(in.memoLabelWidths.size());
  int memoHeight = kMemoHeight;
  if (height < (t + kMemoHeight + kLineGap) * m + y) {
    height = (t + kMemoHeight + kLineGap) * m + y;
  } else if (m > 0) {
    memoHeight = roundToInt(static_cast<double>(height - y - (t + kLineGap) * m) / m);
  }
  for (int j = 0; j < m; ++j) {
    const int top = j * (t + memoHeight + kLineGap) + y;
    out.memoLabels.emplace_back(kGap, top, in.memoLabelWidths[j], t);
    out.memos.emplace_back(kGap, top + t + kGap, width - 2 * kGap, memoHeight);
  }
  out.panel = QSize(width, height);
  return out;
}

PageSplit splitRecordPage(int pageClientHeight) {
  PageSplit s;
  s.gridHeight = roundToInt(pageClientHeight / 3.0);
  s.boxTop = s.gridHeight + kGap;
  s.boxHeight = pageClientHeight - s.gridHeight - 2 * kGap;
  return s;
}

RecordButtons placeRecordButtons(int clientWidth, int appendWidth, int nextWidth, int priorWidth) {
  RecordButtons b;
  b.appendLeft = clientWidth - appendWidth - kGap;
  b.nextLeft = b.appendLeft - kGap - nextWidth;
  b.priorLeft = b.nextLeft - kGap - priorWidth;
  return b;
}

}  // namespace torvanel

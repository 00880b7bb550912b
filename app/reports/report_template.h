#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace torvanel {

// One report layout: paper, margins, texts, printed columns, grouping and table rules. Sizes are
// whole millimetres. Every value is kept inside its range (see clampToRanges), so the page
// calculation and composition never divide by zero or index past a table.

enum class TextAlignment { Centre = 1, Left = 2, Right = 3 };  // the numbers the file stores

// One text section with its font. Sections 0–3 (titles, page header and footer) hold one line in
// `text`; sections 4–6 (head text, tail text, body header) hold `lines`.
struct TextSection {
  bool multiline = false;
  QString caption;
  QString text;
  QStringList lines;
  QString fontName = QStringLiteral("宋体");  // kept as stored, even when not installed
  int size = 9;                               // points, 5..72
  bool bold = false, italic = false, underline = false;
  TextAlignment alignment = TextAlignment::Left;
  int colour = 0;  // 0x00BBGGRR, red in the low byte
  int maxLength = 256;
  int spacing = 0;  // mm left before the section, 0..30
};

// The seven sections, in storage order.
enum Section {
  kMainTitle,
  kSubtitle,
  kPageHeader,
  kPageFooter,
  kHeadText,
  kTailText,
  kBody,
  kSectionCount
};

// The rows of a grid column.
enum GridRow {
  kFieldName,
  kPrinted,
  kWidth,
  kAlignment,
  kPageSum,
  kGroupSum,
  kGrandSum,
  kPageLabel,
  kGroupLabel,
  kGrandLabel,
  kTitle,
  kGridRows
};
using GridColumn = std::array<QString, kGridRows>;

// The printed columns in print order. columns[0] holds the row captions; each further column
// names a field or one of the three row numbers.
struct ColumnGrid {
  std::vector<GridColumn> columns;
};

extern const QString kChecked;     // "√": a flag cell that is on
extern const QString kPageRowNo;   // row number on the page
extern const QString kGroupRowNo;  // row number within the group
extern const QString kTotalRowNo;  // row number in the whole report
bool isRowNumberName(const QString& name);

// Marks a group range that is open on its side.
extern const QString kOpenRange;

enum class RuleStyle { VerticalOnly = 0, HorizontalOnly = 1, Both = 2, None = 3 };
enum class LineStyle { ThinSolid = 0, ThickSolid = 1, ThinDashed = 2, ThickDashed = 3 };

struct ReportTemplate {
  int paperType = 0;  // 0..8, 8 = the user's own size
  int paperWidth = 210, paperHeight = 297;
  bool landscape = false;
  int tablesAcross = 1;  // 1..10
  int leftMargin = 15, rightMargin = 15, topMargin = 15, bottomMargin = 15;
  bool printLogo = false;
  bool logoTransparent = true;
  int logoWidth = 10, logoHeight = 10, logoLeft = 0, logoTop = 0;
  std::array<TextSection, kSectionCount> sections;
  ColumnGrid grid;
  bool grouping = false;
  bool groupTotals = false;
  bool pageTotals = false;
  bool grandTotals = false;
  QString groupField;
  bool defaultHeader = false;
  RuleStyle ruleStyle = RuleStyle::Both;
  LineStyle lineStyle = LineStyle::ThinSolid;
  bool printEmptyRows = true;

  // The layout's page: the paper turned when landscape.
  int pageWidth() const { return landscape ? paperHeight : paperWidth; }
  int pageHeight() const { return landscape ? paperWidth : paperHeight; }
  bool grouped() const { return grouping && !groupField.isEmpty(); }
};

// The paper sizes of types 0..7 (portrait width and height, mm); type 8 keeps its own size.
struct PaperSize {
  int width, height;
};
extern const std::array<PaperSize, 8> kPaperSizes;

// A template holding every default: sections with their captions, and a grid of the caption
// column and the three row-number columns (the table's fields come in through reconcile).
ReportTemplate defaultTemplate();

// A grid column for a field of `engineSize` (its size halved and rounded up; 5 when the size is
// 0 or less), or for a row-number name.
GridColumn fieldColumn(const QString& field, int engineSize);
GridColumn rowNumberColumn(const QString& name);

// Brings the grid in line with the table: every field and row-number name gets a column (new ones
// at the right, in the table's order, sizes from `fieldSizes`), columns naming anything else go;
// the others keep their order and settings. A group field that is not a field is cleared.
void reconcile(ReportTemplate& t, const QStringList& fields, const std::vector<int>& fieldSizes);

// Puts every value inside its documented range: paper type above 8 reads as 0; tables across
// 1..10; margins, sizes, spacings, styles and alignments to their ranges; the paper at least as
// large as its margins (and at least 1 mm); the logo inside the page and at least 10 mm.
void clampToRanges(ReportTemplate& t);

}  // namespace torvanel

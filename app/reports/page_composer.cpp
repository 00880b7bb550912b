#include "app/reports/page_composer.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>

#include "app/common/gbk_string.h"
#include "app/common/rounding.h"
#include "app/reports/logo_picture.h"
#include "app/reports/page_tokens.h"
#include "app/reports/rule_lines.h"
#include "engine/convert.h"
#include "engine/table.h"

namespace torvanel {

namespace {

bool printsNothing(tdb::FieldType type) {
  return type == tdb::FieldType::ftBlob || type == tdb::FieldType::ftGraphic ||
         type == tdb::FieldType::ftTypedBinary;
}

// Where text of `width` starts in the span left..right (both inclusive) for `alignment`; text
// wider than the span starts at its left.
int alignedX(TextAlignment alignment, int width, int left, int right) {
  if (width >= right - left + 1) return left;
  switch (alignment) {
    case TextAlignment::Centre:
      return left + roundToInt((right - left - width + 1) / 2.0);
    case TextAlignment::Right:
      return right - width + 1;
    default:
      return left;
  }
}

}  // namespace

PageComposer::PageComposer(const ReportTemplate& t, tdb::Table* table,
                           std::vector<PrintedColumn> printed, int dpi)
    : t_(t), table_(table), printed_(std::move(printed)), dpi_(dpi) {
  for (const PrintedColumn& c : printed_) widths_.push_back(c.width);
  for (int s = 0; s < kSectionCount; ++s) fonts_[s] = sectionFont(t.sections[s], dpi, s == kBody);
  for (int kind = 0; kind < 3; ++kind)
    rules_[kind] = ruleLine(static_cast<RuleKind>(kind), t.ruleStyle, t.lineStyle, widths_);
  separator_ = rowSeparator(t.ruleStyle, t.lineStyle);
  width_ = px(t.pageWidth());
  height_ = px(t.pageHeight());
  tailHeight_ = px(t.sections[kTailText].spacing);
  for (const QString& line : t.sections[kTailText].lines)
    tailHeight_ += fonts_[kTailText].height(line);
  if (table) {
    for (size_t i = 1; i < t.grid.columns.size(); ++i) {
      const QString& name = t.grid.columns[i][kFieldName];
      if (isRowNumberName(name)) continue;
      if (const tdb::Field* f = table->findField(gbkText(name)))
        tokenFields_.insert(name, f->index());
    }
  }
}

void PageComposer::setPages(const PageList* pages, ColumnTotals* totals) {
  pages_ = pages;
  totals_ = totals;
  summedGroup_ = 0;
}

void PageComposer::setLogoFile(const QString& path) {
  logoFile_ = path;
  logoRead_ = false;
}

int PageComposer::px(int mm) const { return roundToInt(mm * dpi_ / 25.4); }

int PageComposer::rowsThatFit() {
  int rows = 0;
  measuring_ = true;  // only the lines' heights count: no items, however large the page
  layOut(0, 0, &rows);
  measuring_ = false;
  return rows;
}

int PageComposer::rowsUnder(int y) const {
  const int rowHeight = fonts_[kBody].lineHeight;
  int rows = (height_ - y - px(t_.bottomMargin) - tailHeight_) / rowHeight;
  if (!rules_[2].isEmpty()) rows = (rows - 1) / 2;  // a rule above every row, one under the last
  return rows;
}

Sheet PageComposer::compose(int firstPage, int lastPage) {
  return layOut(firstPage, lastPage, nullptr);
}

Sheet PageComposer::layOut(int firstPage, int lastPage, int* rows) {
  Sheet sheet;
  sheet.paperWidthMm = t_.paperWidth;
  sheet.paperHeightMm = t_.paperHeight;
  sheet.landscape = t_.landscape;
  sheet.layoutDpi = dpi_;
  sheet.size = QSize(width_, height_);
  const int left = px(t_.leftMargin), right = width_ - px(t_.rightMargin);
  const auto& s = t_.sections;
  lineout(sheet, true, kPageHeader, filled(s[kPageHeader].text, firstPage), 0, right, left);
  lineout(sheet, true, kPageFooter, filled(s[kPageFooter].text, firstPage),
          height_ - px(t_.bottomMargin), right, left);
  const int title = lineout(sheet, true, kMainTitle, filled(s[kMainTitle].text, firstPage),
                            px(t_.topMargin), right, left);
  const int y =
      lineout(sheet, true, kSubtitle, filled(s[kSubtitle].text, firstPage), title, right, left);
  const int across = t_.tablesAcross;
  const int bandWidth = roundToInt(double(right - left) / across);
  for (int k = 0; k < across; ++k) {
    const int page = firstPage == 0 ? 0 : firstPage + k;
    if (page > lastPage && firstPage > 0) break;
    if (page > 0) sheet.pages.push_back(page);
    const int fit = composeBand(sheet, {left + bandWidth * k, left + bandWidth * (k + 1), page}, y);
    if (rows) *rows = fit;
  }
  addLogo(sheet);
  return sheet;
}

int PageComposer::composeBand(Sheet& sheet, const Band& band, int y) {
  const auto& s = t_.sections;
  y = std::min(y + px(s[kHeadText].spacing), height_);
  for (const QString& line : s[kHeadText].lines)
    y = lineout(sheet, false, kHeadText, filled(line, band.page), y, band.right, band.left);
  y += px(s[kBody].spacing);
  for (const QString& line : s[kBody].lines)
    y = lineout(sheet, false, kBody, filled(line, band.page), y, band.right, band.left);
  if (t_.defaultHeader) y = rowout(sheet, band, RowKind::Title, rule(sheet, band, 0, y));
  const int rows = rowsUnder(y);

  int used = 0, totalRows = 0;
  bool groupRow = false, grandRow = false;
  if (band.page > 0) {
    const PageEntry& page = pages_->pages[band.page - 1];
    if (t_.pageTotals) totals_->reset(kPageTotal);
    for (long n = page.first; n <= page.last; ++n) {
      const uint32_t record = table_->recordAt(n);
      if (record == 0) break;  // the table lost records since the calculation
      if (t_.pageTotals) totals_->add(kPageTotal, *table_, record);
      y = rowout(sheet, band, RowKind::Data, rule(sheet, band, 1, y), record, ++used);
    }
    groupRow = t_.grouped() && t_.groupTotals && lastOfGroup(band.page);
    grandRow = t_.grandTotals && band.page == static_cast<int>(pages_->pages.size());
    if (groupRow) sumGroup(page.group);
    totalRows = int(t_.pageTotals) + groupRow + grandRow;
  }
  if (t_.printEmptyRows)
    for (int i = used + totalRows; i < rows; ++i)
      y = rowout(sheet, band, RowKind::Empty, rule(sheet, band, 1, y));
  if (band.page > 0 && t_.pageTotals)
    y = rowout(sheet, band, RowKind::PageTotal, rule(sheet, band, 1, y));
  if (groupRow) y = rowout(sheet, band, RowKind::GroupTotal, rule(sheet, band, 1, y));
  if (grandRow) y = rowout(sheet, band, RowKind::GrandTotal, rule(sheet, band, 1, y));
  y = rule(sheet, band, 2, y);
  y += px(s[kTailText].spacing);
  for (const QString& line : s[kTailText].lines)
    y = lineout(sheet, false, kTailText, filled(line, band.page), y, band.right, band.left);
  return rows;
}

bool PageComposer::lastOfGroup(int page) const {
  const auto& pages = pages_->pages;
  return page == static_cast<int>(pages.size()) || pages[page].group != pages[page - 1].group;
}

void PageComposer::sumGroup(int group) {
  if (group == summedGroup_) return;
  const GroupEntry& g = pages_->groups[group - 1];
  totals_->reset(kGroupTotal);
  for (long n = g.first; n <= g.last; ++n)
    if (const uint32_t record = table_->recordAt(n)) totals_->add(kGroupTotal, *table_, record);
  summedGroup_ = group;
}

int PageComposer::rule(Sheet& sheet, const Band& band, int kind, int y) const {
  return lineout(sheet, false, kBody, rules_[kind], y, band.right, band.left);
}

int PageComposer::lineout(Sheet& sheet, bool spacing, int section, const QString& text, int y,
                          int right, int left) const {
  const SectionFont& font = fonts_[section];
  const int top = std::min(y + (spacing ? px(t_.sections[section].spacing) : 0), height_);
  const int bottom = std::min(top + font.height(text), height_);
  if (!text.trimmed().isEmpty()) {
    const int x = alignedX(t_.sections[section].alignment, font.width(text), left, right);
    addText(sheet, text, x, top, x, right, bottom, font);
  }
  return bottom;
}

int PageComposer::rowout(Sheet& sheet, const Band& band, RowKind kind, int y, uint32_t record,
                         int rowOnPage) const {
  const SectionFont& font = fonts_[kBody];
  const int cell = font.cell;
  const int top = std::min(y, height_);
  const int bottom = std::min(top + font.lineHeight, height_);
  const int right = band.right;
  int x = alignedX(t_.sections[kBody].alignment, rowCells(widths_) * cell, band.left, right);
  const auto separatorCell = [&] {
    const int end = std::min(x + cell - 1, right);
    if (!separator_.isEmpty()) addText(sheet, separator_, x, top, x, end, bottom, font);
    x = std::min(end + 1, right);
  };
  bool any = false;
  for (size_t i = 0; i < printed_.size(); ++i) {
    const PrintedColumn& c = printed_[i];
    if (c.width <= 0) continue;
    any = true;
    separatorCell();
    const int span = c.width * cell;
    const int end = std::min(x + span - 1, right);
    QString text = cellText(c, static_cast<int>(i), band, kind, record, rowOnPage);
    const QString alignment = t_.grid.columns[c.grid][kAlignment].trimmed();
    int at = x;
    if (!alignment.isEmpty()) {
      text = text.trimmed();
      const int width = font.width(text);
      if (x + width - 1 < end) {
        if (alignment == QStringLiteral("右对齐")) at = x + span - width;
        if (alignment == QStringLiteral("居中")) at = x + roundToInt((span - width) / 2.0);
      }
    }
    if (!text.isEmpty()) addText(sheet, text, at, top, x, end, bottom, font);
    if (end >= right) return bottom;  // the band ends here: nothing further would show
    x = end + 1;
  }
  if (any && x > band.left) separatorCell();
  return bottom;
}

QString PageComposer::cellText(const PrintedColumn& c, int printedIndex, const Band& band,
                               RowKind kind, uint32_t record, int rowOnPage) const {
  const GridColumn& column = t_.grid.columns[c.grid];
  switch (kind) {
    case RowKind::Empty:
      return {};
    case RowKind::Title:
      return printableLine(column[kTitle]);
    case RowKind::PageTotal:
    case RowKind::GroupTotal:
    case RowKind::GrandTotal: {
      const int total = static_cast<int>(kind) - static_cast<int>(RowKind::PageTotal);
      if (column[kPageSum + total] == kChecked)
        return totals_->text(static_cast<TotalKind>(total), printedIndex);
      return printableLine(column[kPageLabel + total]);
    }
    case RowKind::Data:
      break;
  }
  const PageEntry& page = pages_->pages[band.page - 1];
  switch (c.kind) {
    case PrintedColumn::Kind::Field:
      return fieldText(record, c.field);
    case PrintedColumn::Kind::PageRowNo:
      return QString::number(rowOnPage);
    case PrintedColumn::Kind::TotalRowNo:
      return QString::number(page.first - pages_->pages.front().first + rowOnPage);
    case PrintedColumn::Kind::GroupRowNo:
      if (!t_.grouped() || page.group == 0) return {};
      return QString::number(page.first - pages_->groups[page.group - 1].first + rowOnPage);
  }
  return {};
}

QString PageComposer::fieldText(uint32_t record, int field) const {
  const tdb::FieldType type = table_->fieldDefs()[field].type;
  if (record == 0 || printsNothing(type)) return {};
  return printableLine(fromGbk(tdb::displayText(table_->valueAt(record, field), type)));
}

QString PageComposer::filled(const QString& text, int page) const {
  if (page == 0) return printableLine(text);
  const PageEntry& entry = pages_->pages[page - 1];
  TokenValues values;
  values.page = page;
  values.pageCount = static_cast<int>(pages_->pages.size());
  values.grouped = t_.grouped() && entry.group > 0;
  if (values.grouped) {
    values.groupPage = entry.pageInGroup;
    values.groupPageCount = pages_->groups[entry.group - 1].pages;
  }
  const QLocale locale = QLocale::system();
  values.date = locale.toString(printedAt_.date(), QLocale::ShortFormat);
  values.time = locale.toString(printedAt_.time(), QLocale::LongFormat);
  values.field = [&](const QString& name) -> std::optional<QString> {
    const auto it = tokenFields_.constFind(name);
    if (it == tokenFields_.constEnd()) return std::nullopt;
    return fieldText(table_->recordAt(entry.first), *it);
  };
  return printableLine(fillTokens(text, values));
}

void PageComposer::addText(Sheet& sheet, const QString& text, int x, int top, int clipLeft,
                           int clipRight, int bottom, const SectionFont& font) const {
  const QRect clip(QPoint(clipLeft, top), QPoint(clipRight, bottom - 1));
  if (clip.isEmpty() || measuring_) return;
  sheet.items.push_back(SheetText{text, QPoint(x, top), top + font.ascent, clip, font.font,
                                  font.colour, font.width(text)});
}

void PageComposer::addLogo(Sheet& sheet) {
  if (!t_.printLogo || logoFile_.isEmpty() || measuring_) return;
  if (!logoRead_) {
    logoRead_ = true;
    const QImage picture(logoFile_);
    logo_ = picture.isNull() || !t_.logoTransparent ? picture : withTransparentBackground(picture);
  }
  if (logo_.isNull()) return;
  const QRect target(
      QPoint(px(t_.logoLeft), px(t_.logoTop)),
      QPoint(px(t_.logoLeft + t_.logoWidth) - 1, px(t_.logoTop + t_.logoHeight) - 1));
  sheet.items.push_back(SheetImage{target, logo_});
}

}  // namespace torvanel

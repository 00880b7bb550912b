#include "app/reports/report_template.h"

#include <algorithm>

namespace torvanel {

const QString kChecked = QStringLiteral("√");
const QString kPageRowNo = QStringLiteral("页序号");
const QString kGroupRowNo = QStringLiteral("组序号");
const QString kTotalRowNo = QStringLiteral("总序号");
const QString kOpenRange = QStringLiteral("~~!!@@##$$");

const std::array<PaperSize, 8> kPaperSizes = {{{210, 297},
                                               {182, 257},
                                               {297, 420},
                                               {148, 210},
                                               {250, 354},
                                               {190, 254},
                                               {240, 280},
                                               {380, 280}}};

bool isRowNumberName(const QString& name) {
  return name == kPageRowNo || name == kGroupRowNo || name == kTotalRowNo;
}

namespace {

GridColumn captionColumn() {
  return {QStringLiteral("字段名称>>"), QStringLiteral("是否打印"), QStringLiteral("打印宽度"),
          QStringLiteral("对齐方式"),   QStringLiteral("是否页计"), QStringLiteral("是否组计"),
          QStringLiteral("是否总计"),   QStringLiteral("页计标识"), QStringLiteral("组计标识"),
          QStringLiteral("总计标识"),   QStringLiteral("打印标题")};
}

bool hasColumn(const ColumnGrid& grid, const QString& name) {
  return std::any_of(grid.columns.begin() + 1, grid.columns.end(),
                     [&](const GridColumn& c) { return c[kFieldName] == name; });
}

}  // namespace

GridColumn fieldColumn(const QString& field, int engineSize) {
  GridColumn c;
  c[kFieldName] = field;
  c[kPrinted] = kChecked;
  c[kWidth] = QString::number(engineSize <= 0 ? 5 : (engineSize + 1) / 2);
  c[kTitle] = field;
  return c;
}

GridColumn rowNumberColumn(const QString& name) {
  GridColumn c;
  c[kFieldName] = name;
  if (name == kTotalRowNo) c[kPrinted] = kChecked;
  c[kWidth] = QStringLiteral("3");
  c[kTitle] = name;
  return c;
}

ReportTemplate defaultTemplate() {
  ReportTemplate t;
  static const char* const captions[kSectionCount] = {
      "编辑主标题", "编辑副标题", "编辑页眉", "编辑页脚", "编辑表头", "编辑表尾", "表体部分"};
  for (int s = 0; s < kSectionCount; ++s) {
    TextSection& section = t.sections[s];
    section.caption = QString::fromUtf8(captions[s]);
    section.multiline = s >= kHeadText;
    section.maxLength = s >= kHeadText ? 2048 : 256;
  }
  t.grid.columns = {captionColumn(), rowNumberColumn(kPageRowNo), rowNumberColumn(kGroupRowNo),
                    rowNumberColumn(kTotalRowNo)};
  return t;
}

void reconcile(ReportTemplate& t, const QStringList& fields, const std::vector<int>& fieldSizes) {
  auto& columns = t.grid.columns;
  if (columns.empty()) columns.push_back(captionColumn());
  for (qsizetype i = 0; i < fields.size(); ++i) {
    if (!hasColumn(t.grid, fields[i]))
      columns.push_back(
          fieldColumn(fields[i], i < qsizetype(fieldSizes.size()) ? fieldSizes[i] : 0));
  }
  for (const QString& name : {kPageRowNo, kGroupRowNo, kTotalRowNo})
    if (!hasColumn(t.grid, name)) columns.push_back(rowNumberColumn(name));
  columns.erase(std::remove_if(columns.begin() + 1, columns.end(),
                               [&](const GridColumn& c) {
                                 return !fields.contains(c[kFieldName]) &&
                                        !isRowNumberName(c[kFieldName]);
                               }),
                columns.end());
  if (!fields.contains(t.groupField)) t.groupField.clear();
}

void clampToRanges(ReportTemplate& t) {
  if (t.paperType < 0 || t.paperType > 8) t.paperType = 0;
  t.tablesAcross = std::clamp(t.tablesAcross, 1, 10);
  for (int* margin : {&t.leftMargin, &t.rightMargin, &t.topMargin, &t.bottomMargin})
    *margin = std::clamp(*margin, 0, 255);
  t.paperWidth = std::clamp(t.paperWidth, std::max(1, t.leftMargin + t.rightMargin), 65535);
  t.paperHeight = std::clamp(t.paperHeight, std::max(1, t.topMargin + t.bottomMargin), 65535);
  const int pageWidth = t.pageWidth(), pageHeight = t.pageHeight();
  t.logoWidth = std::clamp(t.logoWidth, std::min(10, pageWidth), pageWidth);
  t.logoHeight = std::clamp(t.logoHeight, std::min(10, pageHeight), pageHeight);
  t.logoLeft = std::clamp(t.logoLeft, 0, pageWidth);
  t.logoTop = std::clamp(t.logoTop, 0, pageHeight);
  for (TextSection& s : t.sections) {
    s.size = std::clamp(s.size, 5, 72);
    s.maxLength = std::clamp(s.maxLength, 0, 65535);
    s.spacing = std::clamp(s.spacing, 0, 30);
    const int alignment = std::clamp(static_cast<int>(s.alignment), 1, 3);
    s.alignment = static_cast<TextAlignment>(alignment);
  }
  t.ruleStyle = static_cast<RuleStyle>(std::clamp(static_cast<int>(t.ruleStyle), 0, 3));
  t.lineStyle = static_cast<LineStyle>(std::clamp(static_cast<int>(t.lineStyle), 0, 3));
}

}  // namespace torvanel

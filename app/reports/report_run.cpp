#include "app/reports/report_run.h"

#include "app/common/gbk_string.h"
#include "app/reports/template_file.h"
#include "engine/table.h"

namespace torvanel {

const QString kNoPagesMessage = QStringLiteral("数据库没有满足条件记录或纸张太小，不能制表！");

ReportRun::ReportRun(ReportTemplate t, tdb::Table& table, int dpi, const QString& logoFile)
    : t_(std::move(t)), table_(table) {
  std::vector<PrintedColumn> printed = printedColumns(t_, &table_);
  totals_ = ColumnTotals(t_, printed);
  composer_ = std::make_unique<PageComposer>(t_, &table_, std::move(printed), dpi);
  composer_->setLogoFile(logoFile);
  composer_->setPages(&pages_, &totals_);
}

ReportRun::~ReportRun() = default;

bool ReportRun::calculate(const QString& rangeStart, const QString& rangeEnd,
                          const ReportProgress& progress) {
  pages_ = calpage(t_, table_, composer_->rowsThatFit(), rangeStart, rangeEnd, totals_, progress);
  composer_->setPages(&pages_, &totals_);
  return !pages_.empty();
}

int ReportRun::sheetCount() const {
  const int pages = static_cast<int>(pages_.pages.size());
  return (pages + t_.tablesAcross - 1) / t_.tablesAcross;
}

Sheet ReportRun::sheet(int n) {
  if (n < 1 || n > sheetCount())
    throw ReportError(QStringLiteral("报表没有第%1张, 共%2张").arg(n).arg(sheetCount()));
  return composer_->compose((n - 1) * t_.tablesAcross + 1, static_cast<int>(pages_.pages.size()));
}

Sheet ReportRun::sheetFrom(int firstPage, int lastPage) {
  return composer_->compose(firstPage, lastPage);
}

Sheet ReportRun::emptyLayout() { return composer_->compose(0, 0); }

void ReportRun::setPrintedAt(const QDateTime& at) { composer_->setPrintedAt(at); }

void reconcileWithTable(ReportTemplate& t, const tdb::Table& table) {
  QStringList fields;
  std::vector<int> sizes;
  for (const tdb::FieldDef& def : table.fieldDefs()) {
    fields << fromGbk(def.name);
    // Only text has a width in characters; numbers, dates and the rest get the default width.
    sizes.push_back(def.type == tdb::FieldType::ftString ? def.size : 0);
  }
  reconcile(t, fields, sizes);
}

ReportTemplate templateForTable(const QString& programFolder, const QString& templateFile,
                                const tdb::Table& table) {
  ReportTemplate t = readTemplateFile(templatePath(programFolder, templateFile));
  reconcileWithTable(t, table);
  return t;
}

}  // namespace torvanel

#include "app/reports/designer_body_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/reports/designer_column_grid.h"
#include "app/reports/designer_font_group.h"
#include "app/reports/designer_header_design.h"
#include "app/reports/report_dialog_parts.h"

namespace torvanel {

DesignerBodyTab::DesignerBodyTab(ReportTemplate& t, QWidget* parent) : QWidget(parent), t_(t) {
  pages_ = new QTabWidget(this);
  grid_ = new ColumnGridView(t, pages_);
  header_ = new HeaderDesignPage(t, pages_);
  pages_->addTab(grid_, QStringLiteral("表体设计"));
  pages_->addTab(header_, QStringLiteral("头部设计"));
  font_ = new DesignerFontGroup(t.sections[kBody], this);

  auto* side = new QVBoxLayout;
  side->addWidget(font_);
  side->addWidget(choices());
  side->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(pages_, 3);
  layout->addLayout(side, 1);

  connect(grid_, &ColumnGridView::changed, this, [this] {
    header_->layOut();  // the default header's titles and widths
    emit changed();
  });
  connect(header_, &HeaderDesignPage::edited, this, &DesignerBodyTab::edited);
  connect(font_, &DesignerFontGroup::changed, this, [this] {
    header_->layOut();
    emit changed();
  });
}

QWidget* DesignerBodyTab::choices() {
  auto* box = new QWidget(this);
  grouping_ = new QCheckBox(QStringLiteral("是否分组"), box);
  groupTotals_ = new QCheckBox(QStringLiteral("是否组计"), box);
  pageTotals_ = new QCheckBox(QStringLiteral("是否页计"), box);
  grandTotals_ = new QCheckBox(QStringLiteral("是否总计"), box);
  emptyRows_ = new QCheckBox(QStringLiteral("打印空表行"), box);
  groupField_ = new QComboBox(box);
  groupField_->setObjectName(QStringLiteral("groupField"));
  spacing_ = new NumberBox(0, 30, box);
  lineStyle_ = new QComboBox(box);
  lineStyle_->addItems({QStringLiteral("细实线(─)"), QStringLiteral("粗实线(━)"),
                        QStringLiteral("细虚线(┄)"), QStringLiteral("粗虚线(┅)")});
  ruleStyle_ = new QComboBox(box);
  ruleStyle_->addItems({QStringLiteral("只有竖线"), QStringLiteral("只有横线"),
                        QStringLiteral("双向表线"), QStringLiteral("不要表线")});
  auto* flags = new QHBoxLayout;
  for (QCheckBox* c : {grouping_, groupTotals_, pageTotals_, grandTotals_}) flags->addWidget(c);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("分组字段"), groupField_);
  form->addRow(QStringLiteral("间距(毫米):"), spacing_);
  form->addRow(emptyRows_);
  form->addRow(QStringLiteral("线型选择"), lineStyle_);
  form->addRow(QStringLiteral("表线选择"), ruleStyle_);
  auto* layout = new QVBoxLayout(box);
  layout->addLayout(flags);
  layout->addLayout(form);

  connect(grouping_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_) return;
    t_.grouping = on;
    groupField_->setEnabled(on);
    emit groupingChanged();
    emit changed();
  });
  const std::pair<QCheckBox*, bool ReportTemplate::*> flagsOf[] = {
      {groupTotals_, &ReportTemplate::groupTotals},
      {pageTotals_, &ReportTemplate::pageTotals},
      {grandTotals_, &ReportTemplate::grandTotals},
      {emptyRows_, &ReportTemplate::printEmptyRows}};
  for (const auto& [c, member] : flagsOf)
    connect(c, &QCheckBox::toggled, this, [this, member = member](bool on) {
      if (filling_) return;
      t_.*member = on;
      emit changed();
    });
  connect(groupField_, &QComboBox::currentIndexChanged, this, &DesignerBodyTab::groupFieldChosen);
  connect(spacing_, &QSpinBox::valueChanged, this, [this](int mm) {
    if (filling_) return;
    t_.sections[kBody].spacing = mm;
    emit changed();
  });
  connect(lineStyle_, &QComboBox::currentIndexChanged, this, [this](int style) {
    if (filling_ || style < 0) return;
    t_.lineStyle = static_cast<LineStyle>(style);
    header_->layOut();
    emit changed();
  });
  connect(ruleStyle_, &QComboBox::currentIndexChanged, this, [this](int style) {
    if (filling_ || style < 0) return;
    t_.ruleStyle = static_cast<RuleStyle>(style);
    header_->layOut();
    emit changed();
  });
  return box;
}

void DesignerBodyTab::groupFieldChosen(int entry) {
  if (filling_) return;
  const QString field = entry < 0 ? QString() : groupField_->itemText(entry);
  if (field == t_.groupField) return;
  t_.groupField = field;
  emit groupingChanged();
  emit changed();
}

QCheckBox* DesignerBodyTab::checkBox(const QString& caption) const {
  for (QCheckBox* c : {grouping_, groupTotals_, pageTotals_, grandTotals_, emptyRows_})
    if (c->text() == caption) return c;
  return nullptr;
}

void DesignerBodyTab::setFields(const QStringList& fields) {
  filling_ = true;
  groupField_->clear();
  groupField_->addItems(fields);
  filling_ = false;
  header_->setFields(fields);
}

void DesignerBodyTab::fill() {
  filling_ = true;
  grid_->fill();
  font_->fill();
  grouping_->setChecked(t_.grouping);
  groupTotals_->setChecked(t_.groupTotals);
  pageTotals_->setChecked(t_.pageTotals);
  grandTotals_->setChecked(t_.grandTotals);
  emptyRows_->setChecked(t_.printEmptyRows);
  groupField_->setCurrentIndex(groupField_->findText(t_.groupField, Qt::MatchExactly));
  groupField_->setEnabled(t_.grouping);
  spacing_->setValue(t_.sections[kBody].spacing);
  lineStyle_->setCurrentIndex(static_cast<int>(t_.lineStyle));
  ruleStyle_->setCurrentIndex(static_cast<int>(t_.ruleStyle));
  filling_ = false;
  header_->fill();
}

}  // namespace torvanel

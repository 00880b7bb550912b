#include "app/tools/designer_rows.h"

#include "app/common/gbk_string.h"
#include "app/tools/structure_messages.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

using FT = tdb::FieldType;

constexpr FieldTypeChoice kChoices[] = {
    {"字符", "字符", FT::ftString, "10"},
    {"短整数(4位以下)", "短整数", FT::ftSmallint, ""},
    {"实数", "实数", FT::ftFloat, ""},
    {"日期", "日期", FT::ftDate, ""},
    {"逻辑", "逻辑", FT::ftBoolean, ""},
    {"备注", "备注", FT::ftMemo, "50"},
    {"图象1(Blob)", "图象1", FT::ftBlob, ""},
    {"图象2(graphic)", "图象2", FT::ftGraphic, ""},
    {"图象3(Typedbinary)", "图象3", FT::ftTypedBinary, "1"},
    {"自动计数", "自动计数", FT::ftAutoInc, ""},
};

}  // namespace

std::span<const FieldTypeChoice> fieldTypeChoices() { return kChoices; }

QString shownTypeName(tdb::FieldType type) {
  for (const FieldTypeChoice& c : kChoices)
    if (c.type == type) return QString::fromUtf8(c.shown);
  return QStringLiteral("其他");
}

DesignerRow DesignerRow::fromField(const tdb::FieldDef& def, const QString& name) {
  DesignerRow row;
  row.name = name;
  row.type = def.type;
  row.width = def.size >= 1 ? QString::number(def.size) : QString();
  row.required = def.required;
  row.loaded = def;
  return row;
}

void DesignerRow::pickType(const FieldTypeChoice& choice) {
  type = choice.type;
  width = QString::fromUtf8(choice.width);
  loaded.reset();
}

bool DesignerRow::widthTypable() const { return type == FT::ftString || type == FT::ftMemo; }

int widthValue(const QString& width) {
  bool ok = false;
  const int n = width.trimmed().toInt(&ok);
  return ok ? n : 0;
}

std::variant<tdb::FieldDefs, RowsRefused> fieldDefsOf(const std::vector<DesignerRow>& rows) {
  tdb::FieldDefs defs;
  for (const DesignerRow& row : rows) {
    tdb::FieldDef def = row.loaded.value_or(tdb::FieldDef{});
    try {
      def.name = fieldGbk(row.name, row.name);
    } catch (const tdb::EngineError& e) {
      return RowsRefused{structureRefusal(QString::fromUtf8(e.what()))};
    }
    if (def.name.empty() || defs.indexOf(def.name) >= 0)
      return RowsRefused{QStringLiteral("可能有相同字段名，不能生成表结构，请检查!")};
    def.type = row.type;
    // A loaded row keeps its stored size (and decimals) unless its width was typed over.
    const bool widthKept = row.loaded && row.width == DesignerRow::fromField(*row.loaded, {}).width;
    if (!widthKept) {
      def.size = widthValue(row.width);
      if (!row.loaded) def.precision = 0;
    }
    def.required = row.required;
    defs.add(std::move(def));
  }
  return defs;
}

}  // namespace torvanel

#include "tests/windows/project_shop.h"

#include <vector>

#include "app/projects/project_file.h"
#include "app/projects/project_list_file.h"
#include "tests/engine/table_fixture.h"

namespace torvanel::test {

namespace {

tdb::Value text(const char* utf8) { return tdb::Value::text(tdb::test::gbk(utf8)); }

}  // namespace

Shop::Shop(Workbench& bench, const char* masterTable) : w(bench), master(masterTable) {
  using tdb::FieldType;
  w.makeTable("goods.dbf", {{"CODE", FieldType::ftString, 6},
                            {"NAME", FieldType::ftString, 10},
                            {"PRICE", FieldType::ftFloat, 8, 2}});
  tdb::test::addIndex(w.data, "goods.dbf", {"BYCODE", "CODE", "", 0});
  const std::pair<const char*, double> goods[] = {
      {"A1", 2.5}, {"b2", 3.15}, {"B3", 4}, {"C4", 1.99}};
  const char* names[] = {"苹果", "面包", "香蕉", "牛奶"};
  for (size_t i = 0; i < 4; ++i)
    tdb::test::addRecord(w.data, "goods.dbf",
                         {{"CODE", text(goods[i].first)},
                          {"NAME", text(names[i])},
                          {"PRICE", tdb::Value::number(goods[i].second)}});
  makeMaster(master);

  project.name = QStringLiteral("进货");
  project.master = QStringLiteral("[") + db() + QStringLiteral("]") + QString::fromUtf8(master);
  project.auxiliaries = {{db(), QStringLiteral("goods.dbf"), kLookupRelation,
                          QStringLiteral("CODE->CODE"), kShown, QStringLiteral("CODE")}};
  for (const char* f : {"CODE", "QTY", "PRICE", "AMOUNT", "NOTE"})
    project.formulas << FieldFormula{QString::fromLatin1(f), {}};
  project.formulas[2].formula = ref("goods.dbf", "PRICE");
  project.formulas[3].formula = QStringLiteral("QTY×PRICE");
  DisplayPage entry{QStringLiteral("录入")};
  entry.rows = {{QStringLiteral("CODE"), QStringLiteral("编码"), ref("goods.dbf", "CODE")},
                {QStringLiteral("QTY"), QStringLiteral("数量"), {}},
                {QStringLiteral("PRICE"), QStringLiteral("单价"), {}},
                {QStringLiteral("AMOUNT"), QStringLiteral("金额"), {}}};
  project.pages = {entry, DisplayPage{QStringLiteral("全部")}};
}

QString Shop::ref(const char* table, const char* field) const {
  return QStringLiteral("[") + db() + QStringLiteral("/") + QString::fromUtf8(table) +
         QStringLiteral("]") + QString::fromUtf8(field);
}

void Shop::order(const char* code, int qty, const char* table) const {
  tdb::test::addRecord(w.data, table ? table : master,
                       {{"CODE", text(code)}, {"QTY", tdb::Value::number(qty)}});
}

void Shop::makeMaster(const char* table) const {
  using tdb::FieldType;
  tdb::Table orders;
  tdb::test::point(orders, w.data, table);
  orders.fieldDefs().add("CODE", FieldType::ftString, 6);
  orders.fieldDefs().add({"QTY", FieldType::ftFloat, 6, 0, false});
  orders.fieldDefs().add({"PRICE", FieldType::ftFloat, 8, 2, false});
  orders.fieldDefs().add({"AMOUNT", FieldType::ftFloat, 10, 1, false});
  orders.fieldDefs().add("NOTE", FieldType::ftString, 10);
  if (std::string(table).ends_with(".db")) orders.indexDefs().add({"", "CODE", "", tdb::ixPrimary});
  orders.createTable();
}

void Shop::open(std::initializer_list<const ProjectDefinition*> others) {
  const QString folder = w.program.path();
  std::vector<const ProjectDefinition*> all{&project};
  all.insert(all.end(), others.begin(), others.end());
  QStringList lines;
  for (const ProjectDefinition* p : all) {
    project_file::write(folder, *p);
    lines << listLine(p->name, p->master);
  }
  project_list_file::write(folder, lines);
  w.main.menuset();
  for (const QString& line : lines) {
    w.user.toolbar(QStringLiteral("打开项目"));
    w.user.clickItem(line);
    w.user.button(QStringLiteral("打 开"));
  }
}

}  // namespace torvanel::test

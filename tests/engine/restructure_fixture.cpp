#include "tests/engine/restructure_fixture.h"

#include <algorithm>
#include <filesystem>

#include "engine/drivers.h"
#include "engine/table.h"

namespace tdb::test {

void makeStock(const TempDir& dir, const std::string& name, TableType type) {
  const bool memos = drivers::resolve(type, name) != TableType::ttASCII;
  Table t;
  point(t, dir, name, type);
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.fieldDefs().add({"PRICE", FieldType::ftFloat, 10, 2, false});
  t.fieldDefs().add("QTY", FieldType::ftSmallint, 4);
  t.fieldDefs().add("CODE", FieldType::ftString, 5);
  t.fieldDefs().add("DAY", FieldType::ftDate);
  if (memos) t.fieldDefs().add("NOTE", FieldType::ftMemo);
  switch (drivers::resolve(type, name)) {
    case TableType::ttParadox:
      t.indexDefs().add({"", "NAME", "", ixPrimary});
      t.indexDefs().add({"PRICE", "PRICE", "", 0});
      break;
    case TableType::ttASCII:
      break;
    default:
      t.indexDefs().add({"NAME", "NAME", "", 0});
      t.indexDefs().add({"PRICED", "PRICE", "", 0});
  }
  t.createTable();
  t.open();
  struct Row {
    const char* name;
    double price;
    int qty;
    const char *code, *day, *note;
  };
  for (const Row& r : {Row{"Anvil", 1979.75, 3, "12", "2024-01-01", "note one"},
                       Row{"Bolt", 0.1, -40, "abc", "2024-02-02", "note two, longer"},
                       Row{"Crankshaft", 12345.67, 7, "7", "2024-03-03", ""},
                       Row{"Dowel", 2, 0, "-3", "2024-04-04", ""}}) {
    t.append();
    t.fieldByName("NAME").setAsString(r.name);
    t.fieldByName("PRICE").setValue(Value::number(r.price));
    t.fieldByName("QTY").setValue(Value::integer(r.qty));
    t.fieldByName("CODE").setAsString(r.code);
    t.fieldByName("DAY").setAsString(r.day);
    if (memos && *r.note) t.fieldByName("NOTE").setAsString(r.note);
    t.post();
  }
}

void makeNumbered(Table& t, const TempDir& dir, const std::string& name,
                  std::initializer_list<const char*> names) {
  point(t, dir, name);
  t.fieldDefs().add("ID", FieldType::ftAutoInc);
  t.fieldDefs().add("NAME", FieldType::ftString, 8);
  t.createTable();
  t.open();
  for (const char* n : names) {
    t.append();
    t.fieldByName("NAME").setAsString(n);
    t.post();
  }
}

std::vector<std::string> dump(const TempDir& dir, const std::string& name, TableType type) {
  Table t;
  point(t, dir, name, type);
  t.open();
  std::vector<std::string> rows;
  for (t.first(); !t.eof(); t.next()) {
    std::string row;
    for (int i = 0; i < t.fieldCount(); ++i) row += (i ? "|" : "") + t.field(i).asString();
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> filesIn(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tdb::test

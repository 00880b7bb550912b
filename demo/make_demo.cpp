// Writes the demo database into a folder: CUSTOMER.DBF, a dBASE table with a memo, dates,
// logicals and numbers, ORDERS.DBF, a FoxPro table of the customers' orders, SUPPLIER.TXT, a
// delimited text table with its schema, and PRODUCT.DB, a keyed Paradox table of the goods with
// a memo. A table that exists already is left as it is, so a user's changes survive and a new
// demo table reaches an old folder. The content is fixed (no randomness), so every build lays
// out the same demo.

#include <cstdio>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/table.h"

namespace {

using tdb::FieldType;
using tdb::Value;

std::string gbk(const std::string& utf8) { return tdb::utf8ToGbk(utf8); }

const std::vector<std::string> kSurnames = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄",
                                            "周", "吴", "徐", "孙", "胡", "朱", "高", "林"};
const std::vector<std::string> kGiven = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊",
                                         "军", "洋", "勇", "艳", "杰", "娟", "涛", "明"};
const std::vector<std::string> kCities = {"北京", "上海", "广州", "深圳", "杭州",
                                          "南京", "成都", "武汉", "西安", "苏州"};
const std::vector<std::string> kItems = {"打印纸", "墨盒",   "订书机", "文件夹", "计算器",
                                         "签字笔", "笔记本", "白板",   "档案盒", "胶带"};

void makeCustomers(const std::string& folder) {
  tdb::Table t;
  t.setDatabaseName(folder);
  t.setTableName("CUSTOMER.DBF");
  t.setTableType(tdb::TableType::ttDBase);
  t.fieldDefs().add("CUSTNO", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 12);
  t.fieldDefs().add("CITY", FieldType::ftString, 10);
  t.fieldDefs().add("SINCE", FieldType::ftDate);
  t.fieldDefs().add("VIP", FieldType::ftBoolean);
  t.fieldDefs().add({"CREDIT", FieldType::ftFloat, 10, 2, false});
  t.fieldDefs().add("NOTES", FieldType::ftMemo);
  // A production index, as users' tables have: a unique number, a name, and an expression.
  t.indexDefs().add({"CUSTNO", "CUSTNO", "", tdb::ixUnique});
  t.indexDefs().add({"NAME", "NAME", "", 0});
  t.indexDefs().add({"CITYNAME", "", "UPPER(CITY)+NAME", tdb::ixExpression});
  t.createTable();
  t.open();
  for (int i = 1; i <= 50; ++i) {
    t.append();
    t.fieldByName("CUSTNO").setValue(Value::integer(1000 + i));
    t.fieldByName("NAME").setAsString(gbk(kSurnames[i * 7 % kSurnames.size()] +
                                          kGiven[i * 5 % kGiven.size()] +
                                          (i % 3 == 0 ? kGiven[i % kGiven.size()] : "")));
    t.fieldByName("CITY").setAsString(gbk(kCities[i * 3 % kCities.size()]));
    t.fieldByName("SINCE").setValue(
        Value::dateTime(tdb::encodeDate(2015 + i % 10, i % 12 + 1, i % 28 + 1)));
    t.fieldByName("VIP").setValue(Value::boolean(i % 4 == 0));
    t.fieldByName("CREDIT").setValue(Value::number((i * 7919 % 50000) / 4.0));
    if (i % 5 == 0)
      t.fieldByName("NOTES").setAsString(
          gbk("老客户，按月结算。联系人：" + kSurnames[i % kSurnames.size()] + "经理。"));
    t.post();
  }
}

void makeOrders(const std::string& folder) {
  tdb::Table t;
  t.setDatabaseName(folder);
  t.setTableName("ORDERS.DBF");
  t.setTableType(tdb::TableType::ttFoxPro);
  t.fieldDefs().add("ORDERNO", FieldType::ftInteger);
  t.fieldDefs().add("CUSTNO", FieldType::ftInteger);
  t.fieldDefs().add("ITEM", FieldType::ftString, 10);
  t.fieldDefs().add("QTY", FieldType::ftSmallint);
  t.fieldDefs().add({"PRICE", FieldType::ftFloat, 9, 2, false});
  t.fieldDefs().add("ORDERED", FieldType::ftDate);
  t.indexDefs().add({"ORDERNO", "ORDERNO", "", tdb::ixUnique});
  t.indexDefs().add({"CUSTNO", "CUSTNO", "", 0});
  t.indexDefs().add({"LATEST", "ORDERED", "", tdb::ixDescending});
  t.createTable();
  t.open();
  for (int i = 1; i <= 120; ++i) {
    t.append();
    t.fieldByName("ORDERNO").setValue(Value::integer(20000 + i));
    t.fieldByName("CUSTNO").setValue(Value::integer(1000 + (i * 13 % 50) + 1));
    t.fieldByName("ITEM").setAsString(gbk(kItems[i % kItems.size()]));
    t.fieldByName("QTY").setValue(Value::integer(i % 9 + 1));
    t.fieldByName("PRICE").setValue(Value::number((i * 37 % 400) / 2.0 + 3.5));
    t.fieldByName("ORDERED").setValue(
        Value::dateTime(tdb::encodeDate(2024, i % 12 + 1, i % 27 + 1)));
    t.post();
  }
}

// Text tables travel between programs: a supplier list as another program might export it.
void makeSuppliers(const std::string& folder) {
  tdb::Table t;
  t.setDatabaseName(folder);
  t.setTableName("SUPPLIER.TXT");
  t.fieldDefs().add("SUPPNO", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 20);
  t.fieldDefs().add("CITY", FieldType::ftString, 10);
  t.fieldDefs().add("ITEM", FieldType::ftString, 10);
  t.fieldDefs().add("SINCE", FieldType::ftDate);
  t.createTable();
  t.open();
  const std::vector<std::string> kinds = {"文具", "办公设备", "纸品", "耗材"};
  for (int i = 1; i <= 12; ++i) {
    t.append();
    t.fieldByName("SUPPNO").setValue(Value::integer(500 + i));
    t.fieldByName("NAME").setAsString(
        gbk(kCities[i % kCities.size()] + kinds[i % kinds.size()] + "公司"));
    t.fieldByName("CITY").setAsString(gbk(kCities[i % kCities.size()]));
    t.fieldByName("ITEM").setAsString(gbk(kItems[i % kItems.size()]));
    t.fieldByName("SINCE").setValue(Value::dateTime(tdb::encodeDate(2015 + i % 9, i, i + 10)));
    t.post();
  }
}

// A keyed Paradox table: the goods by product code, entered out of order (the key orders them),
// with money, a stock count and a description memo.
void makeProducts(const std::string& folder) {
  tdb::Table t;
  t.setDatabaseName(folder);
  t.setTableName("PRODUCT.DB");
  t.fieldDefs().add("PRODNO", FieldType::ftString, 6);
  t.fieldDefs().add("NAME", FieldType::ftString, 20);
  t.fieldDefs().add("PRICE", FieldType::ftCurrency);
  t.fieldDefs().add("STOCK", FieldType::ftSmallint);
  t.fieldDefs().add("ADDED", FieldType::ftDate);
  t.fieldDefs().add("NOTES", FieldType::ftMemo, 20);
  t.indexDefs().add({"", "PRODNO", "", tdb::ixPrimary});
  t.createTable();
  t.open();
  const std::vector<std::string> grades = {"标准", "加厚", "彩色", "大号"};
  for (int i = 0; i < 20; ++i) {
    const int code = (i * 7) % 20 + 1;  // every code once, not in order
    t.append();
    t.fieldByName("PRODNO").setAsString("P" + std::to_string(1000 + code));
    t.fieldByName("NAME").setAsString(
        gbk(grades[code % grades.size()] + kItems[code % kItems.size()]));
    t.fieldByName("PRICE").setValue(Value::number(3.5 + code * 2.25));
    t.fieldByName("STOCK").setValue(Value::integer(code * 13 % 120));
    t.fieldByName("ADDED").setValue(
        Value::dateTime(tdb::encodeDate(2020 + code % 5, code % 12 + 1, code)));
    if (code % 3 == 0)
      t.fieldByName("NOTES").setValue(
          Value::text(gbk("供货商: " + kCities[code % kCities.size()] + "。每箱" +
                          std::to_string(code * 5) + "件,请提前一周订货。")));
    t.post();
  }
}

bool exists(const std::string& folder, const char* table) {
  tdb::Table t;
  t.setDatabaseName(folder);
  t.setTableName(table);
  return t.exists();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_demo FOLDER\n", stderr);
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  try {
    if (!exists(folder, "CUSTOMER.DBF")) makeCustomers(folder);
    if (!exists(folder, "ORDERS.DBF")) makeOrders(folder);
    if (!exists(folder, "SUPPLIER.TXT")) makeSuppliers(folder);
    if (!exists(folder, "PRODUCT.DB")) makeProducts(folder);
  } catch (const tdb::EngineError& e) {
    std::fprintf(stderr, "make_demo: %s\n", e.what());
    return 1;
  }
  return 0;
}

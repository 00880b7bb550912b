#include "tests/engine/table_fixture.h"

#include "engine/byte_order.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::test {

std::string gbk(const std::string& utf8) { return utf8ToGbk(utf8); }

void point(Table& t, const TempDir& dir, const std::string& name, TableType type) {
  t.setDatabaseName(dir.path());
  t.setTableName(name);
  t.setTableType(type);
}

void makeSample(const TempDir& dir, const std::string& name, int rows, TableType type) {
  Table t;
  point(t, dir, name, type);
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.fieldDefs().add({"PRICE", FieldType::ftFloat, 8, 2, false});
  t.fieldDefs().add("QTY", FieldType::ftSmallint);
  t.fieldDefs().add("DAY", FieldType::ftDate);
  t.fieldDefs().add("OK", FieldType::ftBoolean);
  t.fieldDefs().add("NOTE", FieldType::ftMemo);
  t.createTable();
  t.open();
  for (int i = 1; i <= rows; ++i) {
    t.append();
    t.fieldByName("NAME").setAsString("R" + std::to_string(i));
    t.fieldByName("PRICE").setValue(Value::number(i * 1.5));
    t.fieldByName("QTY").setValue(Value::integer(i));
    t.fieldByName("DAY").setValue(Value::dateTime(encodeDate(2024, 1, (i - 1) % 28 + 1)));
    t.fieldByName("OK").setValue(Value::boolean(i % 2 == 1));
    if (i % 3 == 0) t.fieldByName("NOTE").setAsString("memo " + std::to_string(i));
    t.post();
  }
  t.close();
}

void setText(const TempDir& dir, const std::string& name, long position, const std::string& field,
             const std::string& gbkText) {
  Table t;
  point(t, dir, name);
  t.open();
  if (!t.moveTo(position)) throw EngineError("no record " + std::to_string(position));
  t.edit();
  t.fieldByName(field).setAsString(gbkText);
  t.post();
}

void addRecord(const TempDir& dir, const std::string& name,
               std::initializer_list<std::pair<const char*, Value>> values, TableType type) {
  Table t;
  point(t, dir, name, type);
  t.open();
  t.append();
  for (const auto& [field, value] : values) t.fieldByName(field).setValue(value);
  t.post();
}

void addIndex(const TempDir& dir, const std::string& name, const IndexDef& def) {
  Table t;
  point(t, dir, name);
  t.setExclusive(true);
  t.open();
  t.addIndex(def);
}

std::string rawDbaseTable(const std::vector<RawField>& fields,
                          const std::vector<std::vector<std::string>>& records) {
  int recordLength = 1;
  for (const RawField& f : fields) recordLength += f.length;
  std::string b(32, '\0');
  b[0] = 0x03;
  b[1] = 124, b[2] = 6, b[3] = 1;
  putLe32(b, 4, static_cast<uint32_t>(records.size()));
  putLe16(b, 8, 32 + 32 * static_cast<uint32_t>(fields.size()) + 1);
  putLe16(b, 10, recordLength);
  for (const RawField& f : fields) {
    std::string d(32, '\0');
    d.replace(0, f.name.size(), f.name);
    d[11] = f.type;
    d[16] = static_cast<char>(f.length);
    d[17] = static_cast<char>(f.decimals);
    b += d;
  }
  b += '\x0D';
  for (const std::vector<std::string>& r : records) {
    b += ' ';
    for (size_t i = 0; i < fields.size(); ++i) {
      const std::string blanks(fields[i].length - r[i].size(), ' ');
      b += fields[i].type == 'C' ? r[i] + blanks : blanks + r[i];
    }
  }
  return b + '\x1A';
}

}  // namespace tdb::test

// Works formula text out over a text, a number, an integer, a date and a memo field of a real
// master record, with lookups into a real table, at the decimal places 0, 2 and 12. The input's
// first byte picks the scale and the answer to the lookup question; the rest is formula text, one
// formula per line, given to the fields in turn. No exception may leave the store hook and no
// field may hold a value that is not finite, stored or in hand.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/common/gbk_string.h"
#include "app/projects/formula_evaluation.h"
#include "engine/table.h"
#include "fuzz/scratch_folder.h"

namespace {

using tdb::FieldType;
using tdb::Value;

std::unique_ptr<tdb::Table> make(const char* name, std::initializer_list<tdb::FieldDef> fields) {
  auto t = std::make_unique<tdb::Table>();
  t->setDatabaseName(scratchFolder("formula_fuzz"));
  t->setTableName(name);
  for (const tdb::FieldDef& f : fields) t->fieldDefs().add(f);
  t->createTable();
  t->open();
  return t;
}

struct Tables {
  std::unique_ptr<tdb::Table> master, lookup;
  Tables() {
    master = make(
        "M.DBF",
        {tdb::FieldDef{"T", FieldType::ftString, 12}, tdb::FieldDef{"N", FieldType::ftFloat, 12, 2},
         tdb::FieldDef{"I", FieldType::ftInteger}, tdb::FieldDef{"D", FieldType::ftDate},
         tdb::FieldDef{"M", FieldType::ftMemo}, tdb::FieldDef{"K", FieldType::ftString, 10}});
    master->append();
    master->post();
    lookup = make("L.DBF", {tdb::FieldDef{"K", FieldType::ftString, 10},
                            tdb::FieldDef{"V", FieldType::ftFloat, 10, 2},
                            tdb::FieldDef{"S", FieldType::ftString, 10}});
    for (const auto& [k, v, s] : {std::tuple{"a", 1.5, "x"}, std::tuple{"B", -2.25, "yy"}}) {
      lookup->append();
      lookup->fieldByName("K").setValue(Value::text(k));
      lookup->fieldByName("V").setValue(Value::number(v));
      lookup->fieldByName("S").setValue(Value::text(s));
      lookup->post();
    }
  }
};

const char* const kTargets[] = {"T", "N", "I", "D", "M", "K"};

void requireFinite(tdb::Table& t) {
  for (int i = 0; i < t.fieldCount(); ++i) {
    const Value v = t.field(i).value();
    if ((v.kind() == Value::Kind::Double || v.kind() == Value::Kind::DateTime) &&
        !std::isfinite(v.doubleValue()))
      abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Tables tables;
  if (size == 0) return 0;
  static const double kScales[] = {1, 100, 1e12};
  const double scale = kScales[data[0] % 3];
  const bool goOn = (data[0] / 3) % 2;
  const QStringList lines =
      QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1))
          .split(QLatin1Char('\n'));

  torvanel::ProjectTables project;
  project.master = tables.master.get();
  project.auxdefs = {{"F", "L.DBF", torvanel::kLookupRelation, "K->K", "", ""},
                     {"F", "L.DBF", "", "", "", ""},
                     {"F", "L.DBF", torvanel::kLookupRelation, "S->T", "", ""}};
  project.auxtables = {tables.lookup.get(), tables.lookup.get(), tables.lookup.get()};
  for (int i = 0; i < lines.size() && i < 12; ++i)
    project.formulas << torvanel::FieldFormula{QString::fromLatin1(kTargets[i % 6]), lines[i]};
  project.scale = scale;
  torvanel::FormulaEvaluator evaluator(project, [goOn](const QString&) { return goOn; });
  evaluator.installAsBeforePost();

  tdb::Table& m = *tables.master;
  m.first();
  m.edit();
  // Every input starts from the same record, with a key the lookup finds now and then: what one
  // input's formulas stored must not feed the next (a memo joined to itself would grow without
  // end across inputs).
  m.fieldByName("T").setValue(Value::text("12.5"));
  m.fieldByName("N").setValue(Value::number(-3.25));
  m.fieldByName("I").setValue(Value::integer(7));
  m.fieldByName("D").setValue(Value::dateTime(45000));
  m.fieldByName("M").setValue(Value::text("memo"));
  m.fieldByName("K").setValue(Value::text(size % 2 ? "A" : "b"));
  try {
    m.beforePost(m);
  } catch (...) {
    abort();  // the hook never throws
  }
  requireFinite(m);
  try {
    m.post();
  } catch (const std::exception&) {
    m.cancel();
  }
  m.beforePost = nullptr;
  requireFinite(m);
  return 0;
}

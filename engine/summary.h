#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/drivers.h"
#include "engine/table.h"

namespace tdb {

// The refusals a summary shares with whoever runs one, as the user reads them.
inline constexpr const char* kSummaryNoRecords = "数据表没有记录,不能汇总!";
inline constexpr const char* kSummaryNoFields = "请问你想按哪些字段汇总?";

// The types a summary adds up over a group; every other type (text, dates, logical, currency,
// auto-increment, memos) keeps the value of the group's first record.
bool isSummedType(FieldType type);

// A group-by summary of a cursor into a new table: one output record per run of consecutive
// visible records (in the cursor's current order and filter) that agree on the summary fields,
// with the source's fields in the source's order and no indexes. Nothing is sorted: a value that
// comes in two separate runs gives two output records.
//
// The output is built whole beside any table of its name, which stays as it was until the whole
// summary is written; a summary that fails leaves no output behind.
class Summary {
 public:
  // Starts the output at `outputPath` with the type `outputType` (ttDefault: by the extension).
  // Throws EngineError, having written nothing: kSummaryNoRecords for a source without visible
  // records, kSummaryNoFields for no summary field, or the engine's reason when the format
  // refuses the source's fields, the name's companion files are another table's, or the table of
  // that name is open (the source itself is). `byFields` are field positions of `source`, which
  // must be open.
  Summary(Table& source, std::vector<int> byFields, const std::string& outputPath,
          TableType outputType);
  ~Summary();
  Summary(const Summary&) = delete;
  Summary& operator=(const Summary&) = delete;

  // Walks the source from its first visible record to its end and puts the output in place;
  // `progress`, when given, hears k at the k-th record. Returns the number of groups written.
  // Throws EngineError when a value cannot be stored (a sum beyond its output field, naming the
  // field and the group) or a write fails; the output is then dropped. The source is left at its
  // end either way.
  long run(const std::function<void(long)>& progress = {});

 private:
  void startGroup();
  void addToGroup();
  void writeGroup(RecordBuffer& buf, long group);

  Table& source_;
  std::vector<bool> byField_;  // per source field
  std::vector<Value> values_;  // per source field: the group's key values and sums/first values
  std::unique_ptr<drivers::Replacement> output_;
};

}  // namespace tdb

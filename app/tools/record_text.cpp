// "当前记录输出到文本文件": the current record, one line per field, into a GBK text file.

#include <QFileInfo>

#include "app/common/file_error.h"
#include "app/common/gbk_codec.h"
#include "app/common/text_file.h"
#include "app/tools/record_commands.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

QByteArray recordText(tdb::Table& table) {
  static const QByteArray colon("\xA3\xBA");  // "：" in GBK
  QByteArray out;
  for (int i = 0; i < table.fieldCount(); ++i) {
    const tdb::FieldDef& def = table.fieldDefs()[i];
    out += QByteArray::fromStdString(def.name);
    out += colon;
    using tdb::FieldType;
    if (def.type == FieldType::ftBlob || def.type == FieldType::ftGraphic ||
        def.type == FieldType::ftTypedBinary) {
      out += QByteArray::fromStdString(tdb::utf8ToGbk("图象字段"));
    } else {
      try {
        out += QByteArray::fromStdString(table.field(i).asString());
      } catch (const tdb::EngineError&) {
        // An unreadable value leaves the line with its name only.
      }
    }
    out += "\r\n";
  }
  return out;
}

void recordToText(WindowEngine& engine) {
  const int slot = engine.activeSlot();
  if (slot < 0) return;
  tdb::Table& t = engine.registry()[slot].window->table();
  try {
    if (t.isEmpty()) return;
  } catch (const tdb::EngineError&) {
    return;
  }
  std::optional<QString> name = dialogs().saveFile(QStringLiteral("记录输出到文件"),
                                                   QStringLiteral("文本文件(*.txt)"), QString());
  if (!name) return;
  if (QFileInfo(*name).suffix().isEmpty()) *name += QStringLiteral(".txt");
  if (QFileInfo::exists(*name) &&
      dialogs().confirm(QStringLiteral("文本文件") + *name + QStringLiteral("已经存在,要覆盖吗?"),
                        false) != Answer::Yes)
    return;
  try {
    writeFileBytes(*name, recordText(t));
  } catch (const FileError& e) {
    showError(e);
  }
}

}  // namespace torvanel

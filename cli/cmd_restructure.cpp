// tdb restructure: a table rebuilt with the structure a file gives, its records carried over as the
// structure designer carries them (the same module), with the backup beside it. It asks nothing:
// where the designer would ask whether to lose values, it refuses unless told --accept-loss.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/structure_file.h"
#include "engine/restructure.h"

namespace tdb::cli {

namespace {

std::string lossText(const CarryLosses& l) {
  return std::to_string(l.cleared + l.shortened + l.dropped) + " values (" +
         std::to_string(l.cleared) + " that do not convert to their new type and are left " +
         "empty, " + std::to_string(l.shortened) + " texts cut short, " +
         std::to_string(l.dropped) + " of fields the new structure drops)";
}

}  // namespace

int restructureTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {"--accept-loss"}, {}, 2, 2);
  Table t;
  pointTable(t, args.positional[0], context);
  t.open();
  warn(t.openWarnings());
  const FieldDefs old = t.fieldDefs();
  const std::string path = t.path();
  t.close();
  const Structure wanted = readStructure(args.positional[1], old);

  Restructure r(path, t.tableType(), wanted.fields, wanted.indexes);
  r.backup(nullptr);
  const CarryLosses losses = r.build("", nullptr);
  if (losses.any() && !args.has("--accept-loss"))
    throw std::runtime_error("the new structure would lose " + lossText(losses) +
                             "; nothing changed but the backup " + r.backupPath() +
                             "; give --accept-loss to go on");
  r.commit();
  if (losses.any()) warn({"lost " + lossText(losses)});
  out.line("restructured " + path + "; the old table is kept as " + r.backupPath());
  return 0;
}

}  // namespace tdb::cli

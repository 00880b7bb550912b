#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/field_defs.h"
#include "engine/index/index_entry.h"
#include "engine/index/key_expression.h"
#include "engine/index/key_list.h"
#include "engine/posix_file.h"
#include "engine/storage.h"

namespace tdb {

class CdxFile;
class MdxFile;

// The production index of one open table: the .cdx beside a FoxPro table or the .mdx beside a
// dBASE table, with one tag per index. Opening reads the tag definitions; a tag's keys are
// loaded into memory when an order first needs them, and every tag's before the first write,
// which keeps them all in step. A damaged tree, or one that lags behind its table, shows when
// its keys are loaded: the first is an error naming the file, the second is built afresh from
// the records.
//
// The file itself is rewritten whole when the table is flushed or closed. Between the first
// change and that rewrite a marker file beside the table says the index is stale, so a table
// reopened after a crash rebuilds its keys from the records instead of trusting the file. Each
// holder with unwritten changes keeps a shared lock on a byte of the table file; a writer that
// finds no other holder removes the marker, one that does leaves it for the last.
//
// A shared holder cannot know what others changed, so before it rewrites the file it rebuilds
// every tag from the table as it stands.
class ProductionIndex {
 public:
  enum class Format { Cdx, Mdx };
  // What opening does with a tag whose expression the engine cannot evaluate or whose tree is
  // damaged: refuse to open, or keep the tag (without keys for the first, rebuilt for the
  // second) so that it can be repaired or dropped. Keep also opens a file whose tag definitions
  // are damaged, with the tags that still read (damage() says what was lost).
  enum class BadTags { Refuse, Keep };

  struct Tag {
    IndexTagInfo info;    // keyType: 'C', 'N', 'D' or 'L'; keyLength: bytes of a memory key
    std::string fields;   // the key's plain field names joined by ";", else empty
    std::string problem;  // why the expression cannot be evaluated (BadTags::Keep), else empty
    std::optional<KeyExpression> key;
    std::optional<KeyExpression> condition;  // the FOR expression
    std::vector<KeyExpression> parts;        // the key's top-level "+" parts
    std::vector<int> partFields;             // the field each part is about, -1 when none
    KeyList keys;
    bool loaded = false;
  };

  // `records` is the open table; `tableFile` its open file, on which the locks are taken at
  // `lockBase` and `lockBase + 1`.
  ProductionIndex(Storage& records, PosixFile& tableFile, uint64_t lockBase, std::string tablePath,
                  Format format, bool exclusive, BadTags badTags = BadTags::Refuse);
  ~ProductionIndex();
  ProductionIndex(const ProductionIndex&) = delete;
  ProductionIndex& operator=(const ProductionIndex&) = delete;

  // The index file of a table, found in any case; a new one takes the case of the table's
  // extension.
  static std::string pathFor(const std::string& tablePath, Format format);
  // The marker that says the index file of a table is stale.
  static std::string markerFor(const std::string& tablePath);
  // The tag an index definition makes over a table of fields `defs` (as the table reads them
  // back), its key expression parsed and its key width checked against what a file of `format`
  // holds. Throws EngineError naming the index when the definition cannot be a tag. Touches no
  // file: creating a table checks its indexes with this before it writes anything.
  static IndexTagInfo designTag(const IndexDef& def, const FieldDefs& defs, Format format);
  // The most tags one index file of `format` holds.
  static size_t maxTags(Format format);

  const std::string& path() const { return path_; }
  bool present() const { return !tags_.empty(); }
  // With BadTags::Keep, what the index file lost to damage, one message per defect naming the
  // file: tags whose definitions could not be read (they are not among the tags), or the whole
  // file when its header is gone. rebuild() then writes the file without them.
  const std::vector<std::string>& damage() const { return damage_; }
  int tagCount() const { return static_cast<int>(tags_.size()); }
  const Tag& tag(int i) const { return tags_[i]; }
  int findTag(const std::string& name) const;            // -1 when none
  int findTagByFields(const std::string& fields) const;  // "A;B", case ignored; -1 when none
  IndexDefs indexDefs() const;

  // The keys of a tag in memory order (key_encoding.h), loaded or built on first use.
  const KeyList& keys(int tag);
  // The memory key of a record, or nothing when the tag's FOR condition leaves it out.
  std::optional<std::string> keyOf(int tag, const RecordBuffer& buf, uint32_t recno);
  // The leading part of the memory keys of the records whose first key fields hold `values`
  // (one value per leading part of the key, converted to its field's type).
  std::string prefixOf(int tag, const std::vector<Value>& values);

  // Call before storing a record: loads every tag's keys. Throws a key violation when storing `buf`
  // as record `recno` (0: a new record; `before` its stored form, null for a new one) would give a
  // unique tag a new key that a record not deleted already has. A key that stays as it was is never
  // refused. When a key changes, writes the stale marker first; a failure to write it throws, so
  // the caller stores nothing the index file would not know about.
  void prepareStore(const RecordBuffer& buf, uint32_t recno, const RecordBuffer* before);
  // The storage stored `after` as record `recno`, over `before` (null: a new record).
  void recordStored(uint32_t recno, const RecordBuffer* before, const RecordBuffer& after);

  // Builds every tag from the records in memory, for a table built whole whose keys were not kept
  // in step meanwhile; the file is written at the next flush. Throws the key violation that
  // storing the records one by one in record order would have met first.
  void buildAll();

  // Adds a tag (replacing one of that name) built from the table; writes the file.
  void addTag(const IndexDef& def);
  // Removes the tag and writes the file (it goes when the last tag does), unless a tag that
  // cannot be evaluated remains: then the file is written once that one is dropped too.
  void removeTag(const std::string& name);
  // Builds every tag afresh from the table (after a pack, or on request) and writes the file.
  void rebuild();
  // Builds every tag afresh from the table in memory only: records others added have keys.
  void reload();
  // True when this holder wrote the file or has changes for it: only then does the table's
  // index mark follow the file.
  bool touched() const { return changed_ || holding_ || wrote_; }
  // Writes the file if anything changed since it was read or written.
  void flush();

 private:
  void openFile();
  Tag makeTag(const IndexTagInfo& info, const std::string& forText, bool fromFile);
  void ensureLoaded(int tag);
  void ensureAllLoaded();
  void loadFromFile(int tag);
  // Whether every record `seen` leaves out has a key that loaded tag `index` holds already.
  bool coversUnseen(int index, const std::vector<bool>& seen);
  void build(Tag& tag);
  std::string encode(const Tag& tag, const Value& key) const;
  void beginChange();
  void writeFile();
  [[noreturn]] void fail(const std::string& what) const;

  Storage& records_;
  PosixFile& tableFile_;
  uint64_t lockBase_;
  std::string tablePath_, path_;
  Format format_;
  bool exclusive_;
  BadTags badTags_;
  std::unique_ptr<CdxFile> cdx_;
  std::unique_ptr<MdxFile> mdx_;
  std::vector<Tag> tags_;
  std::vector<std::string> damage_;
  bool stale_ = false;    // the file cannot be trusted: keys come from the records
  bool changed_ = false;  // memory differs from the file
  bool holding_ = false;  // this holder has announced unwritten changes
  bool wrote_ = false;    // this holder wrote the file
};

}  // namespace tdb

// The window engine's memo and picture files: the pop-up menus of the single-record view's memo
// and picture boxes clear their field, load it from a text or bitmap file, or write it to one.
// A mouse press on a box marks it as the target of its page's menu commands.

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QSaveFile>
#include <QTabWidget>

#include "app/common/file_error.h"
#include "app/common/gbk_string.h"
#include "app/common/text_file.h"
#include "app/ui/dialogs.h"
#include "app/ui/field_controls.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

constexpr const char* kPictureItems[] = {"清除图象", "从文件装入图象", "输出图象到文件"};
constexpr const char* kMemoItems[] = {"清除备注字段", "从文件装入到备注字段", "输出备注字段到文件"};

// The bytes of a bitmap file for a picture field. A BMP file goes in as it is; another picture
// Qt reads (a file named .bmp need not be one) goes in converted to BMP, the form the field
// holds. Throws FileError when the file cannot be read or holds no picture.
std::string readBitmap(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw FileError(QStringLiteral("文件[%1]无法读取: %2").arg(path, file.errorString()));
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw FileError(QStringLiteral("文件[%1]读取出错: %2").arg(path, file.errorString()));
  QBuffer in(&bytes);
  in.open(QIODevice::ReadOnly);
  QImageReader reader(&in);
  const QByteArray format = reader.format();
  const QImage image = reader.read();
  if (image.isNull())
    throw FileError(
        QStringLiteral("文件[%1]不是有效的位图文件: %2").arg(path, reader.errorString()));
  if (format != "bmp") {
    bytes.clear();
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    image.save(&out, "BMP");
  }
  return bytes.toStdString();
}

// Writes the picture as a BMP file, through a temporary file beside it. Throws FileError.
void writeBitmap(const QString& path, const QImage& image) {
  QSaveFile file(path);
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly))
    throw FileError(QStringLiteral("文件[%1]无法写入: %2").arg(path, file.errorString()));
  if (!image.save(&file, "BMP") || !file.commit())
    throw FileError(QStringLiteral("文件[%1]写入失败: %2").arg(path, file.errorString()));
}

// The field's picture; a null image when it holds none.
QImage pictureOf(tdb::Table& t, int field) {
  if (!t.active() || (t.eof() && t.bof())) return {};
  const tdb::Value v = t.field(field).value();
  if (v.isNull()) return {};
  const std::string& bytes = v.textValue();
  return QImage::fromData(QByteArray::fromStdString(bytes));
}

QString memoText(tdb::Table& t, int field) {
  if (!t.active() || (t.eof() && t.bof())) return {};
  const tdb::Value v = t.field(field).value();
  if (v.kind() != tdb::Value::Kind::Text) return {};
  return fromGbk(v.textValue());
}

// The memo's lines, whichever line ends it uses; a final line end starts no further line.
QStringList memoLines(QString text) {
  if (text.isEmpty()) return {};
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = text.split(QLatin1Char('\n'));
  if (lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// The name typed without an extension gets `extension`; an existing file is overwritten only
// when the user agrees. Empty when the user declines.
QString outputName(QString name, const QString& extension, const QString& kind) {
  if (QFileInfo(name).suffix().isEmpty()) name += extension;
  if (QFileInfo::exists(name) &&
      dialogs().confirm(kind + name + QStringLiteral("已经存在,要覆盖吗?"), false) != Answer::Yes)
    return {};
  return name;
}

}  // namespace

void WindowEngine::attachFieldMenus(int slot) {
  WindowSlot& s = registry_[slot];
  const auto hook = [this, slot](QWidget* box, QWidget* pressed, char kind) {
    pressed->installEventFilter(this);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this,
            [this, slot, box, pressed, kind](const QPoint& at) {
              // A menu opened from the keyboard had no press: it marks its own box.
              markFieldBox(slot, box);
              fieldMenu(slot, kind)->popup(pressed->mapToGlobal(at));
            });
  };
  for (const auto& page : s.images)
    for (FieldPicture* picture : page) hook(picture, picture, 'p');
  for (const auto& page : s.memos)
    for (FieldMemo* memo : page) hook(memo, memo->viewport(), 'm');
}

void WindowEngine::markFieldBox(int slot, QWidget* box) {
  WindowSlot& s = registry_[slot];
  const int page = s.window->upperPages()->currentIndex();
  if (page < 0) return;
  const auto p = static_cast<size_t>(page);
  if (auto* picture = qobject_cast<FieldPicture*>(box)) {
    if (p >= s.images.size()) return;
    for (FieldPicture* other : s.images[p]) other->setMark(other == picture ? 1 : 0);
  } else if (auto* memo = qobject_cast<FieldMemo*>(box)) {
    if (p >= s.memos.size()) return;
    for (FieldMemo* other : s.memos[p]) other->setMark(other == memo ? 1 : 0);
  }
}

QMenu* WindowEngine::fieldMenu(int slot, char box) {
  TForm11& w = *registry_[slot].window;
  const QString name = box == 'p' ? QStringLiteral("pictureMenu") : QStringLiteral("memoMenu");
  auto* menu = w.findChild<QMenu*>(name, Qt::FindDirectChildrenOnly);
  if (!menu) {
    menu = new QMenu(&w);
    menu->setObjectName(name);
    const char* const* items = box == 'p' ? kPictureItems : kMemoItems;
    for (int i = 0; i < 3; ++i) {
      QAction* action = menu->addAction(QString::fromUtf8(items[i]));
      connect(action, &QAction::triggered, this, [this, box, i] { fieldFileCommand(box, i); });
    }
  }
  const bool edit = inEditState(slot);
  const QList<QAction*> actions = menu->actions();
  actions[0]->setEnabled(edit);
  actions[1]->setEnabled(edit);
  actions[2]->setEnabled(true);
  return menu;
}

void WindowEngine::fieldFileCommand(char box, int item) {
  const int slot = activeSlot();
  if (slot < 0) return;
  settleEditing(true);
  WindowSlot& s = registry_[slot];
  TForm11& w = *s.window;
  const int page = w.upperPages()->currentIndex();
  if (page < 0 || item < 0 || item > 2) return;
  const auto p = static_cast<size_t>(page);
  // The target: the marked box of the active page.
  FieldPicture* picture = nullptr;
  FieldMemo* memo = nullptr;
  if (box == 'p' && p < s.images.size()) {
    for (FieldPicture* c : s.images[p])
      if (c->mark() == 1) picture = c;
  } else if (box == 'm' && p < s.memos.size()) {
    for (FieldMemo* c : s.memos[p])
      if (c->mark() == 1) memo = c;
  }
  if (!picture && !memo) return;
  if (item < 2 && !inEditState(slot)) return;  // as the menu offers them
  const int field = picture ? picture->field() : memo->field();
  tdb::Table& t = w.table();

  if (item == 2) {
    const auto chosen = picture ? dialogs().saveFile(QStringLiteral("图象输出到文件"),
                                                     QStringLiteral("位图文件(*.bmp)"), QString())
                                : dialogs().saveFile(QStringLiteral("备注输出到文件"),
                                                     QStringLiteral("文本文件(*.txt)"), QString());
    if (!chosen) return;
    try {
      if (picture) {
        const QString name =
            outputName(*chosen, QStringLiteral(".BMP"), QStringLiteral("图象文件"));
        const QImage image = pictureOf(t, field);
        // An empty picture field has nothing to write.
        if (!name.isEmpty() && !image.isNull()) writeBitmap(name, image);
      } else {
        const QString name =
            outputName(*chosen, QStringLiteral(".txt"), QStringLiteral("文本文件"));
        if (!name.isEmpty()) writeGbkLines(name, memoLines(memoText(t, field)));
      }
    } catch (const FileError& e) {
      showError(e);
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
    return;
  }

  std::optional<tdb::Value> loaded;  // the field's new value; none for clearing
  if (item == 1) {
    const auto chosen = picture ? dialogs().openFile(QStringLiteral("从文件装入到图象字段"),
                                                     QStringLiteral("位图文件(*.bmp)"), QString())
                                : dialogs().openFile(QStringLiteral("从文件装入到备注字段"),
                                                     QStringLiteral("文本文件(*.txt)"), QString());
    if (!chosen) return;
    try {
      if (!t.editing()) t.edit();
    } catch (const tdb::EngineError& e) {
      showError(e);
      return;
    }
    // The file is read before the field is cleared: a file that cannot be read leaves the
    // record in edit state, unposted, with the field as it was.
    try {
      if (picture)
        loaded = tdb::Value::bytes(readBitmap(*chosen));
      else
        loaded = tdb::Value::text(fieldGbk(readTextLines(*chosen).join(QLatin1String("\r\n")),
                                           fromGbk(t.fieldDefs()[field].name)));
    } catch (const std::exception& e) {
      // A file that cannot be read, or text the table cannot hold.
      showError(e);
      emit commandsChanged();
      return;
    }
  }
  try {
    if (!t.editing()) t.edit();
    t.field(field).clear();
    if (loaded && !loaded->textValue().empty()) t.field(field).setValue(*loaded);
    t.post();
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  // A memo box that has the focus does not follow its field by itself.
  if (memo) memo->setPlainText(memoText(t, field));
  emit commandsChanged();
}

}  // namespace torvanel

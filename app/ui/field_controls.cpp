#include "app/ui/field_controls.h"

#include <QAbstractItemView>
#include <QPixmap>

#include "app/common/gbk_string.h"
#include "app/ui/dialogs.h"
#include "engine/convert.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

QString fieldText(tdb::Table& t, int field) {
  if (!t.active() || (t.eof() && t.bof())) return {};
  try {
    const tdb::Value v = t.field(field).value();
    if (v.isNull() || v.kind() == tdb::Value::Kind::Bytes) return {};
    return fromGbk(tdb::displayText(v, t.fieldDefs()[field].type));
  } catch (const tdb::EngineError&) {
    return {};
  }
}

// Writes `text` into the field, entering the edit state; false (after telling the user) when the
// engine refuses it.
bool storeText(tdb::Table& t, int field, const QString& text) {
  if (!t.active() || text == fieldText(t, field)) return true;
  try {
    const std::string gbk = fieldGbk(text, fromGbk(t.fieldDefs()[field].name));
    t.edit();
    if (text.isEmpty())
      t.field(field).clear();
    else
      t.field(field).setAsString(gbk);
    return true;
  } catch (const tdb::EngineError& e) {
    showError(e);
    return false;
  }
}

template <typename Control>
void follow(TableSource& source, Control* control) {
  const auto show = [control] { control->showField(); };
  QObject::connect(&source, &TableSource::scrolled, control, show);
  QObject::connect(&source, &TableSource::dataSetChanged, control, show);
  QObject::connect(&source, &TableSource::stateChanged, control, show);
  QObject::connect(&source, &TableSource::recordChanged, control, show);
  QObject::connect(&source, &TableSource::recordStored, control, show);
  QObject::connect(&source, &TableSource::recordDeleted, control, show);
}

}  // namespace

FieldEdit::FieldEdit(TableSource& source, int field, QWidget* parent)
    : QLineEdit(parent), source_(source), field_(field) {
  follow(source_, this);
  connect(this, &QLineEdit::editingFinished, this, &FieldEdit::store);
  showField();
}

void FieldEdit::showField() {
  if (!isModified() || isReadOnly()) setText(fieldText(source_.table(), field_));
}

void FieldEdit::store() {
  if (isReadOnly() || !isModified()) return;
  const QString typed = text();
  setModified(false);
  if (!storeText(source_.table(), field_, typed)) showField();
}

void FieldEdit::settle(bool keep) {
  if (keep) {
    store();
  } else {
    setModified(false);
    showField();
  }
}

FieldCombo::FieldCombo(TableSource& source, int field, const QStringList& items, QWidget* parent)
    : QComboBox(parent), source_(source), field_(field) {
  setEditable(true);
  addItems(items);
  follow(source_, this);
  connect(lineEdit(), &QLineEdit::editingFinished, this, [this] { store(false); });
  connect(this, &QComboBox::activated, this, [this] { store(true); });
  // The list completes what is typed by setting the box's text, which clears its modified mark:
  // typing is remembered apart from it.
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
  showField();
}

void FieldCombo::setReadOnly(bool on) { lineEdit()->setReadOnly(on); }

bool FieldCombo::typedOver() const { return typed_ || lineEdit()->isModified(); }

void FieldCombo::showField() {
  if (!typedOver() || lineEdit()->isReadOnly()) setEditText(fieldText(source_.table(), field_));
}

void FieldCombo::storeItem(const QString& text) {
  if (storeText(source_.table(), field_, text)) setEditText(text);
}

void FieldCombo::store(bool picked) {
  if (lineEdit()->isReadOnly() || (!picked && !typedOver())) return;
  const QString typed = currentText();
  lineEdit()->setModified(false);
  typed_ = false;
  if (!storeText(source_.table(), field_, typed)) showField();
}

void FieldCombo::settle(bool keep) {
  if (keep) {
    store(false);
  } else {
    lineEdit()->setModified(false);
    typed_ = false;
    showField();
  }
}

FieldMemo::FieldMemo(TableSource& source, int field, QWidget* parent)
    : QPlainTextEdit(parent), source_(source), field_(field) {
  follow(source_, this);
  showField();
}

void FieldMemo::showField() {
  if (document()->isModified() && !isReadOnly()) return;
  setPlainText(fieldText(source_.table(), field_));
  document()->setModified(false);
}

void FieldMemo::focusOutEvent(QFocusEvent* event) {
  store();
  QPlainTextEdit::focusOutEvent(event);
}

void FieldMemo::store() {
  if (isReadOnly() || !document()->isModified()) return;
  document()->setModified(false);
  // A memo that breaks its lines with CR LF shows them as plain line breaks: leaving the box
  // unchanged must not rewrite the memo.
  QString stored = fieldText(source_.table(), field_);
  stored.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (toPlainText() == stored) return;
  if (!storeText(source_.table(), field_, toPlainText())) showField();
}

void FieldMemo::settle(bool keep) {
  if (keep) {
    store();
  } else {
    document()->setModified(false);
    showField();
  }
}

FieldPicture::FieldPicture(TableSource& source, int field, QWidget* parent)
    : QLabel(parent), source_(source), field_(field) {
  setScaledContents(true);  // stretched to the box
  follow(source_, this);
  showField();
}

void FieldPicture::showField() {
  tdb::Table& t = source_.table();
  QPixmap picture;
  try {
    if (t.active() && !(t.eof() && t.bof())) {
      const tdb::Value v = t.field(field_).value();
      if (!v.isNull()) {
        const std::string& bytes = v.textValue();
        picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                             static_cast<int>(bytes.size()));
      }
    }
  } catch (const tdb::EngineError&) {
    // A picture that cannot be read shows as none.
  }
  setPixmap(picture);
}

void settleEditing(QWidget* focus, bool keep) {
  for (QWidget* w = focus; w; w = w->parentWidget()) {
    if (auto* edit = qobject_cast<FieldEdit*>(w)) return edit->settle(keep);
    if (auto* combo = qobject_cast<FieldCombo*>(w)) return combo->settle(keep);
    if (auto* memo = qobject_cast<FieldMemo*>(w)) return memo->settle(keep);
    QWidget* parent = w->parentWidget();
    auto* view = parent ? qobject_cast<QAbstractItemView*>(parent->parentWidget()) : nullptr;
    if (view && parent == view->viewport()) {
      // A widget over a view's cells that holds the focus is its cell editor. The view taking
      // the focus back stores the cell; closing the editor first drops it.
      if (!keep)
        QMetaObject::invokeMethod(
            view, "closeEditor", Q_ARG(QWidget*, w),
            Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::RevertModelCache));
      view->setFocus();
      return;
    }
  }
}

}  // namespace torvanel

#include "app/ui/field_controls.h"

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
  QObject::connect(&source, &TableSource::scrolled, control, &Control::showField);
  QObject::connect(&source, &TableSource::dataSetChanged, control, &Control::showField);
  QObject::connect(&source, &TableSource::stateChanged, control, &Control::showField);
}

}  // namespace

FieldEdit::FieldEdit(TableSource& source, int field, QWidget* parent)
    : QLineEdit(parent), source_(source), field_(field) {
  follow(source_, this);
  connect(this, &QLineEdit::editingFinished, this, &FieldEdit::store);
  showField();
}

void FieldEdit::showField() {
  if (!hasFocus() || isReadOnly()) setText(fieldText(source_.table(), field_));
}

void FieldEdit::store() {
  if (isReadOnly()) return;
  if (!storeText(source_.table(), field_, text())) setText(fieldText(source_.table(), field_));
}

FieldCombo::FieldCombo(TableSource& source, int field, const QStringList& items, QWidget* parent)
    : QComboBox(parent), source_(source), field_(field) {
  setEditable(true);
  addItems(items);
  follow(source_, this);
  connect(lineEdit(), &QLineEdit::editingFinished, this, &FieldCombo::store);
  connect(this, &QComboBox::activated, this, &FieldCombo::store);
  showField();
}

void FieldCombo::setReadOnly(bool on) { lineEdit()->setReadOnly(on); }

void FieldCombo::showField() { setEditText(fieldText(source_.table(), field_)); }

void FieldCombo::storeItem(const QString& text) {
  if (storeText(source_.table(), field_, text)) setEditText(text);
}

void FieldCombo::store() {
  if (lineEdit()->isReadOnly()) return;
  if (!storeText(source_.table(), field_, currentText()))
    setEditText(fieldText(source_.table(), field_));
}

FieldMemo::FieldMemo(TableSource& source, int field, QWidget* parent)
    : QPlainTextEdit(parent), source_(source), field_(field) {
  follow(source_, this);
  showField();
}

void FieldMemo::showField() {
  if (!hasFocus() || isReadOnly()) setPlainText(fieldText(source_.table(), field_));
}

void FieldMemo::focusOutEvent(QFocusEvent* event) {
  store();
  QPlainTextEdit::focusOutEvent(event);
}

void FieldMemo::store() {
  if (isReadOnly()) return;
  // A memo that breaks its lines with CR LF shows them as plain line breaks: leaving the box
  // unchanged must not rewrite the memo.
  QString stored = fieldText(source_.table(), field_);
  stored.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (toPlainText() == stored) return;
  if (!storeText(source_.table(), field_, toPlainText()))
    setPlainText(fieldText(source_.table(), field_));
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

}  // namespace torvanel

#pragma once

#include <QString>

class QAbstractButton;
class QToolButton;
class QWidget;

namespace torvanel::test {

// Finding what a user sees on the report dialogs and acting on what User cannot reach.

// The visible button of `dialog` whose text or hint is `text`, inside the group box titled
// `group` when one is given; nullptr (and a failure) when there is none, or more than one.
QAbstractButton* buttonOf(QWidget* dialog, const QString& text, const QString& group = {});
// The visible widget of `dialog` whose hint is `hint`; nullptr (and a failure) when none.
QWidget* hinted(QWidget* dialog, const QString& hint);
// The box that the label `label` of `dialog` stands for; nullptr (and a failure) when none.
QWidget* boxBesideLabel(QWidget* dialog, const QString& label);
// Presses the drop-down arrow of `button` and clicks the item `caption` of the menu it opens.
void chooseFromArrow(QToolButton* button, const QString& caption);

}  // namespace torvanel::test

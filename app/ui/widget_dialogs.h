#pragma once

#include "app/ui/dialogs.h"

namespace torvanel {

// The dialogs service on Qt's message boxes, input dialog and file dialogs, over the active
// window.
class WidgetDialogs : public Dialogs {
 public:
  void message(const QString& text) override;
  Answer confirm(const QString& text, bool withCancel) override;
  QString inputBox(const QString& title, const QString& prompt, const QString& text) override;
  std::optional<QString> inputQuery(const QString& title, const QString& prompt,
                                    const QString& text) override;
  std::optional<QString> openFile(const QString& title, const QString& filter,
                                  const QString& folder, const FileCursor& onCurrent) override;
  std::optional<QString> saveFile(const QString& title, const QString& filter,
                                  const QString& folder, const FileCursor& onCurrent) override;

 private:
  std::optional<QString> askFile(bool save, const QString& title, const QString& filter,
                                 const QString& folder, const FileCursor& onCurrent);
};

}  // namespace torvanel

#pragma once

#include <QFrame>

namespace torvanel {

// The look every panel of the projects shares: a raised frame that paints its own background,
// so that it hides whatever it covers.
inline void makePanelFrame(QFrame* panel, const char* name) {
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setAutoFillBackground(true);
}

}  // namespace torvanel

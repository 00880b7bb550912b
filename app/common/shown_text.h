#pragma once

#include <QString>

namespace torvanel {

// User text quoted in a message, with every control character (a NUL, a tab, a line end) shown
// as \xNN: the message shows all of the text, on its line, and nothing in it can cut it short.
QString shownText(const QString& text);

}  // namespace torvanel

#pragma once

#include <QImage>

namespace torvanel {

// The logo as drawn with a transparent background: every pixel of the colour of its bottom-left
// pixel made transparent.
QImage withTransparentBackground(const QImage& picture);

}  // namespace torvanel

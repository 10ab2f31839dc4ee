#pragma once

#include <QFont>
#include <Qt>

namespace vonnik {

// The look both windows share.

// The proportional Japanese gothic face "ＭＳ Ｐゴシック" at 12 pixels, with the faces a Debian
// desktop has in its place.
QFont FormFont();

// A fixed-size window: caption, system menu and minimise button, no maximise.
Qt::WindowFlags FixedWindowFlags();

}  // namespace vonnik

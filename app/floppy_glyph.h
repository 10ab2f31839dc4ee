#pragma once

#include <QPixmap>

namespace vonnik {

// SpeedButton1's picture: a floppy disk, 23 x 22 pixels, transparent around the disk.
QPixmap FloppyGlyph();

}  // namespace vonnik

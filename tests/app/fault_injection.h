#pragma once

#include <sys/resource.h>
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

#include "core/raster.h"

namespace vonnik::test {

// A 1-bit BMP of any size, cheap to write even when it is huge: colour one where bit(x, y)
// holds, colour zero elsewhere.
QByteArray MonoBmp(int width, int height, Pixel zero, Pixel one,
                   const std::function<bool(int x, int y)>& bit);

// The two headers of a 32-bit BMP that claims width x height pixels, and no pixels.
QByteArray BmpHeadersOnly(int width, int height);

// While alive, this thread checks file permissions as an ordinary user's would: a process
// running as root drops its capabilities to override them (they come back at the end).
// Allowed() tells whether permissions are now in force; when they are not (no way to drop
// the override), a test of a read-only folder or an unreadable file must be skipped.
class PermissionsEnforced {
  public:
    PermissionsEnforced();
    ~PermissionsEnforced();
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

    bool Allowed() const { return enforced_; }
    // What was done, for the log: "running as an ordinary user", "root: ... dropped", ...
    const QString& How() const { return how_; }

  private:
    bool enforced_ = false;
    bool dropped_ = false;
    std::uint32_t saved_[2] = {0, 0};  // effective capability words
    QString how_;
};

// While alive, no file of this process can grow beyond `bytes`: a write past it fails as
// on a full disk (EFBIG), and the signal the kernel sends with it is ignored.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};

// The largest resident size this process has had so far, in MiB.
long PeakResidentMiB();

}  // namespace vonnik::test

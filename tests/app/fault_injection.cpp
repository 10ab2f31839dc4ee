#include "tests/app/fault_injection.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

namespace vonnik::test {

namespace {

void PutLe(QByteArray& b, int at, std::uint32_t v, int size) {
    for (int k = 0; k < size; ++k) b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

QByteArray Headers(int width, int height, int bits, std::uint32_t pixelOffset,
                   std::uint64_t pixelBytes, int paletteEntries) {
    QByteArray b(static_cast<qsizetype>(pixelOffset), '\0');
    b[0] = 'B';
    b[1] = 'M';
    PutLe(b, 2, static_cast<std::uint32_t>(pixelOffset + pixelBytes), 4);
    PutLe(b, 10, pixelOffset, 4);
    PutLe(b, 14, 40, 4);
    PutLe(b, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(b, 22, static_cast<std::uint32_t>(height), 4);
    PutLe(b, 26, 1, 2);
    PutLe(b, 28, static_cast<std::uint32_t>(bits), 2);
    PutLe(b, 34, static_cast<std::uint32_t>(pixelBytes), 4);
    PutLe(b, 46, static_cast<std::uint32_t>(paletteEntries), 4);
    return b;
}

// One word of the kernel's capability sets per 32 capabilities, version 3.
bool GetCaps(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool SetCaps(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

// An unreadable file in a fresh folder, opened: true when the open is refused.
bool PermissionsRefuseOpen() {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("locked")));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.close();
    file.setPermissions(QFileDevice::Permissions());
    const bool refused = !file.open(QIODevice::ReadOnly);
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return refused;
}

constexpr std::uint32_t kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

}  // namespace

QByteArray MonoBmp(int width, int height, Pixel zero, Pixel one,
                   const std::function<bool(int x, int y)>& bit) {
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    const std::uint32_t offset = 14 + 40 + 8;
    QByteArray b = Headers(width, height, 1, offset, rowBytes * height, 2);
    PutLe(b, 54, zero, 4);
    PutLe(b, 58, one, 4);
    QByteArray row(static_cast<qsizetype>(rowBytes), '\0');
    b.reserve(static_cast<qsizetype>(offset + rowBytes * height));
    for (int y = height - 1; y >= 0; --y) {  // bottom row first
        row.fill('\0');
        for (int x = 0; x < width; ++x)
            if (bit(x, y)) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        b.append(row);
    }
    return b;
}

QByteArray BmpHeadersOnly(int width, int height) {
    return Headers(width, height, 32, 54, static_cast<std::uint64_t>(width) * height * 4, 0);
}

PermissionsEnforced::PermissionsEnforced() {
    if (geteuid() != 0) {
        how_ = QStringLiteral("running as an ordinary user");
    } else {
        __user_cap_data_struct caps[2];
        if (GetCaps(caps)) {
            saved_[0] = caps[0].effective;
            saved_[1] = caps[1].effective;
            caps[0].effective &= ~kOverrides;
            dropped_ = SetCaps(caps);
        }
        how_ = dropped_ ? QStringLiteral("root, with the permission overrides dropped")
                        : QStringLiteral("root, and the permission overrides could not be dropped");
    }
    enforced_ = PermissionsRefuseOpen();
}

PermissionsEnforced::~PermissionsEnforced() {
    if (!dropped_) return;
    __user_cap_data_struct caps[2];
    if (!GetCaps(caps)) return;
    caps[0].effective = saved_[0];
    caps[1].effective = saved_[1];
    SetCaps(caps);
}

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, savedHandler_);
}

long PeakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace vonnik::test

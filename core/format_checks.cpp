#include "core/format_checks.h"

#include <QIODevice>
#include <QImage>

namespace vonnik {

namespace {

std::uint32_t LittleEndian(const QByteArray& b, int at, int size) {
    std::uint32_t v = 0;
    for (int k = size - 1; k >= 0; --k) v = (v << 8) | static_cast<std::uint8_t>(b[at + k]);
    return v;
}

}  // namespace

std::optional<PackedChannels> PackedChannelsOf(QIODevice& file) {
    const QByteArray head = file.peek(66);
    if (head.size() < 34 || !head.startsWith("BM")) return std::nullopt;
    const std::uint32_t headerSize = LittleEndian(head, 14, 4);
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return std::nullopt;
    const std::uint32_t bits = LittleEndian(head, 28, 2);
    const std::uint32_t compression = LittleEndian(head, 30, 4);
    if (bits == 16 && compression == 0) return PackedChannels{{0x7C00, 0x03E0, 0x001F}};
    // The masks follow a 40-byte header and sit inside the longer ones: offset 54 either way.
    if ((bits == 16 || bits == 32) && compression == 3 && head.size() >= 66)
        return PackedChannels{
            {LittleEndian(head, 54, 4), LittleEndian(head, 58, 4), LittleEndian(head, 62, 4)}};
    return std::nullopt;
}

std::optional<QSize> ClaimedBmpSize(QIODevice& file) {
    const QByteArray head = file.peek(26);
    if (head.size() < 26 || !head.startsWith("BM")) return std::nullopt;
    if (LittleEndian(head, 14, 4) == 12)  // the old header: two 16-bit numbers
        return QSize(static_cast<int>(LittleEndian(head, 18, 2)),
                     static_cast<int>(LittleEndian(head, 20, 2)));
    return QSize(static_cast<std::int32_t>(LittleEndian(head, 18, 4)),
                 static_cast<std::int32_t>(LittleEndian(head, 22, 4)));
}

bool HasShortOldColourTable(QIODevice& file) {
    const QByteArray head = file.peek(26);
    if (head.size() < 26 || !head.startsWith("BM") || LittleEndian(head, 14, 4) != 12) return false;
    const std::uint32_t bits = LittleEndian(head, 24, 2);
    if (bits == 0 || bits > 8) return false;
    return LittleEndian(head, 10, 4) < 26u + 3u * (1u << bits);
}

int MaskWidth(std::uint32_t mask) {
    if (mask == 0) return 0;
    while ((mask & 1u) == 0) mask >>= 1;
    int width = 0;
    for (; mask & 1u; mask >>= 1) ++width;
    return width;
}

void RescaleNarrowChannels(QImage& image, const PackedChannels& packed) {
    for (int c = 0; c < 3; ++c) {
        const int n = MaskWidth(packed.masks[c]);
        if (n == 0 || n >= 8) continue;
        const std::uint32_t maxv = (1u << n) - 1;
        std::uint8_t table[256];
        for (std::uint32_t value = 0; value < 256; ++value) {
            const std::uint32_t v = value >> (8 - n);
            table[value] = static_cast<std::uint8_t>((v * 255 + maxv / 2) / maxv);
        }
        const int shift = 16 - 8 * c;  // red, green, blue in a 32-bit pixel word
        for (int r = 0; r < image.height(); ++r) {
            auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(r));
            for (int x = 0; x < image.width(); ++x) {
                const std::uint32_t old = (row[x] >> shift) & 0xFFu;
                row[x] = (row[x] & ~(0xFFu << shift)) | (std::uint32_t{table[old]} << shift);
            }
        }
    }
}

std::optional<std::string> JpegDamage(const QStringList& messages) {
    for (const QString& m : messages) {
        if (m.contains(QLatin1String("extraneous bytes"))) continue;
        if (m.contains(QLatin1String("Premature end"), Qt::CaseInsensitive) ||
            m.contains(QLatin1String("Corrupt JPEG data")) ||
            m.contains(QLatin1String("Huffman")) || m.contains(QLatin1String("Bogus")))
            return m.toStdString();
    }
    return std::nullopt;
}

std::optional<QSize> ClaimedGifSize(QIODevice& file) {
    const QByteArray head = file.peek(10);
    if (head.size() < 10 || !(head.startsWith("GIF87a") || head.startsWith("GIF89a")))
        return std::nullopt;
    return QSize(static_cast<int>(LittleEndian(head, 6, 2)),
                 static_cast<int>(LittleEndian(head, 8, 2)));
}

std::optional<QSize> ClaimedTgaSize(QIODevice& file) {
    const QByteArray head = file.peek(18);
    if (head.size() < 18 || file.isSequential() || file.size() < 44) return std::nullopt;
    const qint64 at = file.pos();
    QByteArray footer;
    if (file.seek(file.size() - 18)) footer = file.read(18);
    file.seek(at);
    if (footer != QByteArray("TRUEVISION-XFILE.\0", 18)) return std::nullopt;
    return QSize(static_cast<int>(LittleEndian(head, 12, 2)),
                 static_cast<int>(LittleEndian(head, 14, 2)));
}

bool GifIsCutShort(QIODevice& file) {
    if (file.isSequential() || file.size() < 1) return false;
    const qint64 at = file.pos();
    QByteArray last;
    if (file.seek(file.size() - 1)) last = file.read(1);
    file.seek(at);
    return last != QByteArray(";", 1);
}

bool TgaIsCutShort(QIODevice& file) {
    const QByteArray head = file.peek(18);
    if (head.size() < 18 || file.isSequential()) return head.size() < 18;
    const std::uint64_t idLength = static_cast<std::uint8_t>(head[0]);
    const std::uint64_t mapEntries = LittleEndian(head, 5, 2);
    const std::uint64_t mapBytes = (mapEntries * LittleEndian(head, 7, 1) + 7) / 8;
    const std::uint64_t pixelBytes = (static_cast<std::uint64_t>(LittleEndian(head, 12, 2)) *
                                          LittleEndian(head, 14, 2) * LittleEndian(head, 16, 1) +
                                      7) /
                                     8;
    return static_cast<std::uint64_t>(file.size()) < 18 + idLength + mapBytes + pixelBytes + 26;
}

}  // namespace vonnik

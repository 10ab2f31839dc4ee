#include "core/atomic_write.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "core/picture_io.h"

namespace vonnik {

namespace {

QString ToQ(const std::string& s) {
    return QString::fromStdString(s);
}

// The reason a write or flush of file failed. Qt reports a failed flush as "Unknown
// error"; the system's reason is still in errno then.
std::string WriteFailure(const QFileDevice& file, int err) {
    return err != 0 ? std::strerror(err) : file.errorString().toStdString();
}

// Qt's commit() does not notice when flushing the last buffered bytes fails (a disk that
// fills up part-way through the file) and renames the truncated file into place: every
// byte is flushed and checked before the commit.
void FlushOrCancel(QSaveFile& file, const std::string& path) {
    errno = 0;
    if (file.flush() && file.error() == QFileDevice::NoError) return;
    const std::string why = WriteFailure(file, errno);
    file.cancelWriting();
    throw FileError(path, "cannot write: " + why);
}

// Writes every piece; false (errno kept) at the first that does not go through whole.
bool WritePieces(QFileDevice& file, const std::vector<Piece>& pieces) {
    for (const Piece& piece : pieces)
        if (file.write(piece.data, piece.size) != piece.size) return false;
    return true;
}

// A device or a pipe that already exists (/dev/null, /dev/stdout, ...) takes the bytes
// as they come; saving through a temporary file would rename that over the device or
// pipe itself and, run as root, replace /dev/null with a regular file.
void WriteToDevice(const std::string& path, const std::vector<Piece>& pieces) {
    QFile file(ToQ(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileError(path, "cannot open: " + file.errorString().toStdString());
    errno = 0;
    if (!WritePieces(file, pieces))
        throw FileError(path, "cannot write: " + WriteFailure(file, errno));
}

}  // namespace

void WriteAtomically(const std::string& path, const std::vector<Piece>& pieces) {
    const QFileInfo target(ToQ(path));
    if (target.exists() && !target.isFile() && !target.isDir()) {
        WriteToDevice(path, pieces);
        return;
    }
    QSaveFile file(ToQ(path));
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(path, "cannot create: " + file.errorString().toStdString());
    errno = 0;
    if (!WritePieces(file, pieces)) {
        const std::string why = WriteFailure(file, errno);
        file.cancelWriting();
        throw FileError(path, "cannot write: " + why);
    }
    FlushOrCancel(file, path);
    if (!file.commit()) throw FileError(path, "cannot write: " + file.errorString().toStdString());
}

void WriteFileAtomically(const std::string& path, const char* data, std::int64_t size) {
    WriteAtomically(path, {Piece{data, size}});
}

void WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    WriteFileAtomically(path, reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::int64_t>(bytes.size()));
}

}  // namespace vonnik

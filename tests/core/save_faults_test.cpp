// Saving a frame when the file system does not play along: a disk that fills up part-way
// leaves neither the file nor a temporary one and names the system's reason; a device or a
// pipe that already stands at the path takes the bytes and stays what it was.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "core/picture_io.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::FileSizeLimit;

// Everything in the folder, hidden temporary files included.
QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

mode_t TypeOf(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & S_IFMT;
}

TEST(FullDisk, ASaveThatRunsOutOfRoomLeavesNothing) {
    const Raster frame = test::MakeDisc(40, 30, 20, 15, 12);
    const rlim_t bmpBytes = 54 + 40 * 30 * 4;
    for (rlim_t room : {rlim_t{0}, rlim_t{54}, rlim_t{4096}, bmpBytes - 1}) {
        SCOPED_TRACE(testing::Message() << room << " bytes of room");
        QTemporaryDir dir;
        const std::string bmp = dir.filePath("0000.bmp").toStdString();
        const std::string png = dir.filePath("frame.png").toStdString();
        {
            FileSizeLimit full(room);
            try {
                SaveFrameBmp(frame, bmp);
                ADD_FAILURE() << "saved";
            } catch (const FileError& e) {
                EXPECT_EQ(e.Path(), bmp);
                EXPECT_NE(e.Reason().find("File too large"), std::string::npos) << e.Reason();
            }
            if (room < 100) {
                EXPECT_THROW(SavePng(frame, png), FileError);
            }
        }
        EXPECT_EQ(Entries(dir), QStringList());
    }
    QTemporaryDir dir;
    const std::string bmp = dir.filePath("0000.bmp").toStdString();
    {
        FileSizeLimit justEnough(bmpBytes);
        SaveFrameBmp(frame, bmp);
    }
    EXPECT_EQ(LoadPicture(bmp), frame);
}

// A named pipe at the path (as "-o /dev/stdout" into a pipe gives): the frame file goes
// into the pipe, and the pipe is still a pipe. The read end is open first, so no open
// blocks; the pipe holds the whole small file.
TEST(SpecialTargets, APipeTakesTheBytesAndStaysAPipe) {
    QTemporaryDir dir;
    const std::string pipe = dir.filePath("frame.bmp").toStdString();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const Raster frame = test::MakeDisc(12, 9, 6, 4, 3);
    SaveFrameBmp(frame, pipe);
    const std::vector<std::uint8_t> expected = EncodeFrameBmp(frame);
    std::vector<std::uint8_t> got(expected.size() + 16);
    const ssize_t n = read(reader, got.data(), got.size());
    close(reader);
    ASSERT_EQ(n, static_cast<ssize_t>(expected.size()));
    got.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(TypeOf(pipe), static_cast<mode_t>(S_IFIFO));
    EXPECT_EQ(Entries(dir), QStringList{"frame.bmp"});
}

// The full device takes no byte: both savers fail with the system's reason, and the
// device stays a device.
TEST(SpecialTargets, AFullDeviceFailsWithTheSystemsReason) {
    const std::string full = "/dev/full";
    ASSERT_EQ(TypeOf(full), static_cast<mode_t>(S_IFCHR)) << "this system has no /dev/full";
    const Raster frame = test::MakeDisc(12, 9, 6, 4, 3);
    const std::string reason = std::strerror(ENOSPC);
    for (const auto save : {&SaveFrameBmp, &SavePng}) {
        try {
            save(frame, full);
            ADD_FAILURE() << "saved";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), full);
            EXPECT_NE(e.Reason().find(reason), std::string::npos) << e.Reason();
        }
    }
    EXPECT_EQ(TypeOf(full), static_cast<mode_t>(S_IFCHR));
}

// A null device of its own (root may make one): saving to it, as "-o /dev/null" does,
// writes nothing anywhere and leaves the device in place rather than replacing it with a
// regular file.
TEST(SpecialTargets, ANullDeviceStaysADevice) {
    QTemporaryDir dir;
    const std::string device = dir.filePath("null").toStdString();
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here (not root)";
    const int probe = open(device.c_str(), O_WRONLY);
    if (probe < 0) GTEST_SKIP() << "devices cannot be opened in " << dir.path().toStdString();
    close(probe);
    SaveFrameBmp(test::MakeDisc(12, 9, 6, 4, 3), device);
    SavePng(test::MakeDisc(12, 9, 6, 4, 3), device);
    EXPECT_EQ(TypeOf(device), static_cast<mode_t>(S_IFCHR));
    EXPECT_EQ(Entries(dir), QStringList{"null"});
}

}  // namespace
}  // namespace vonnik

// Snapshots that cannot be written, and the limits of the numbering and of the frame size:
// a "pic_hozon" folder that is missing, not a folder, read-only or on a full disk gives an
// error report naming the file, no beep and no numbered (or temporary) file, and once the
// folder is usable again the next snapshot still takes the first free number. A background
// larger than any screen still sizes the viewer and the snapshot.
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include "core/picture_io.h"
#include "tests/app/app_fixture.h"
#include "tests/app/fault_injection.h"
#include "tests/support/pictures.h"

namespace vonnik::test {

class SnapshotFaultsTest : public ProgramTest {
    Q_OBJECT

    QString Folder() { return program->Path(QStringLiteral("pic_hozon")); }
    QString Snapshot(int n) { return Folder() + QString::asprintf("/%04d.bmp", n); }
    // Everything in the folder, hidden temporary files included.
    QStringList Contents() {
        return QDir(Folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                        QDir::NoDotAndDotDot);
    }

    void ReplaceFolder(const QString& kind) {
        QVERIFY(QDir(Folder()).removeRecursively());
        const QByteArray path = QFile::encodeName(Folder());
        if (kind == QLatin1String("a file")) {
            QVERIFY(!program->WriteBytes(QStringLiteral("pic_hozon"), "a file").isEmpty());
        } else if (kind == QLatin1String("a link to /dev/full")) {
            QVERIFY(symlink("/dev/full", path.constData()) == 0);
        } else if (kind == QLatin1String("a dangling link")) {
            QVERIFY(symlink("gone", path.constData()) == 0);
        } else if (kind == QLatin1String("a link loop")) {
            QVERIFY(symlink(path.constData(), path.constData()) == 0);
        }
    }

    void RestoreFolder() {
        QFile::remove(Folder());  // a file or a link in its place
        QVERIFY(QDir().mkpath(Folder()));
    }

    // One snapshot that must fail: reported with the file's name, no beep, nothing left.
    void ExpectFailedSnapshot(const QString& name) {
        const int beeps = program->beeps;
        const qsizetype errors = program->errors.size();
        const QStringList contents = QFileInfo(Folder()).isDir() ? Contents() : QStringList();
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(program->errors.size(), errors + 1);
        QVERIFY2(program->errors.last().contains(name), qPrintable(program->errors.last()));
        QCOMPARE(program->beeps, beeps);
        if (QFileInfo(Folder()).isDir()) QCOMPARE(Contents(), contents);
    }

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(40, 30, 20, 15, 12));
        program->Build(QStringLiteral("disc.bmp"));
        QCOMPARE(program->beeps, 1);
    }
    void cleanup() { program.reset(); }

    void brokenFolders_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a file in its place") << "a file";
        QTest::newRow("a link to /dev/full") << "a link to /dev/full";
        QTest::newRow("a dangling link") << "a dangling link";
        QTest::newRow("a link loop") << "a link loop";
    }
    void brokenFolders() {
        QFETCH(QString, kind);
        ReplaceFolder(kind);
        ExpectFailedSnapshot(QStringLiteral("0000.bmp"));
        ExpectFailedSnapshot(QStringLiteral("0000.bmp"));  // and again: still the first name
        QVERIFY(!QFileInfo::exists(Folder() + QStringLiteral("/0000.bmp")));
        RestoreFolder();
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot(0)), Shown());
        QCOMPARE(program->beeps, 2);
        QCOMPARE(Contents(), QStringList{QStringLiteral("0000.bmp")});
    }

    // A folder the user may not write to. As root the permission overrides are dropped for
    // the test (PermissionsEnforced).
    void aReadOnlyFolder() {
        program->WriteBytes(QStringLiteral("pic_hozon/0000.bmp"), "taken");
        QVERIFY(QFile::setPermissions(Folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        {
            PermissionsEnforced asUser;
            if (!asUser.Allowed()) {
                QFile::setPermissions(Folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner);
                QSKIP(qPrintable(QStringLiteral("file permissions cannot be enforced here (") +
                                 asUser.How() + QStringLiteral(")")));
            }
            qInfo("%s", qPrintable(asUser.How()));
            ExpectFailedSnapshot(QStringLiteral("0001.bmp"));
        }
        QVERIFY(QFile::setPermissions(
            Folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot(1)), Shown());
        QCOMPARE(program->beeps, 2);
    }

    // A disk that fills up while the frame is written: the write fails part-way (here
    // through the file size limit, which fails a write as a full disk does), the partly
    // written file is removed, and no number is used up.
    void aFullDisk() {
        program->WriteBytes(QStringLiteral("pic_hozon/0000.bmp"), "taken");
        program->WriteBytes(QStringLiteral("pic_hozon/0002.bmp"), "taken");
        const qint64 frameBytes = 54 + 40 * 30 * 4;
        for (std::uint64_t room : {0, 54, 1000, static_cast<int>(frameBytes) - 1}) {
            FileSizeLimit full(room);
            ExpectFailedSnapshot(QStringLiteral("0001.bmp"));
        }
        QVERIFY(!QFileInfo::exists(Snapshot(1)));
        {
            FileSizeLimit justEnough(frameBytes);
            Find<QToolButton>(Form1(), "SpeedButton1")->click();
        }
        QCOMPARE(ReadFile(Snapshot(1)), Shown());
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot(3)), Shown());
        QCOMPARE(program->beeps, 3);
        QCOMPARE(Contents().size(), 4);
    }

    // 0000 to 9998 taken: the last number is used; then every number is taken and the
    // snapshot does nothing at all, until a number is freed.
    void theLastNumbers() {
        for (int n = 0; n <= 9998; ++n) {
            QFile file(Snapshot(n));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot(9999)), Shown());
        QCOMPARE(program->beeps, 2);
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(program->beeps, 2);
        QVERIFY(program->errors.isEmpty());
        QCOMPARE(Contents().size(), 10000);
        QVERIFY(QFile::remove(Snapshot(4711)));
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot(4711)), Shown());
        QCOMPARE(program->beeps, 3);
    }

    // A number is taken by whatever holds its name: a folder, or a link to something that
    // exists (here a full device), is passed over and never written through. A dangling
    // link names no file, so its number is free: the frame is saved where the link points,
    // as a save to that path does anywhere.
    void namesTakenByOtherThings() {
        QVERIFY(QDir().mkpath(Snapshot(0)));
        QVERIFY(symlink("/dev/full", QFile::encodeName(Snapshot(1)).constData()) == 0);
        const QString outside = program->Path(QStringLiteral("outside.bmp"));
        QVERIFY(symlink(QFile::encodeName(outside).constData(),
                        QFile::encodeName(Snapshot(2)).constData()) == 0);
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QVERIFY(program->errors.isEmpty());
        QCOMPARE(program->beeps, 2);
        QVERIFY(QFileInfo(Snapshot(2)).isSymLink());
        QCOMPARE(ReadFile(outside), Shown());
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot(3)), Shown());
        QCOMPARE(program->beeps, 3);
    }

    // A background far larger than the screen: the viewer's client area, the frame and the
    // snapshot still take its full size, and the model is drawn at its centre as the
    // command-line tool draws it.
    void aBackgroundLargerThanTheScreen() {
        const int w = 5000, h = 4000;
        const auto stripes = [](int x, int y) { return (x / 100 + y / 100) % 2 == 0; };
        const QString huge = program->WriteBytes(QStringLiteral("haikei/huge.bmp"),
                                                 MonoBmp(w, h, 0x102030, 0xA0B0C0, stripes));
        const QString disc =
            program->WritePicture(QStringLiteral("obj/big.bmp"), MakeDisc(60, 46, 28, 22, 19));
        program->Build(QStringLiteral("big.bmp"));
        program->Answer(huge);
        Find<QPushButton>(Form1(), "Button2")->click();
        QVERIFY(program->errors.isEmpty());
        QVERIFY(Form2().isVisible());
        // Shown scaled down to the screen; at 100 % it scrolls, and the drag is in frame pixels.
        QVERIFY(Form2().Zoom() < 1.0);
        QVERIFY(Form2().screen()->availableGeometry().contains(Form2().frameGeometry()));
        Form2().ZoomToActualSize();
        QCOMPARE(Form2().FrameArea()->size(), QSize(w, h));
        const Raster& frame = Form1().State.FrameBuffer;
        QCOMPARE(frame.Width(), w);
        QCOMPARE(frame.Height(), h);
        for (QPoint p : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
            QCOMPARE(frame.At(p.x(), p.y()), stripes(p.x(), p.y()) ? 0xA0B0C0u : 0x102030u);
        // Model x = 0 sits at the frame's centre column, inside the disc.
        QVERIFY(frame.At(w / 2, h / 2) != 0xA0B0C0u && frame.At(w / 2, h / 2) != 0x102030u);
        RightDrag(Form2().FrameArea(), {{2500, 2000}, {2530, 2010}, {2560, 1990}});
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        const QByteArray file = ReadFile(Snapshot(0));
        QCOMPARE(file.size(), 54 + w * h * 4);
        QVERIFY(file == Shown());
        QVERIFY(file == CliFrame({disc.toStdString(), "--background", huge.toStdString(), "--drag",
                                  "2500,2000;2530,2010;2560,1990"}));
        // Cleared: back to the picture's size.
        Find<QPushButton>(Form1(), "Button3")->click();
        QCOMPARE(Form2().FrameArea()->size(), QSize(60, 46));
        QCOMPARE(Form1().State.FrameBuffer.Width(), 60);
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::SnapshotFaultsTest)
#include "snapshot_faults_test.moc"

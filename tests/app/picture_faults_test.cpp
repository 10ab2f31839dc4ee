// Hostile picture files through the build and the background buttons: whatever the dialog
// hands over (a folder, a device, a pipe, a link loop, a file that vanished, cannot be read
// or is empty, a picture over the pixel limit or too large for the model's memory budget,
// every doubtful and bad file of the BMP suite), the program neither crashes nor hangs;
// it ends silently or reports an error that names the file, and the model, the pictures and
// the settings on screen stay as they were.
#include <sys/stat.h>
#include <unistd.h>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "tests/app/app_fixture.h"
#include "tests/app/fault_injection.h"
#include "tests/support/pictures.h"

namespace vonnik::test {

namespace {

// Pictures over the pixel limit, as small files: the header alone claims the size.
QByteArray OverThePixelLimit() {
    return BmpHeadersOnly(10001, 10000);  // 100,010,000 pixels
}

// Something under the name, a broken link included.
bool Present(const QString& path) {
    struct stat info;
    return lstat(QFile::encodeName(path).constData(), &info) == 0;
}

}  // namespace

class PictureFaultsTest : public ProgramTest {
    Q_OBJECT

    // Makes the file a case names, in obj/ or haikei/; returns what the dialog answers.
    QString MakeCase(const QString& folder, const QString& name) {
        const QString path = program->Path(folder + QLatin1Char('/') + name);
        const QByteArray p = QFile::encodeName(path);
        if (name == QLatin1String("folder.bmp")) {
            QDir().mkpath(path);
        } else if (name == QLatin1String("device")) {
            return QStringLiteral("/dev/null");
        } else if (name == QLatin1String("pipe.bmp")) {
            mkfifo(p.constData(), 0600);
        } else if (name == QLatin1String("loop.bmp")) {
            symlink(p.constData(), p.constData());
        } else if (name == QLatin1String("dangling.bmp")) {
            symlink("nowhere.bmp", p.constData());
        } else if (name == QLatin1String("empty.bmp")) {
            program->WriteBytes(folder + QStringLiteral("/empty.bmp"), QByteArray());
        } else if (name == QLatin1String("huge.bmp")) {
            program->WriteBytes(folder + QStringLiteral("/huge.bmp"), OverThePixelLimit());
        } else if (name == QLatin1String("header.bmp")) {
            program->WriteBytes(folder + QStringLiteral("/header.bmp"), QByteArray("BM", 2));
        } else if (name == QLatin1String("words.bmp")) {
            program->WriteBytes(folder + QStringLiteral("/words.bmp"), "not a picture at all");
        }
        return path;
    }

    // Silent, or one error report naming the file; nothing else changed.
    void ExpectUnchanged(const StateImage& before, bool reported, const QString& name) {
        QVERIFY(StateImage(Form1()) == before);
        QCOMPARE(program->beeps, 1);  // the first build's
        QCOMPARE(program->errors.size(), reported ? 1 : 0);
        if (reported)
            QVERIFY2(program->errors.first().contains(name), qPrintable(program->errors.first()));
    }

    void AddCases() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("reported");
        QTest::addColumn<QString>("reason");
        // Not a file: ended silently, as a name that is not there.
        QTest::newRow("a folder") << "folder.bmp" << false << QString();
        QTest::newRow("a device") << "device" << false << QString();
        QTest::newRow("a named pipe (would block a read)") << "pipe.bmp" << false << QString();
        QTest::newRow("a symbolic link loop") << "loop.bmp" << false << QString();
        QTest::newRow("a dangling link") << "dangling.bmp" << false << QString();
        // Files that cannot be loaded: reported with the name and the reason.
        QTest::newRow("0 bytes") << "empty.bmp" << true << "empty";
        QTest::newRow("over the pixel limit") << "huge.bmp" << true << "too large (10001 x 10000";
        QTest::newRow("a bare signature") << "header.bmp" << true << QString();
        QTest::newRow("text") << "words.bmp" << true << QString();
    }

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(60, 46, 28, 22, 19));
        program->WritePicture(QStringLiteral("obj/ring.bmp"), MakeRing(40, 40, 20, 20, 17, 7));
        program->WritePicture(QStringLiteral("haikei/wall.bmp"), MakeBlobs(50, 40, 5, 0x224466));
        // Every case starts from a model on screen, turned, with a background set.
        program->Build(QStringLiteral("disc.bmp"));
        RightDrag(Form2().FrameArea(), {{10, 10}, {24, 15}});
        program->Answer(program->Path(QStringLiteral("haikei/wall.bmp")));
        Find<QPushButton>(Form1(), "Button2")->click();
        QCOMPARE(program->beeps, 1);
        QVERIFY(program->errors.isEmpty());
    }
    void cleanup() { program.reset(); }

    void hostileFilesStopTheBuild_data() { AddCases(); }
    void hostileFilesStopTheBuild() {
        QFETCH(QString, name);
        QFETCH(bool, reported);
        QFETCH(QString, reason);
        const QString answer = MakeCase(QStringLiteral("obj"), name);
        QVERIFY(Present(answer));
        const StateImage before(Form1());
        program->Answer(answer);
        Find<QPushButton>(Form1(), "Button1")->click();
        ExpectUnchanged(before, reported, QFileInfo(answer).fileName());
        if (!reason.isEmpty())
            QVERIFY2(program->errors.first().contains(reason), qPrintable(program->errors.first()));
        QVERIFY(Form2().isVisible());
        QCOMPARE(Form2().windowTitle(), QStringLiteral("disc.bmp"));
    }

    // The same files as the back picture of a double-sided build: the front is loaded
    // already, and still nothing changes.
    void hostileBackPicturesStopTheBuild_data() { AddCases(); }
    void hostileBackPicturesStopTheBuild() {
        QFETCH(QString, name);
        QFETCH(bool, reported);
        const QString answer = MakeCase(QStringLiteral("obj"), name);
        QVERIFY(Present(answer));
        Find<QCheckBox>(Form1(), "CheckBox3")->setChecked(true);
        const StateImage before(Form1());
        program->Answer(program->Path(QStringLiteral("obj/ring.bmp")));
        program->Answer(answer);
        Find<QPushButton>(Form1(), "Button1")->click();
        ExpectUnchanged(before, reported, QFileInfo(answer).fileName());
        QCOMPARE(program->dialogFolders.size(), 4);  // init's two and these two
    }

    void hostileBackgroundsChangeNothing_data() { AddCases(); }
    void hostileBackgroundsChangeNothing() {
        QFETCH(QString, name);
        QFETCH(bool, reported);
        const QString answer = MakeCase(QStringLiteral("haikei"), name);
        QVERIFY(Present(answer));
        const StateImage before(Form1());
        program->Answer(answer);
        Find<QPushButton>(Form1(), "Button2")->click();
        ExpectUnchanged(before, reported, QFileInfo(answer).fileName());
        QCOMPARE(Find<QLabel>(Form1(), "Label1")->text(), QStringLiteral("背景：wall.bmp"));
        QCOMPARE(Form2().FrameArea()->size(), QSize(50, 40));
    }

    // The file is there when the user picks it and gone when the program looks: the build
    // ends silently, like one whose file never existed.
    void aPictureDeletedAfterTheDialog() {
        const StateImage before(Form1());
        Form1().OpenDialog1 = [this](const QString&) {
            const QString path = program->Path(QStringLiteral("obj/ring.bmp"));
            QFile::remove(path);
            return path;
        };
        Find<QPushButton>(Form1(), "Button1")->click();
        ExpectUnchanged(before, false, QString());
    }

    // A double-sided build has loaded the front before it asks for the back; deleting the
    // front meanwhile does not matter.
    void theFrontDeletedWhileTheBackIsChosen() {
        program->WritePicture(QStringLiteral("obj/copy.bmp"), MakeRing(40, 40, 20, 20, 17, 7));
        Find<QCheckBox>(Form1(), "CheckBox3")->setChecked(true);
        int runs = 0;
        Form1().OpenDialog1 = [&](const QString&) {
            if (++runs == 1) return program->Path(QStringLiteral("obj/copy.bmp"));
            QFile::remove(program->Path(QStringLiteral("obj/copy.bmp")));
            return program->Path(QStringLiteral("obj/disc.bmp"));
        };
        Find<QPushButton>(Form1(), "Button1")->click();
        QVERIFY(program->errors.isEmpty());
        QCOMPARE(program->beeps, 2);
        QCOMPARE(Form1().State.PictureName, std::string("copy.bmp"));
        QCOMPARE(Form1().State.FrontPicture.Width(), 40);
    }

    // Unreadable for the user running the program: reported, nothing changed. As root the
    // permission overrides are dropped for the test (PermissionsEnforced).
    void anUnreadablePicture() {
        PermissionsEnforced asUser;
        if (!asUser.Allowed())
            QSKIP(qPrintable(QStringLiteral("file permissions cannot be enforced here (") +
                             asUser.How() + QStringLiteral(")")));
        qInfo("%s", qPrintable(asUser.How()));
        const QString path = program->Path(QStringLiteral("obj/ring.bmp"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        const StateImage before(Form1());
        program->Answer(path);
        Find<QPushButton>(Form1(), "Button1")->click();
        ExpectUnchanged(before, true, QStringLiteral("ring.bmp"));
        QVERIFY2(program->errors.first().contains(QStringLiteral("cannot open")),
                 qPrintable(program->errors.first()));

        program->Answer(path);
        Find<QPushButton>(Form1(), "Button2")->click();
        QCOMPARE(program->errors.size(), 2);
        QCOMPARE(Find<QLabel>(Form1(), "Label1")->text(), QStringLiteral("背景：wall.bmp"));
    }

    // Polygon size 1 over a picture of 12 million pixels would need about 8 GB of lattice
    // arrays: the build refuses before allocating them, says why, and keeps the model.
    // The picture is one row high, so the test itself needs under 200 MB.
    void aModelOverTheMemoryBudgetIsRefused() {
        const int width = 12'000'000;
        program->WriteBytes(
            QStringLiteral("obj/wide.bmp"),
            MonoBmp(width, 1, 0xFFFFFF, 0x000000, [](int x, int) { return x % 1000 > 500; }));
        for (bool square : {false, true}) {
            Find<QLineEdit>(Form1(), "Edit1")->setText(QStringLiteral("1"));
            Find<QCheckBox>(Form1(), "CheckBox2")->setChecked(square);
            const StateImage before(Form1());
            const long peakBefore = PeakResidentMiB();
            program->Build(QStringLiteral("wide.bmp"));
            // The pictures (two copies of 48 MB) are loaded; no lattice array is.
            QVERIFY2(PeakResidentMiB() - peakBefore < 1024,
                     qPrintable(QString::number(PeakResidentMiB() - peakBefore) + " MiB"));
            QCOMPARE(program->errors.size(), square ? 2 : 1);
            const QString& report = program->errors.last();
            QVERIFY2(report.startsWith(QStringLiteral("wide.bmp: ")), qPrintable(report));
            QVERIFY2(report.contains(QStringLiteral("polygon size")) &&
                         report.contains(QStringLiteral("12000000 x 1")),
                     qPrintable(report));
            QVERIFY(StateImage(Form1()) == before);
            QCOMPARE(Form1().StatusText(), QString(12, QChar(0x3000)));
            QCOMPARE(Find<QProgressBar>(Form1(), "ProgressBar1")->value(), 0);
            QCOMPARE(program->beeps, 1);
        }
        // The panel works on: the next build succeeds.
        Find<QLineEdit>(Form1(), "Edit1")->setText(QStringLiteral("6"));
        program->Build(QStringLiteral("ring.bmp"));
        QCOMPARE(program->beeps, 2);
        QCOMPARE(Form2().windowTitle(), QStringLiteral("ring.bmp"));
    }

    // Every doubtful and bad file of the BMP suite (and the one of a related format) as the
    // front picture, as the back picture and as the background: each is refused with a
    // report that names it, leaving everything as it was, or loads and builds completely.
    void everyDoubtfulFileOfTheBmpSuite() {
        int refused = 0, built = 0;
        for (const char* folder : {"b", "q", "x"}) {
            const QDir suite(QString::fromStdString(TestData(std::string("bmpsuite/") + folder)));
            for (const QString& name : suite.entryList({QStringLiteral("*.bmp")}, QDir::Files)) {
                const QString copy = program->Path(QStringLiteral("obj/") + name);
                QFile::remove(copy);
                QVERIFY(QFile::copy(suite.filePath(name), copy));
                for (bool doubleSided : {false, true}) {
                    Find<QCheckBox>(Form1(), "CheckBox3")->setChecked(doubleSided);
                    const StateImage before(Form1());
                    const qsizetype errors = program->errors.size();
                    const int beeps = program->beeps;
                    if (doubleSided) program->Answer(program->Path(QStringLiteral("obj/disc.bmp")));
                    program->Answer(copy);
                    Find<QPushButton>(Form1(), "Button1")->click();
                    const QString what = QString::fromLatin1(folder) + QLatin1Char('/') + name +
                                         (doubleSided ? QStringLiteral(" as the back") : QString());
                    if (program->errors.size() > errors) {
                        QVERIFY2(program->errors.size() == errors + 1, qPrintable(what));
                        QVERIFY2(program->errors.last().contains(name), qPrintable(what));
                        QVERIFY2(StateImage(Form1()) == before, qPrintable(what));
                        QVERIFY2(program->beeps == beeps, qPrintable(what));
                        ++refused;
                    } else {
                        QVERIFY2(program->beeps == beeps + 1, qPrintable(what));
                        const QString title = doubleSided ? QStringLiteral("disc.bmp") : name;
                        QVERIFY2(Form2().windowTitle() == title, qPrintable(what));
                        QVERIFY2(Form1().State.FrameBuffer.Width() == 50, qPrintable(what));
                        ++built;
                    }
                }
                // As the background: refused without a change, or set at its own size.
                const QString background = program->Path(QStringLiteral("haikei/") + name);
                QFile::remove(background);
                QVERIFY(QFile::copy(suite.filePath(name), background));
                const qsizetype errors = program->errors.size();
                program->Answer(background);
                Find<QPushButton>(Form1(), "Button2")->click();
                if (program->errors.size() == errors) {
                    QCOMPARE(Find<QLabel>(Form1(), "Label1")->text(),
                             QStringLiteral("背景：") + name);
                    QCOMPARE(Form2().FrameArea()->size(),
                             QSize(Form1().State.BackgroundPicture.Width(),
                                   Form1().State.BackgroundPicture.Height()));
                    program->Answer(program->Path(QStringLiteral("haikei/wall.bmp")));
                    Find<QPushButton>(Form1(), "Button2")->click();
                }
                QCOMPARE(Find<QLabel>(Form1(), "Label1")->text(), QStringLiteral("背景：wall.bmp"));
            }
        }
        qInfo("BMP suite through the build: %d refused, %d built", refused, built);
        QVERIFY(refused >= 20);  // at least the bad files, each on both sides
        QVERIFY(built > 0);
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::PictureFaultsTest)
#include "picture_faults_test.moc"

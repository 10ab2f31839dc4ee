// Sharing what the viewer shows: Ctrl+T saves a turntable behind a progress dialog that can
// cancel it, Ctrl+C copies the frame, Ctrl+S saves it as a PNG that is transparent where no
// triangle is drawn; none of them moves the model, and failures are reported by file name.
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "core/picture_io.h"
#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"

namespace vonnik::test {

class ShareTest : public ProgramTest {
    Q_OBJECT

    QStringList errors;

    // A built disc turned by a drag: the pose a turntable must keep.
    void BuildAndTurn() {
        program->Build(QStringLiteral("disc.bmp"));
        RightDrag(Form2().FrameArea(), {QPoint(20, 20), QPoint(31, 26)});
    }
    void Answer(QString path) {
        Form2().SaveTurntableDialog = [path] { return path; };
        Form2().SavePngDialog = [path] { return path; };
    }

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(60, 50, 30, 25, 18));
        program->WritePicture(QStringLiteral("haikei/sky.bmp"), MakeBlobs(64, 48, 7, 0x336699));
        errors.clear();
        Form2().ShowError = [this](const QString& message) { errors << message; };
    }
    void cleanup() { program.reset(); }

    void ctrlTSavesATurntableAndKeepsThePose() {
        BuildAndTurn();
        const StateImage before(Form1());
        const QString gif = program->Path(QStringLiteral("turn.gif"));
        Answer(gif);
        int steps = 0;
        Form2().TurntableStepped = [&](QProgressDialog& dialog) {
            ++steps;
            QCOMPARE(dialog.maximum(), 72);
        };
        QTest::keyClick(&Form2(), Qt::Key_T);  // without Ctrl: nothing
        QVERIFY(!QFileInfo::exists(gif));
        QTest::keyClick(&Form2(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QStringLiteral("; "))));
        QVERIFY(steps > 36);
        QImageReader reader(gif);
        QCOMPARE(reader.imageCount(), 36);
        QVERIFY(StateImage(Form1()) == before);
    }

    void cancellingTheProgressDialogLeavesNothing() {
        BuildAndTurn();
        const StateImage before(Form1());
        for (const char* name : {"turn.webp", "turn.mp4"}) {
            const QString path = program->Path(QString::fromLatin1(name));
            Answer(path);
            for (int cancelAt : {5, 50}) {  // while drawing, while encoding
                int steps = 0;
                Form2().TurntableStepped = [&](QProgressDialog& dialog) {
                    if (++steps == cancelAt) dialog.cancel();
                };
                QTest::keyClick(&Form2(), Qt::Key_T, Qt::ControlModifier);
                QVERIFY2(!QFileInfo::exists(path), name);
                QVERIFY(errors.isEmpty());
            }
        }
        QCOMPARE(QDir(program->Path(QString())).entryList(QDir::Files), QStringList());
        QVERIFY(StateImage(Form1()) == before);
        // A cancelled file dialog does nothing either.
        Answer(QString());
        QTest::keyClick(&Form2(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(QDir(program->Path(QString())).entryList(QDir::Files), QStringList());
    }

    void aTurntableThatCannotBeWrittenIsReported() {
        BuildAndTurn();
        const QString path = program->Path(QStringLiteral("missing/turn.gif"));
        Answer(path);
        QTest::keyClick(&Form2(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(path), qPrintable(errors.first()));
        QVERIFY(!QFileInfo::exists(program->Path(QStringLiteral("missing"))));
    }

    void ctrlCCopiesTheFrameOnScreen() {
        BuildAndTurn();
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&Form2(), Qt::Key_C, Qt::ControlModifier);
        const QImage copied = QGuiApplication::clipboard()->image();
        QVERIFY(!copied.isNull());
        QCOMPARE(RasterOf(copied.convertToFormat(QImage::Format_RGB32)), Form1().State.FrameBuffer);
    }

    void ctrlSSavesAPngTransparentAroundTheModel() {
        BuildAndTurn();
        const QString png = program->Path(QStringLiteral("frame.png"));
        Answer(png);
        QTest::keyClick(&Form2(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QStringLiteral("; "))));
        const QImage saved = QImage(png).convertToFormat(QImage::Format_ARGB32);
        const Raster& frame = Form1().State.FrameBuffer;
        QCOMPARE(saved.width(), frame.Width());
        QCOMPARE(saved.height(), frame.Height());
        int transparent = 0, opaque = 0;
        for (int y = 0; y < saved.height(); ++y)
            for (int x = 0; x < saved.width(); ++x) {
                const QRgb p = saved.pixel(x, y);
                if (qAlpha(p) == 0) {
                    ++transparent;
                    // Only the background shows there in the frame on screen.
                    QCOMPARE(ColourOf(frame.At(x, y)), Form1().State.Grid.BackgroundColour);
                } else {
                    ++opaque;
                    QCOMPARE(qAlpha(p), 255);
                    QCOMPARE(p & 0xFFFFFFu, ColourOf(frame.At(x, y)));
                }
            }
        QCOMPARE(qAlpha(saved.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(saved.pixel(30, 25)), 255);
        QVERIFY(transparent > 500);
        QVERIFY(opaque > 500);
    }

    void withABackgroundTheSavedPngIsTheOpaqueFrame() {
        program->Answer(program->Path(QStringLiteral("haikei/sky.bmp")));
        Find<QPushButton>(Form1(), "Button2")->click();
        BuildAndTurn();
        const QString png = program->Path(QStringLiteral("frame.png"));
        Answer(png);
        QTest::keyClick(&Form2(), Qt::Key_S, Qt::ControlModifier);
        const QImage saved(png);
        QVERIFY(!saved.hasAlphaChannel() ||
                saved.convertToFormat(QImage::Format_ARGB32).pixel(0, 0) >> 24 == 255);
        QCOMPARE(RasterOf(saved.convertToFormat(QImage::Format_RGB32)), Form1().State.FrameBuffer);
        // The floppy button still writes the numbered frame file.
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(program->Path(QStringLiteral("pic_hozon/0000.bmp"))),
                 FrameFile(Form1().State.FrameBuffer));
    }

    void nothingBeforeTheFirstBuild() {
        int asked = 0;
        Form2().SaveTurntableDialog = [&] { return ++asked, QString(); };
        Form2().SavePngDialog = [&] { return ++asked, QString(); };
        QTest::keyClick(&Form2(), Qt::Key_T, Qt::ControlModifier);
        QTest::keyClick(&Form2(), Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(&Form2(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(asked, 0);
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::ShareTest)
#include "share_test.moc"

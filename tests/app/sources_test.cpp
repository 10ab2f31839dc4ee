// Pictures from elsewhere than the build button's dialog: dropped on either window, pasted
// with Ctrl+V, named on the command line; the background tolerance in the panel's context
// menu, remembered between runs.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QUrl>

#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"

namespace vonnik::test {

namespace {

// A figure on transparency with black parts, saved as a PNG: it builds as its keyed BMP.
QImage TransparentFigure() {
    const Raster disc = MakeDisc(60, 48, 30, 24, 18);
    QImage image(disc.Width(), disc.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < disc.Height(); ++y)
        for (int x = 0; x < disc.Width(); ++x) {
            const Pixel p = disc.At(x, y);
            const bool eye = (x - 24) * (x - 24) + (y - 20) * (y - 20) <= 6;
            image.setPixel(x, y, eye ? 0xFF000000u : p == kWhite ? 0u : 0xFF000000u | p);
        }
    return image;
}

// Drops files on a window as the window system delivers a drop.
bool Drop(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

}  // namespace

class SourcesTest : public ProgramTest {
    Q_OBJECT

    QString png, bmp, jpg;

  private slots:
    void init() {
        program = std::make_unique<Program>();
        png = program->Path(QStringLiteral("figure.png"));
        QVERIFY(TransparentFigure().save(png));
        bmp = program->WritePicture(QStringLiteral("blobs.bmp"), MakeBlobs(50, 40, 5));
        jpg = program->Path(QStringLiteral("photo.jpg"));
        QVERIFY(ImageOf(MakeDisc(64, 48, 32, 24, 18)).save(jpg, "JPEG", 70));
        QApplication::clipboard()->clear();
    }
    void cleanup() { program.reset(); }

    void aDropOnThePanelBuildsWithThePanelsSettings() {
        Find<QLineEdit>(Form1(), "Edit1")->setText(QStringLiteral("6"));
        Find<QCheckBox>(Form1(), "CheckBox2")->setChecked(true);
        QVERIFY(Drop(&Form1(), {png}));
        QVERIFY(Form2().isVisible());
        QCOMPARE(Form2().windowTitle(), QStringLiteral("figure.png"));
        QCOMPARE(Shown(), CliFrame({png.toStdString(), "--polygon-size", "6", "--square-lattice"}));
        QCOMPARE(program->beeps, 1);
        QVERIFY(program->dialogFolders.isEmpty());
    }

    void twoFilesDroppedOnTheViewerAreFrontAndBack() {
        program->Build(QString());  // a cancelled dialog: nothing built
        Find<QLineEdit>(Form1(), "Edit1")->setText(QStringLiteral("4"));
        QVERIFY(Drop(&Form1(), {bmp}));
        QVERIFY(Drop(&Form2(), {png, bmp}));
        QCOMPARE(Form2().windowTitle(), QStringLiteral("figure.png"));
        // Turned until the back faces the viewer.
        RightDrag(Form2().FrameArea(), {{5, 24}, {25, 24}, {45, 24}, {55, 24}});
        const QByteArray backShown =
            CliFrame({png.toStdString(), "--polygon-size", "4", "--back", bmp.toStdString(),
                      "--drag", "5,24;25,24;45,24;55,24"});
        QCOMPARE(Shown(), backShown);
        QVERIFY(backShown != CliFrame({png.toStdString(), "--polygon-size", "4", "--drag",
                                       "5,24;25,24;45,24;55,24"}));
        // One file with double-sided loading on: the back is asked for, as with the button.
        Find<QCheckBox>(Form1(), "CheckBox3")->setChecked(true);
        program->Answer(bmp);
        QVERIFY(Drop(&Form1(), {jpg}));
        QCOMPARE(program->dialogFolders.last(), program->Path(QStringLiteral("obj/")));
        QCOMPARE(Shown(),
                 CliFrame({jpg.toStdString(), "--polygon-size", "4", "--back", bmp.toStdString()}));
    }

    void dropsThatCannotBuildChangeNothing() {
        QVERIFY(Drop(&Form1(), {bmp}));
        const StateImage before(Form1());
        // Not a picture: reported by name.
        const QString text = program->WriteBytes(QStringLiteral("notes.png"), "just words");
        QVERIFY(Drop(&Form1(), {text}));
        QCOMPARE(program->errors.size(), 1);
        QVERIFY2(program->errors[0].contains(text), qPrintable(program->errors[0]));
        // The back cannot be read: nothing changes either.
        QVERIFY(Drop(&Form2(), {png, text}));
        QCOMPARE(program->errors.size(), 2);
        QVERIFY(StateImage(Form1()) == before);
        // Invalid numbers: the red line, no picture read.
        Find<QLineEdit>(Form1(), "Edit1")->setText(QStringLiteral("0"));
        QVERIFY(Drop(&Form1(), {png}));
        QCOMPARE(program->errors.size(), 2);
        QVERIFY(Form1().StatusText().startsWith(QStringLiteral("入力値が不正です")));
        // Text without files is no drop at all.
        QMimeData words;
        words.setText(QStringLiteral("hello"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &words, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&Form1(), &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(Form1().State.PictureName, std::string("blobs.bmp"));
    }

    void ctrlVBuildsTheClipboardsPicture() {
        QApplication::clipboard()->setImage(TransparentFigure());
        // In an edit field Ctrl+V is the field's own paste.
        Find<QLineEdit>(Form1(), "Edit1")->setFocus();
        QTest::keyClick(Find<QLineEdit>(Form1(), "Edit1"), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(!Form2().isVisible());
        QTest::keyClick(Find<QPushButton>(Form1(), "Button1"), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(Form2().isVisible());
        QCOMPARE(Form2().windowTitle(), QStringLiteral("clipboard"));
        QCOMPARE(Form1().State.PictureName, std::string("clipboard"));
        QCOMPARE(Shown(), CliFrame({png.toStdString()}));
        // Files on the clipboard build as dropped files; Ctrl+V works in the viewer too.
        auto* files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(bmp)});
        QApplication::clipboard()->setMimeData(files);
        QTest::keyClick(&Form2(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Form2().windowTitle(), QStringLiteral("blobs.bmp"));
        QCOMPARE(Shown(), CliFrame({bmp.toStdString()}));
        QVERIFY(program->errors.isEmpty());
        // Nothing to paste: said so, nothing changed.
        const StateImage before(Form1());
        QApplication::clipboard()->setText(QStringLiteral("no picture"));
        QTest::keyClick(&Form2(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(program->errors.size(), 1);
        QVERIFY(program->errors[0].contains(QStringLiteral("clipboard")));
        QVERIFY(StateImage(Form1()) == before);
    }

    void theToleranceIsInTheContextMenuAndRemembered() {
        TForm1& f = Form1();
        auto* action = f.findChild<QAction*>(QStringLiteral("ToleranceAction"));
        QVERIFY(action != nullptr);
        QCOMPARE(f.contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(f.actions().contains(action));
        QCOMPARE(f.size(), QSize(200, 393));  // the layout is the panel's own
        QCOMPARE(f.BackgroundTolerance(), 0);
        int asked = -1;
        std::optional<int> answer = 40;
        f.AskBackgroundTolerance = [&](int current) {
            asked = current;
            return answer;
        };
        action->trigger();
        QCOMPARE(asked, 0);
        QCOMPARE(f.BackgroundTolerance(), 40);
        answer.reset();  // cancelled
        action->trigger();
        QCOMPARE(asked, 40);
        QCOMPARE(f.BackgroundTolerance(), 40);
        // Builds take it; the command-line tool given the same value draws the same frame.
        QVERIFY(Drop(&f, {jpg}));
        QCOMPARE(Shown(), CliFrame({jpg.toStdString(), "--background-tolerance", "40"}));
        QVERIFY(Shown() != CliFrame({jpg.toStdString()}));
        // The next run of the program finds it.
        const QString settings = program->Path(QStringLiteral("settings.ini"));
        QCOMPARE(QSettings(settings, QSettings::IniFormat).value("backgroundTolerance").toInt(),
                 40);
        TForm1 next;
        next.OpenSettings = [settings] {
            return std::make_unique<QSettings>(settings, QSettings::IniFormat);
        };
        QCOMPARE(next.BackgroundTolerance(), 40);
        // A stored value out of range is held to 0..255.
        QSettings(settings, QSettings::IniFormat).setValue("backgroundTolerance", 999);
        QCOMPARE(next.BackgroundTolerance(), 255);
    }

    void picturesNamedOnTheCommandLineBuildAtStartUp() {
        OpenFromCommandLine(Form1(), {png, bmp});
        QVERIFY(!Form2().isVisible());  // once the event loop runs
        QTRY_VERIFY(Form2().isVisible());
        QCOMPARE(Form2().windowTitle(), QStringLiteral("figure.png"));
        QCOMPARE(Shown(), CliFrame({png.toStdString(), "--back", bmp.toStdString()}));

        OpenFromCommandLine(Form1(), {jpg});
        QTRY_COMPARE(Form2().windowTitle(), QStringLiteral("photo.jpg"));
        QCOMPARE(Shown(), CliFrame({jpg.toStdString()}));

        const StateImage before(Form1());
        const QString missing = program->Path(QStringLiteral("missing.png"));
        OpenFromCommandLine(Form1(), {missing});
        QTRY_COMPARE(program->errors.size(), 1);
        QVERIFY(program->errors[0].contains(missing));
        OpenFromCommandLine(Form1(), {png, bmp, jpg});
        QCOMPARE(program->errors.size(), 2);
        QVERIFY(program->errors[1].contains(jpg));
        QTest::qWait(20);
        QVERIFY(StateImage(Form1()) == before);
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::SourcesTest)
#include "sources_test.moc"

// The build driver end to end, and the viewer it shows: the frame is the command-line
// tool's for the same settings, drags and double clicks turn and outline it, and every
// build that stops early changes nothing.
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "builder/build_phases.h"
#include "session/panel_inputs.h"
#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"

namespace vonnik::test {
namespace {

const QString kBlankLine(12, QChar(0x3000));

// Runs act once the next modal window is up (the real file dialog or message box).
template <typename Window, typename Act>
void WhenModal(Act act) {
    QTimer::singleShot(0, [act] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        QVERIFY(window != nullptr);
        act(window);
    });
}

}  // namespace

class BuildTest : public ProgramTest {
    Q_OBJECT

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(60, 46, 28, 22, 19));
        program->WritePicture(QStringLiteral("obj/ring.bmp"), MakeRing(50, 50, 25, 25, 22, 9));
        program->WriteBytes(QStringLiteral("obj/broken.bmp"), QByteArray("BM not a picture"));
    }
    void cleanup() { program.reset(); }

    void fullBuild() {
        TForm1& f = Form1();
        Find<QLineEdit>(f, "Edit1")->setText(QStringLiteral("6"));
        Find<QSlider>(f, "TrackBar1")->setValue(250);
        SendMouse(&f, QEvent::MouseButtonPress, {70, 40}, Qt::LeftButton, Qt::LeftButton);
        QSignalSpy progress(Find<QProgressBar>(f, "ProgressBar1"), &QProgressBar::valueChanged);
        program->Build(QStringLiteral("disc.bmp"));

        QVERIFY(Form2().isVisible());
        QCOMPARE(Form2().windowTitle(), QStringLiteral("disc.bmp"));
        QCOMPARE(Form2().FrameArea()->size(), QSize(60, 46));
        QCOMPARE(Form2().minimumSize(), Form2().maximumSize());
        QCOMPARE(f.State.PictureName, std::string("disc.bmp"));
        QCOMPARE(f.State.LightAmount, 2.5);
        QCOMPARE(f.StatusText(), kBlankLine);
        QCOMPARE(Find<QProgressBar>(f, "ProgressBar1")->value(), 0);
        QCOMPARE(program->beeps, 1);
        QVERIFY(program->errors.isEmpty());
        QVERIFY(f.State.BackPicture == f.State.FrontPicture);

        // 5, rising to at most 90, then 100 and back to 0.
        QVERIFY(progress.size() >= 3);
        QCOMPARE(progress.first().value(0).toInt(), 5);
        QCOMPARE(progress.at(progress.size() - 2).value(0).toInt(), 100);
        QCOMPARE(progress.last().value(0).toInt(), 0);
        for (qsizetype n = 1; n + 2 < progress.size(); ++n) {
            const int position = progress.at(n).value(0).toInt();
            QVERIFY(position > progress.at(n - 1).value(0).toInt() && position <= 90);
        }

        const QByteArray cli = CliFrame({Obj("disc.bmp"), "--polygon-size", "6", "--light-amount",
                                         "250", "--light-point", "70,40"});
        QVERIFY(!cli.isEmpty());
        QCOMPARE(Shown(), cli);
    }

    // The bar shows 5, then every position the builder reports for the picture, then 100
    // and back to 0. The figure lies in the right part of the picture, so the builder's first
    // report skips several steps of the schedule.
    void theBarShowsTheBuildersProgress() {
        const Raster picture = MakeDisc(160, 60, 112, 30, 27);
        program->WritePicture(QStringLiteral("obj/right.bmp"), picture);
        auto* polygonSize = Form1().findChild<QLineEdit*>(QStringLiteral("Edit1"));
        auto* bar = Form1().findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QVERIFY(polygonSize != nullptr && bar != nullptr);
        polygonSize->setText(QStringLiteral("3"));

        const std::optional<BuildSettings> settings =
            CaptureSettings(PanelInputs{.PolygonText = "3"});
        QVERIFY(settings.has_value());
        ModelGrid grid;
        LayLattice(grid, picture, *settings);
        QList<int> expected{5};
        ClassifyVertices(grid, picture, [&](int position) { expected.push_back(position); });
        QVERIFY2(expected.size() >= 6, "the builder reports a handful of positions");
        QVERIFY(expected.at(1) > 10);
        expected << 100 << 0;

        QSignalSpy spy(bar, &QProgressBar::valueChanged);
        program->Build(QStringLiteral("right.bmp"));
        QVERIFY(program->errors.isEmpty());
        QList<int> shown;
        for (const QList<QVariant>& signal : spy) shown.push_back(signal.value(0).toInt());
        QCOMPARE(shown, expected);
    }

    void settingsOfTheBuild() {
        TForm1& f = Form1();
        Find<QLineEdit>(f, "Edit2")->setText(QStringLiteral("150"));
        Find<QLineEdit>(f, "Edit3")->setText(QStringLiteral("$64"));
        Find<QCheckBox>(f, "CheckBox1")->setChecked(true);
        Find<QCheckBox>(f, "CheckBox2")->setChecked(true);
        Find<QCheckBox>(f, "CheckBox4")->setChecked(true);
        QTest::keyClick(Find<QLineEdit>(f, "Edit3"), Qt::Key_Return);
        QVERIFY(program->dialogFolders.size() == 1);  // cancelled: no build yet
        program->Build(QStringLiteral("ring.bmp"));
        QCOMPARE(f.State.Grid.TriangleLattice, LatticeKind::kSquare);
        QCOMPARE(f.State.Grid.ColourProjection, ColourProjectionMode::kVertical);
        QCOMPARE(f.State.Grid.CircleTolerance, 1.0);
        QCOMPARE(f.State.LightZ, 1.0);
        QCOMPARE(Shown(),
                 CliFrame({Obj("ring.bmp"), "--curvature", "150", "--circle-tolerance", "$64",
                           "--colour-projection", "--square-lattice", "--back-light"}));
    }

    void doubleSided() {
        Find<QCheckBox>(Form1(), "CheckBox3")->setChecked(true);
        program->Answer(program->Path(QStringLiteral("obj/disc.bmp")));
        program->Build(QStringLiteral("ring.bmp"));
        QCOMPARE(program->dialogFolders.size(), 2);
        QCOMPARE(program->dialogFolders.value(1), program->Path(QStringLiteral("obj/")));
        QCOMPARE(Form2().windowTitle(), QStringLiteral("disc.bmp"));
        // The back shows from the start once the model is turned half round.
        RightDrag(Form2().FrameArea(), {{30, 23}, {130, 23}, {230, 23}, {344, 23}});
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--back", Obj("ring.bmp"), "--drag",
                                    "30,23;130,23;230,23;344,23"}));
    }

    void rightDragsTurnTheModel() {
        program->Build(QStringLiteral("disc.bmp"));
        const QByteArray still = Shown();
        RightDrag(Form2().FrameArea(), {{20, 30}, {26, 31}, {35, 28}});
        QCOMPARE(Form2().Mouse.LastMouseX, 35);
        QCOMPARE(Form2().Mouse.LastMouseY, 28);
        QVERIFY(Shown() != still);
        RightDrag(Form2().FrameArea(), {{50, 10}, {40, 12}});
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--drag", "20,30;26,31;35,28", "--drag",
                                    "50,10;40,12"}));
    }

    // The window shows the frame's own words, opaque, whether the target keeps an alpha
    // channel (a translucent backing store, an ARGB image) or not.
    void viewerShowsTheFrameOpaque() {
        program->Build(QStringLiteral("disc.bmp"));
        RightDrag(Form2().FrameArea(), {{20, 30}, {26, 31}, {35, 28}});
        const Raster& frame = Form1().State.FrameBuffer;
        const auto shows = [&](const QImage& image) {
            QCOMPARE(image.size(), QSize(frame.Width(), frame.Height()));
            const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < frame.Height(); ++y)
                for (int x = 0; x < frame.Width(); ++x)
                    QCOMPARE(argb.pixel(x, y), 0xFF000000u | frame.At(x, y));
        };
        shows(Form2().FrameArea()->grab().toImage());
        for (const QImage::Format format :
             {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32}) {
            QImage target(Form2().FrameArea()->size(), format);
            target.fill(Qt::transparent);
            Form2().FrameArea()->render(&target);
            shows(target);
        }
    }

    void movesWithoutTheRightButtonChangeNothing() {
        program->Build(QStringLiteral("disc.bmp"));
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonPress, {10, 12}, Qt::LeftButton,
                  Qt::LeftButton);
        QCOMPARE(Form2().Mouse.LastMouseX, 10);
        const StateImage before(Form1());
        SendMouse(Form2().FrameArea(), QEvent::MouseMove, {30, 20}, Qt::NoButton, Qt::LeftButton);
        SendMouse(Form2().FrameArea(), QEvent::MouseMove, {40, 20}, Qt::NoButton, Qt::NoButton);
        QVERIFY(StateImage(Form1()) == before);
        QCOMPARE(Form2().Mouse.LastMouseX, 10);
        QCOMPARE(Form2().Mouse.LastMouseY, 12);
        // Modifier keys and other buttons held beside the right one do not matter.
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), Qt::NoButton,
                         Qt::RightButton | Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(Form2().FrameArea(), &move);
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--drag", "10,12;20,20"}));
    }

    void doubleClicksToggleTheOutline() {
        program->Build(QStringLiteral("disc.bmp"));
        const QByteArray textured = Shown();
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton,
                  Qt::LeftButton);
        QVERIFY(Form1().State.View.Wireframe);
        QCOMPARE(Form2().Mouse.LastMouseX, 5);
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--wireframe"}));
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::RightButton,
                  Qt::RightButton);
        QVERIFY(Form1().State.View.Wireframe);
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton,
                  Qt::LeftButton);
        QVERIFY(!Form1().State.View.Wireframe);
        QCOMPARE(Shown(), textured);
        // A new build resets the view and the outline.
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton,
                  Qt::LeftButton);
        RightDrag(Form2().FrameArea(), {{5, 5}, {25, 10}});
        program->Build(QStringLiteral("disc.bmp"));
        QVERIFY(!Form1().State.View.Wireframe);
        QCOMPARE(Shown(), textured);
    }

    void panelChangesRedrawTheVisibleViewer() {
        TForm1& f = Form1();
        program->Build(QStringLiteral("disc.bmp"));
        Find<QSlider>(f, "TrackBar1")->setValue(400);
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--light-amount", "400"}));
        SendMouse(&f, QEvent::MouseButtonPress, {45, 62}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(Shown(),
                 CliFrame({Obj("disc.bmp"), "--light-amount", "400", "--light-point", "45,62"}));
        Find<QCheckBox>(f, "CheckBox4")->setChecked(true);
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--light-amount", "400", "--light-point",
                                    "45,62", "--back-light"}));
    }

    void closedViewerIsHiddenAndNotDrawn() {
        TForm1& f = Form1();
        program->Build(QStringLiteral("disc.bmp"));
        QVERIFY(Form2().close());
        QVERIFY(!Form2().isVisible());
        const QByteArray last = Shown();
        Find<QSlider>(f, "TrackBar1")->setValue(300);
        SendMouse(&f, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
        Find<QCheckBox>(f, "CheckBox4")->click();
        QCOMPARE(Shown(), last);
        QCOMPARE(f.State.LightAmount, 3.0);
        // The next build shows it again, with the light set meanwhile.
        program->Build(QStringLiteral("disc.bmp"));
        QVERIFY(Form2().isVisible());
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--light-amount", "300", "--light-point",
                                    "50,50", "--back-light"}));
    }

    // The program's own dialog and error report, as the user meets them.
    void realDialogAndErrorReport() {
        TForm1 f;
        TForm2 viewer(f.State);
        f.Form2 = &viewer;
        f.BaseFolder = program->Path(QString());
        QString filter, folder;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            filter = dialog->nameFilters().join('|');
            folder = dialog->directory().absolutePath();
            dialog->reject();
        });
        Find<QPushButton>(f, "Button1")->click();
        // Every readable picture first, the bitmap entry kept.
        const QStringList filters = filter.split(QLatin1Char('|'));
        QCOMPARE(filters.size(), 2);
        QVERIFY(filters[0].startsWith(QStringLiteral("すべての画像 (")));
        for (const char* pattern : {"*.bmp", "*.png", "*.jpg", "*.jpeg", "*.gif", "*.webp", "*.tif",
                                    "*.tiff", "*.tga", "*.ico", "*.svg"})
            QVERIFY2(filters[0]
                         .split(QRegularExpression(QStringLiteral("[ ()]")))
                         .contains(QString::fromLatin1(pattern)),
                     pattern);
        QVERIFY(!filters[0].contains(QStringLiteral("svgz")));
        QCOMPARE(filters[1], QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ (*.bmp)"));
        QCOMPARE(folder, program->Path(QStringLiteral("obj")));
        QVERIFY(!viewer.isVisible());

        QString report;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(program->Path(QStringLiteral("obj/broken.bmp")));
            WhenModal<QMessageBox>([&](QMessageBox* box) {
                report = box->text();
                box->accept();
            });
            static_cast<QDialog*>(dialog)->accept();  // as the Open button does
        });
        Find<QPushButton>(f, "Button1")->click();
        QVERIFY2(report.contains(QStringLiteral("broken.bmp")), qPrintable(report));

        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(program->Path(QStringLiteral("obj/ring.bmp")));
            static_cast<QDialog*>(dialog)->accept();  // as the Open button does
        });
        Find<QPushButton>(f, "Button1")->click();
        QVERIFY(viewer.isVisible());
        QCOMPARE(viewer.windowTitle(), QStringLiteral("ring.bmp"));
    }

    void stoppedBuildsChangeNothing_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("doubleSided");
        QTest::addColumn<bool>("reported");
        const QString ring = QStringLiteral("obj/ring.bmp");
        QTest::newRow("first dialog cancelled") << QStringList{QString()} << false << false;
        QTest::newRow("first file missing") << QStringList{"obj/none.bmp"} << false << false;
        QTest::newRow("first file a folder") << QStringList{"obj"} << false << false;
        QTest::newRow("first file broken") << QStringList{"obj/broken.bmp"} << false << true;
        QTest::newRow("second dialog cancelled") << QStringList{ring, QString()} << true << false;
        QTest::newRow("second file missing") << QStringList{ring, "obj/none.bmp"} << true << false;
        QTest::newRow("second file broken") << QStringList{ring, "obj/broken.bmp"} << true << true;
        QTest::newRow("first broken, double-sided")
            << QStringList{"obj/broken.bmp", ring} << true << true;
    }

    void stoppedBuildsChangeNothing() {
        QFETCH(QStringList, answers);
        QFETCH(bool, doubleSided);
        QFETCH(bool, reported);
        TForm1& f = Form1();
        program->Build(QStringLiteral("disc.bmp"));
        RightDrag(Form2().FrameArea(), {{10, 10}, {20, 14}});
        Find<QCheckBox>(f, "CheckBox3")->setChecked(doubleSided);
        Find<QLineEdit>(f, "Edit1")->setText(QStringLiteral("5"));
        Find<QSlider>(f, "TrackBar1")->setValue(200);
        const StateImage before(f);
        for (const QString& a : answers) program->Answer(a.isEmpty() ? a : program->Path(a));
        Find<QPushButton>(f, "Button1")->click();

        QVERIFY(StateImage(f) == before);
        QCOMPARE(Form2().windowTitle(), QStringLiteral("disc.bmp"));
        QCOMPARE(program->beeps, 1);
        QCOMPARE(program->errors.size(), reported ? 1 : 0);
        if (reported) {
            // The report names the file and the reason.
            QVERIFY2(program->errors.first().contains(QStringLiteral("broken.bmp")),
                     qPrintable(program->errors.first()));
            QVERIFY(program->errors.first().size() > program->Path("obj/broken.bmp").size() + 8);
        }
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::BuildTest)
#include "build_test.moc"

// Building again without the dialogs: Ctrl+R and F5, live shaping and its switch, and the
// builds that keep both windows painting and can be cancelled.
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <set>

#include "app/command_line.h"
#include "cli/model_dump.h"
#include "core/holes.h"
#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"
#include "viewer/picture_pick.h"

namespace vonnik::test {

class LiveTest : public ProgramTest {
    Q_OBJECT

    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(Form1(), name); }
    // Waits until the builds that changes of the panel started have been shown.
    bool Settled() {
        return QTest::qWaitFor([this] { return Form1().LiveIdle(); }, 30000);
    }

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(60, 46, 28, 22, 19));
        program->WritePicture(QStringLiteral("obj/ring.bmp"), MakeRing(50, 50, 25, 25, 22, 9));
        program->WritePicture(QStringLiteral("obj/large.bmp"), MakeBlobs(900, 700, 5));
    }
    void cleanup() { program.reset(); }

    // Ctrl+R in the panel and F5 in the viewer build the same pictures again, with the
    // panel's numbers now, the status line and the progress of a build, and no dialog.
    void rebuildKeysAskForNoFile() {
        Find<QCheckBox>(Form1(), "CheckBox3")->setChecked(true);
        program->Answer(program->Path(QStringLiteral("obj/disc.bmp")));
        program->Build(QStringLiteral("ring.bmp"));
        QCOMPARE(program->dialogFolders.size(), 2);
        Edit("Edit1")->setText(QStringLiteral("5"));
        QSignalSpy progress(Find<QProgressBar>(Form1(), "ProgressBar1"),
                            &QProgressBar::valueChanged);
        Form1().show();
        Form1().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form1()));
        QTest::keyClick(Edit("Edit3"), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(program->dialogFolders.size(), 2);
        QCOMPARE(program->beeps, 2);
        QCOMPARE(progress.first().value(0).toInt(), 5);
        QCOMPARE(progress.last().value(0).toInt(), 0);
        const QByteArray five =
            CliFrame({Obj("disc.bmp"), "--back", Obj("ring.bmp"), "--polygon-size", "5"});
        QCOMPARE(Shown(), five);

        Edit("Edit2")->setText(QStringLiteral("160"));
        QTest::keyClick(&Form2(), Qt::Key_F5);
        QCOMPARE(program->beeps, 3);
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--back", Obj("ring.bmp"), "--polygon-size",
                                    "5", "--curvature", "160"}));
        // Invalid numbers: the red line, and the model stays.
        const std::string dump = ModelDumpJson(Form1().State);
        Edit("Edit1")->setText(QStringLiteral("0"));
        QTest::keyClick(&Form1(), Qt::Key_F5);
        QCOMPARE(Form1().StatusColour(), QColor(0xFF, 0, 0));
        QCOMPARE(ModelDumpJson(Form1().State), dump);
        QCOMPARE(program->beeps, 3);
    }

    // Switched off (as it starts), the fields act at the next build, and Enter asks for
    // the picture.
    void withoutLiveShapingTheFieldsWaitForTheBuild() {
        QVERIFY(!Form1().LiveShaping());
        program->Build(QStringLiteral("disc.bmp"));
        const std::string dump = ModelDumpJson(Form1().State);
        Edit("Edit1")->setText(QStringLiteral("4"));
        Find<QCheckBox>(Form1(), "CheckBox2")->setChecked(true);
        QVERIFY(Settled());
        QTest::qWait(50);
        QCOMPARE(ModelDumpJson(Form1().State), dump);
        QTest::keyClick(Edit("Edit1"), Qt::Key_Return);
        QCOMPARE(program->dialogFolders.size(), 2);
    }

    // Each change of the numbers and switches reshapes the model on screen: the frame of
    // the command-line tool with the same numbers.
    void liveShapingFollowsEveryChange() {
        Form1().SetLiveShaping(true);
        program->Build(QStringLiteral("disc.bmp"));
        const int builds = program->dialogFolders.size();
        struct Change {
            const char* control;
            const char* text;  // nullptr: the check box is ticked
            std::vector<std::string> cli;
        };
        const Change changes[] = {
            {"Edit1", "5", {"--polygon-size", "5"}},
            {"Edit2", "170", {"--polygon-size", "5", "--curvature", "170"}},
            {"Edit3",
             "140",
             {"--polygon-size", "5", "--curvature", "170", "--circle-tolerance", "140"}},
            {"CheckBox1",
             nullptr,
             {"--polygon-size", "5", "--curvature", "170", "--circle-tolerance", "140",
              "--colour-projection"}},
            {"CheckBox2",
             nullptr,
             {"--polygon-size", "5", "--curvature", "170", "--circle-tolerance", "140",
              "--colour-projection", "--square-lattice"}},
        };
        for (const Change& c : changes) {
            if (c.text)
                Edit(c.control)->setText(QString::fromLatin1(c.text));
            else
                Find<QCheckBox>(Form1(), c.control)->setChecked(true);
            QVERIFY(Settled());
            std::vector<std::string> args{Obj("disc.bmp")};
            args.insert(args.end(), c.cli.begin(), c.cli.end());
            QVERIFY2(Shown() == CliFrame(args), c.control);
        }
        QCOMPARE(program->dialogFolders.size(), builds);
        QCOMPARE(program->beeps, 1);
    }

    // A turned, outlined model keeps its pose and outline through a live rebuild; an
    // invalid text shows the red line and keeps the model; a valid one clears the line.
    void liveShapingKeepsThePoseAndRefusesInvalidTexts() {
        Form1().SetLiveShaping(true);
        program->Build(QStringLiteral("disc.bmp"));
        RightDrag(Form2().FrameArea(), {{10, 10}, {30, 25}, {50, 40}});
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton,
                  Qt::LeftButton);
        const ViewPose pose = Form1().State.View;
        const std::string turnedModel = ModelDumpJson(Form1().State);
        Edit("Edit2")->setText(QStringLiteral("150"));
        QVERIFY(Settled());
        QVERIFY(Form1().State.View.ViewAxisA == pose.ViewAxisA);
        QVERIFY(Form1().State.View.ViewAxisB == pose.ViewAxisB);
        QCOMPARE(Form1().State.View.DrawOrder, pose.DrawOrder);
        QVERIFY(Form1().State.View.Wireframe);
        QCOMPARE(Form1().State.Grid.Curvature, 1.5);
        QVERIFY(ModelDumpJson(Form1().State) != turnedModel);
        QVERIFY(Shown() != CliFrame({Obj("disc.bmp"), "--curvature", "150", "--wireframe"}));

        const std::string dump = ModelDumpJson(Form1().State);
        for (const char* invalid : {"", "x", "0", "8a"}) {
            Edit("Edit1")->setText(QString::fromLatin1(invalid));
            QVERIFY(Settled());
            QCOMPARE(Form1().StatusColour(), QColor(0xFF, 0, 0));
            QVERIFY2(ModelDumpJson(Form1().State) == dump, invalid);
        }
        Edit("Edit1")->setText(QStringLiteral("8"));
        QVERIFY(Settled());
        QCOMPARE(Form1().StatusText(), QString(12, QChar(0x3000)));
        QCOMPARE(ModelDumpJson(Form1().State), dump);
    }

    // The viewer's hole mode: a left click on the solid makes a hole about the picture point
    // under it, as --hole makes it; the hole stays through a rebuild and live shaping, and
    // goes when cleared or when another picture is built. A click beside the solid, or a
    // double click, makes none.
    void aClickInHoleModeMakesAHole() {
        Form1().SetLiveShaping(true);
        program->Build(QStringLiteral("disc.bmp"));
        const QByteArray plain = Shown();
        QVERIFY(!Form2().Action("HoleModeAction")->isChecked());
        Form2().AskHoleDiameter = [](int current) -> std::optional<int> {
            return current == 5 ? std::optional<int>(9) : std::nullopt;  // a tenth of 46
        };
        Form2().Action("HoleDiameterAction")->trigger();
        Form2().Action("HoleModeAction")->trigger();
        QVERIFY(Form2().HoleMode());
        QVERIFY(Form2().Action("HoleModeAction")->isChecked());
        QVERIFY(!Form2().Action("ClearHolesAction")->isEnabled());
        const auto click = [this](QPoint at) {
            SendMouse(Form2().FrameArea(), QEvent::MouseButtonPress, at, Qt::LeftButton,
                      Qt::LeftButton);
            SendMouse(Form2().FrameArea(), QEvent::MouseButtonRelease, at, Qt::LeftButton,
                      Qt::NoButton);
        };
        click({1, 1});
        QVERIFY(Form1().Holes().empty());
        // The middle of the frame pixel clicked.
        const std::optional<PicturePoint> under = PicturePointAt(
            Form1().State.Grid, Form1().State.ViewWidth, Form1().State.ViewHeight, 36.5, 20.5);
        QVERIFY(under.has_value());
        click({36, 20});
        QCOMPARE(Form1().Holes().size(), std::size_t{1});
        const Hole hole = Form1().Holes()[0];
        QVERIFY(hole == (Hole{under->x, under->y, 9.0}));
        const QByteArray holed = CliFrame({Obj("disc.bmp"), "--hole", HoleText(hole)});
        QVERIFY(Shown() == holed);
        QVERIFY(holed != plain);
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton,
                  Qt::LeftButton);
        QVERIFY(!Form1().State.View.Wireframe);
        QCOMPARE(Form1().Holes().size(), std::size_t{1});

        Form1().RebuildModel(&Form1());
        QVERIFY(Shown() == holed);
        Edit("Edit2")->setText(QStringLiteral("150"));
        QVERIFY(Settled());
        QVERIFY(Shown() ==
                CliFrame({Obj("disc.bmp"), "--hole", HoleText(hole), "--curvature", "150"}));
        Edit("Edit2")->setText(QStringLiteral("100"));
        QVERIFY(Settled());
        Form2().Action("HoleDiameterAction")->trigger();  // asked with 9, cancelled
        QVERIFY(Form2().Action("ClearHolesAction")->isEnabled());
        Form2().Action("ClearHolesAction")->trigger();
        QVERIFY(Form1().Holes().empty());
        QVERIFY(Shown() == plain);

        click({36, 20});
        QCOMPARE(Form1().Holes().size(), std::size_t{1});
        program->Build(QStringLiteral("ring.bmp"));
        QVERIFY(Form1().Holes().empty());
        QVERIFY(Shown() == CliFrame({Obj("ring.bmp")}));
    }

    // Typing quickly: each change cancels the build of the one before, and only the last
    // model is ever shown.
    void aNewerChangeCancelsTheBuildOfAnOlderOne() {
        Form1().SetLiveShaping(true);
        program->Build(QStringLiteral("large.bmp"));
        std::set<double> shown{Form1().State.Grid.CircleTolerance};
        QTimer watch;
        connect(&watch, &QTimer::timeout, this,
                [&] { shown.insert(Form1().State.Grid.CircleTolerance); });
        watch.start(1);
        for (const char* text : {"200", "300", "250", "120"})
            Edit("Edit3")->setText(QString::fromLatin1(text));
        QVERIFY(Settled());
        watch.stop();
        shown.insert(Form1().State.Grid.CircleTolerance);
        QString seen;
        for (const double t : shown) seen += QString::number(t, 'g', 17) + QLatin1Char(' ');
        QVERIFY2((shown == std::set<double>{1.1, 1.2}), qPrintable(seen));
        QCOMPARE(Shown(), CliFrame({Obj("large.bmp"), "--circle-tolerance", "120"}));
    }

    // A build that runs longer than the delay offers a dialog that cancels it; cancelled,
    // it leaves everything as it was. The windows paint meanwhile.
    void aLongBuildCanBeCancelled() {
        program->Build(QStringLiteral("disc.bmp"));
        const StateImage before(Form1());
        const int beeps = program->beeps;
        Form1().BuildCancelDelay = 0;
        int offered = 0;
        Form1().BuildCancelOffered = [&](QProgressDialog& dialog) {
            ++offered;
            QVERIFY(dialog.isVisible());
            auto* cancel = dialog.findChild<QPushButton*>();
            QVERIFY(cancel != nullptr);
            cancel->click();
        };
        Edit("Edit1")->setText(QStringLiteral("1"));
        program->Build(QStringLiteral("large.bmp"));
        QCOMPARE(offered, 1);
        QVERIFY(StateImage(Form1()) == before);
        QCOMPARE(program->beeps, beeps);
        QVERIFY(program->errors.isEmpty());

        // Not cancelled, the dialog goes and the build ends as any other.
        Form1().BuildCancelOffered = [&](QProgressDialog&) { ++offered; };
        Edit("Edit1")->setText(QStringLiteral("6"));
        program->Build(QStringLiteral("large.bmp"));
        QCOMPARE(offered, 2);
        QCOMPARE(program->beeps, beeps + 1);
        QCOMPARE(Shown(), CliFrame({Obj("large.bmp"), "--polygon-size", "6"}));
    }

    // Home puts the model back in the pose of its build, exactly, without building again;
    // after a live rebuild that kept a turned pose too.
    void resetPoseReturnsToTheBuiltPose() {
        Form1().SetLiveShaping(true);
        program->Build(QStringLiteral("disc.bmp"));
        const QByteArray built = Shown();
        RightDrag(Form2().FrameArea(), {{10, 10}, {30, 25}, {50, 40}});
        QVERIFY(Shown() != built);
        QTest::keyClick(&Form2(), Qt::Key_Home);
        QCOMPARE(Shown(), built);
        QCOMPARE(program->beeps, 1);

        RightDrag(Form2().FrameArea(), {{10, 10}, {40, 20}});
        Edit("Edit1")->setText(QStringLiteral("5"));
        QVERIFY(Settled());
        QTest::keyClick(&Form2(), Qt::Key_Home);
        QCOMPARE(Shown(), CliFrame({Obj("disc.bmp"), "--polygon-size", "5"}));
    }

    void theSwitchIsRememberedAndTheCommandLineTurnsItOn() {
        QVERIFY(ParseCommandLine({QStringLiteral("--live")}).live);
        QVERIFY(!ParseCommandLine({QStringLiteral("a.bmp")}).live);
        Form1().SetLiveShaping(true);
        QVERIFY(Form1().OpenSettings()->value(QStringLiteral("liveShaping")).toBool());
        auto* action = Form1().findChild<QAction*>(QStringLiteral("LiveAction"));
        QVERIFY(action != nullptr && action->isChecked());
        action->trigger();
        QVERIFY(!Form1().LiveShaping());
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::LiveTest)
#include "live_test.moc"

// The piece of work in the program: project files saved and opened (by the menu, a drop and
// the command line), the caption that names them, closing with unsaved changes, and undo
// and redo of every kind of step.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "app/command_line.h"
#include "cli/model_dump.h"
#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"

namespace vonnik::test {

class ProjectTest : public ProgramTest {
    Q_OBJECT

    QString Project(const char* name) { return program->Path(QLatin1String(name)); }
    void Trigger(const char* action) { Find<QAction>(Form1(), action)->trigger(); }
    void PickLight(QPoint at) {
        SendMouse(&Form1(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        SendMouse(&Form1(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    void SetBackground(const char* name) {
        program->Answer(program->Path(QStringLiteral("haikei/") + QLatin1String(name)));
        Find<QPushButton>(Form1(), "Button2")->click();
    }

    // What one state of the work shows: the frame, the model and the light controls.
    struct Shown {
        bool built = false;
        QByteArray frame;
        std::string model;
        int lightAmount = 0;
        bool backLight = false;
        QString background;
        bool operator==(const Shown&) const = default;
    };
    Shown Now() {
        Shown s;
        s.built = !Form1().State.Grid.Empty();
        if (s.built) {
            s.frame = ProgramTest::Shown();
            s.model = ModelDumpJson(Form1().State);
        }
        s.lightAmount = Find<QSlider>(Form1(), "TrackBar1")->value();
        s.backLight = Find<QCheckBox>(Form1(), "CheckBox4")->isChecked();
        s.background = Find<QLabel>(Form1(), "Label1")->text();
        return s;
    }

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(60, 46, 28, 22, 19));
        program->WritePicture(QStringLiteral("obj/ring.bmp"), MakeRing(50, 50, 25, 25, 22, 9));
        program->WritePicture(QStringLiteral("haikei/sky.bmp"), MakeBlobs(80, 64, 5, 0x336699));
    }
    void cleanup() { program.reset(); }

    // A project saved with Ctrl+Shift+S opens in a fresh program, by Ctrl+O, a drop or the
    // command line, showing the same frame and model; the command-line tool draws that
    // frame too. The caption names the project and marks unsaved changes.
    void savedAndReopenedExactly() {
        Find<QCheckBox>(Form1(), "CheckBox3")->setChecked(true);
        program->Answer(program->Path(QStringLiteral("obj/ring.bmp")));
        program->Build(QStringLiteral("disc.bmp"));
        SetBackground("sky.bmp");
        PickLight({70, 40});
        RightDrag(Form2().FrameArea(), {{10, 10}, {30, 25}, {50, 40}});
        SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton,
                  Qt::LeftButton);
        QCOMPARE(Form1().windowTitle(), QStringLiteral("Vonnik!"));
        const Shown saved = Now();

        program->Answer(Project("work"));  // the extension is added
        Trigger("SaveProjectAction");
        QCOMPARE(Form1().ProjectPath(), Project("work.vonnik"));
        QVERIFY(Form1().windowTitle().startsWith(QStringLiteral("work.vonnik")));
        QVERIFY(!Form1().isWindowModified());
        // Kept where the programs below, each with a folder of its own, can read it.
        const QTemporaryDir keep;
        const QString path = keep.filePath(QStringLiteral("work.vonnik"));
        QVERIFY(QFile::copy(Project("work.vonnik"), path));
        QVERIFY(CliFrame({path.toStdString()}) == saved.frame);

        for (const char* way : {"menu", "drop", "command line"}) {
            program = std::make_unique<Program>();
            const std::string w = way;
            if (w == "menu") {
                program->Answer(path);
                Find<QAction>(Form1(), "OpenFileAction")->trigger();
            } else if (w == "drop") {
                Form2().DropFiles({path});
            } else {
                OpenFromCommandLine(Form1(), {path});
                QVERIFY(QTest::qWaitFor([this] { return !Form1().State.Grid.Empty(); }, 10000));
            }
            QVERIFY2(program->errors.isEmpty(),
                     qPrintable(program->errors.join(QLatin1Char('\n'))));
            QVERIFY2(Now() == saved, way);
            QVERIFY(Form2().isVisible());
            QVERIFY(!Form1().isWindowModified());
        }
        RightDrag(Form2().FrameArea(), {{10, 10}, {20, 15}});
        QVERIFY(Form1().isWindowModified());
        Trigger("UndoAction");
        QVERIFY(!Form1().isWindowModified());
        QVERIFY(Now() == saved);
    }

    // Closing the panel with unsaved changes of a project asks; Cancel keeps it open, and a
    // work that was never a project closes without asking.
    void closingWithUnsavedChangesAsks() {
        Form1().show();
        program->Build(QStringLiteral("disc.bmp"));
        RightDrag(Form2().FrameArea(), {{10, 10}, {30, 25}});
        QVERIFY(Form1().close());
        QCOMPARE(program->saveChangesAsked, 0);

        Form1().show();
        program->Answer(Project("disc.vonnik"));
        Trigger("SaveProjectAction");
        QVERIFY(Form1().close());
        QCOMPARE(program->saveChangesAsked, 0);
        Form1().show();
        RightDrag(Form2().FrameArea(), {{30, 25}, {10, 10}});
        program->saveChangesAnswer = QMessageBox::Cancel;
        QVERIFY(!Form1().close());
        QCOMPARE(program->saveChangesAsked, 1);
        program->saveChangesAnswer = QMessageBox::Save;
        program->Answer(Project("disc.vonnik"));
        QVERIFY(Form1().close());
        QVERIFY(!Form1().isWindowModified());
    }

    // A file that is no project is reported, and the work stays as it was.
    void aDamagedProjectChangesNothing() {
        program->Build(QStringLiteral("disc.bmp"));
        const Shown before = Now();
        program->WriteBytes(QStringLiteral("broken.vonnik"), QByteArray("PK\x03\x04 cut short"));
        program->Answer(Project("broken.vonnik"));
        Trigger("OpenFileAction");
        QCOMPARE(program->errors.size(), 1);
        QVERIFY2(program->errors[0].contains(QStringLiteral("broken.vonnik")),
                 qPrintable(program->errors[0]));
        QVERIFY(Now() == before);
        QVERIFY(Form1().ProjectPath().isEmpty());
    }

    // A project that cannot be written is reported, and the work is no project yet; saved
    // again where it can be, it is.
    void aProjectThatCannotBeWrittenIsReported() {
        program->Build(QStringLiteral("disc.bmp"));
        program->Answer(Project("no such folder/disc.vonnik"));
        Trigger("SaveProjectAction");
        QCOMPARE(program->errors.size(), 1);
        QVERIFY(Form1().ProjectPath().isEmpty());
        QCOMPARE(Form1().windowTitle(), QStringLiteral("Vonnik!"));
        program->Answer(Project("disc.vonnik"));
        Trigger("SaveProjectAction");
        QCOMPARE(program->errors.size(), 1);
        QCOMPARE(Form1().ProjectPath(), Project("disc.vonnik"));
    }

    // The light amount: a drag of the slider is one step however far it goes, and each
    // change made otherwise (keys, clicks beside the handle) is one.
    void aSliderDragIsOneStep() {
        program->Build(QStringLiteral("disc.bmp"));
        auto* slider = Find<QSlider>(Form1(), "TrackBar1");
        const std::size_t before = Form1().Work.History.UndoSteps().size();
        slider->setValue(150);
        slider->setValue(160);
        QCOMPARE(Form1().Work.History.UndoSteps().size(), before + 2);
        slider->setSliderDown(true);
        for (const int value : {200, 250, 300}) slider->setValue(value);
        slider->setSliderDown(false);
        QCOMPARE(Form1().Work.History.UndoSteps().size(), before + 3);
        slider->setValue(310);
        QCOMPARE(Form1().Work.History.UndoSteps().size(), before + 4);
        Trigger("UndoAction");
        Trigger("UndoAction");
        QCOMPARE(slider->value(), 160);
    }

    // Every kind of step is undone to the exact state before it and redone to the state
    // after it: builds and rebuilds, live rebuilds, drags, the outlined mode, reset pose,
    // the light point, the light amount, the back light and the background.
    void undoAndRedoEveryKindOfStep() {
        std::vector<Shown> states{Now()};
        const auto step = [&](auto act) {
            act();
            states.push_back(Now());
            QVERIFY(states.back() != states[states.size() - 2]);
        };
        step([&] { program->Build(QStringLiteral("disc.bmp")); });
        step([&] { RightDrag(Form2().FrameArea(), {{10, 10}, {30, 25}, {50, 40}}); });
        step([&] {
            SendMouse(Form2().FrameArea(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton,
                      Qt::LeftButton);
        });
        step([&] { Form2().Action("WireframeAction")->trigger(); });
        step([&] { Form1().ResetPoseClick(&Form1()); });
        step([&] { PickLight({75, 50}); });
        step([&] { Find<QSlider>(Form1(), "TrackBar1")->setValue(250); });
        step([&] { Find<QCheckBox>(Form1(), "CheckBox4")->click(); });
        step([&] { SetBackground("sky.bmp"); });
        step([&] { RightDrag(Form2().FrameArea(), {{10, 10}, {40, 10}}); });
        step([&] {
            Find<QLineEdit>(Form1(), "Edit1")->setText(QStringLiteral("5"));
            Form1().RebuildModel(&Form1());
        });
        step([&] {
            Form1().SetLiveShaping(true);
            Find<QLineEdit>(Form1(), "Edit2")->setText(QStringLiteral("150"));
            QVERIFY(QTest::qWaitFor([this] { return Form1().LiveIdle(); }, 30000));
        });
        step([&] { Find<QPushButton>(Form1(), "Button3")->click(); });
        step([&] { program->Build(QStringLiteral("ring.bmp")); });
        QCOMPARE(Form1().Work.History.UndoSteps().size(), states.size() - 1);

        for (std::size_t n = states.size() - 1; n-- > 0;) {
            Trigger("UndoAction");
            QVERIFY2(Now() == states[n], qPrintable(QString::number(n)));
        }
        QVERIFY(!Form2().isVisible());
        Trigger("UndoAction");  // nothing left to undo
        QVERIFY(Now() == states[0]);
        // The viewer's keys redo once it shows the model again.
        for (std::size_t n = 1; n < states.size(); ++n) {
            if (n == 1)
                Trigger("RedoAction");
            else if (n % 2 == 0)
                QTest::keyClick(&Form2(), Qt::Key_Y, Qt::ControlModifier);
            else
                QTest::keyClick(&Form2(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(Now() == states[n], qPrintable(QString::number(n)));
        }
        // A new step after an undo drops what could have been redone.
        Trigger("UndoAction");
        PickLight({50, 30});
        QVERIFY(!Form1().Work.History.CanRedo());
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::ProjectTest)
#include "project_test.moc"

// The background picture and the snapshots: folders beside the program, the label, the
// viewer's size, the first free number, and failures that change nothing.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"
#include "viewer/export_dialog.h"

namespace vonnik::test {

class FilesTest : public ProgramTest {
    Q_OBJECT

    std::string File(const QString& relative) { return program->Path(relative).toStdString(); }
    void SetBackground(const char* name) {
        program->Answer(program->Path(QStringLiteral("haikei/") + QString::fromLatin1(name)));
        Find<QPushButton>(Form1(), "Button2")->click();
    }
    QString Snapshot(const char* name) {
        return program->Path(QStringLiteral("pic_hozon/") + name);
    }

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(40, 30, 20, 15, 12));
        program->WritePicture(QStringLiteral("haikei/big.bmp"), MakeBlobs(64, 48, 7, 0x336699));
        program->WritePicture(QStringLiteral("haikei/small.bmp"), MakeBlobs(24, 20, 3, 0x996633));
        program->WriteBytes(QStringLiteral("haikei/broken.bmp"), QByteArray("BM broken"));
    }
    void cleanup() { program.reset(); }

    void ctrlEExportsTheSolidOnScreen() {
        program->WritePicture(QStringLiteral("obj/dome.bmp"), MakeDisc(80, 80, 40, 40, 30));
        program->Build(QStringLiteral("dome.bmp"));
        QStringList errors;
        int asked = 0;
        QString answer = program->Path(QStringLiteral("disc.glb"));
        Form2().SaveMeshDialog = [&] {
            ++asked;
            return answer;
        };
        Form2().ShowError = [&](const QString& message) { errors << message; };
        QTest::keyClick(&Form2(), Qt::Key_E);
        QCOMPARE(asked, 0);
        QTest::keyClick(&Form2(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(asked, 1);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QStringLiteral("; "))));
        QVERIFY(QFileInfo(answer).size() > 0);
        // A cancelled dialog writes nothing; a file that cannot be written is reported by name.
        answer.clear();
        QTest::keyClick(&Form2(), Qt::Key_E, Qt::ControlModifier);
        QVERIFY(errors.isEmpty());
        answer = program->Path(QStringLiteral("no-such-folder/disc.stl"));
        QTest::keyClick(&Form2(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(QStringLiteral("no-such-folder/disc.stl")));
        QVERIFY(!QFileInfo::exists(answer));
    }

    // The choices after the file reach the export: halves of an STL hold twice the triangles
    // of the whole solid; cancelling the choices writes nothing.
    void ctrlEExportsWithTheChosenPrintOptions() {
        program->WritePicture(QStringLiteral("obj/dome.bmp"), MakeDisc(80, 80, 40, 40, 30));
        program->Build(QStringLiteral("dome.bmp"));
        QString answer;
        Form2().SaveMeshDialog = [&] { return answer; };
        const auto facets = [](const QString& path) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) return -1;
            const QByteArray bytes = file.readAll();
            if (bytes.size() < 84) return -1;
            const auto* n = reinterpret_cast<const unsigned char*>(bytes.constData() + 80);
            return int(n[0] | n[1] << 8 | n[2] << 16 | n[3] << 24);
        };
        answer = program->Path(QStringLiteral("whole.stl"));
        QTest::keyClick(&Form2(), Qt::Key_E, Qt::ControlModifier);
        MeshExportOptions halves;
        halves.shape = PrintShape::kHalves;
        halves.sizeMm = 30.0;
        program->exportOptions = halves;
        answer = program->Path(QStringLiteral("halves.stl"));
        QTest::keyClick(&Form2(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(program->exportOptionsAsked, 2);
        QVERIFY(facets(program->Path(QStringLiteral("whole.stl"))) > 0);
        QCOMPARE(facets(program->Path(QStringLiteral("halves.stl"))),
                 2 * facets(program->Path(QStringLiteral("whole.stl"))));
        program->exportOptions.reset();
        answer = program->Path(QStringLiteral("cancelled.3mf"));
        QTest::keyClick(&Form2(), Qt::Key_E, Qt::ControlModifier);
        QVERIFY(!QFileInfo::exists(answer));
        QVERIFY(program->errors.isEmpty());
    }

    // The dialog remembers its choices; for a format that is not for printing, the shapes
    // are shown but do not apply.
    void exportDialogRemembersItsChoices() {
        QSettings settings(program->Path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        {
            MeshExportDialog dialog(nullptr, true);
            dialog.Load(settings);
            QVERIFY(dialog.Whole->isChecked());
            QVERIFY(!dialog.SetSize->isChecked());
            QCOMPARE(dialog.Options().shape, PrintShape::kWhole);
            QCOMPARE(dialog.Options().sizeMm, 0.0);
            dialog.FlatBack->setChecked(true);
            dialog.SetSize->setChecked(true);
            dialog.SizeMm->setValue(42.5);
            dialog.Save(settings);
        }
        MeshExportDialog again(nullptr, true);
        again.Load(settings);
        QVERIFY(again.FlatBack->isChecked());
        QVERIFY(again.SizeMm->isEnabled());
        QCOMPARE(again.Options().shape, PrintShape::kFlatBack);
        QCOMPARE(again.Options().sizeMm, 42.5);
        MeshExportDialog glb(nullptr, false);
        glb.Load(settings);
        QVERIFY(!glb.FlatBack->isEnabled());
        QCOMPARE(glb.Options().shape, PrintShape::kWhole);
        QCOMPARE(glb.Options().sizeMm, 42.5);

        // The thickness for the print formats, the filaments for a 3MF file only.
        {
            MeshExportDialog threeMf(nullptr, true, true);
            threeMf.Load(settings);
            QCOMPARE(threeMf.Options().thicknessMm, 0.0);
            QCOMPARE(threeMf.Options().filaments, 0);
            threeMf.SetThickness->setChecked(true);
            threeMf.ThicknessMm->setValue(5.5);
            threeMf.Paint->setChecked(true);
            threeMf.Filaments->setValue(5);
            threeMf.Save(settings);
        }
        MeshExportDialog threeMf(nullptr, true, true);
        threeMf.Load(settings);
        QCOMPARE(threeMf.Options().thicknessMm, 5.5);
        QCOMPARE(threeMf.Options().filaments, 5);
        QCOMPARE(threeMf.Filaments->minimum(), kMinFilaments);
        QCOMPARE(threeMf.Filaments->maximum(), kMaxFilaments);
        MeshExportDialog stl(nullptr, true, false);
        stl.Load(settings);
        QVERIFY(!stl.Paint->isEnabled());
        QCOMPARE(stl.Options().thicknessMm, 5.5);
        QCOMPARE(stl.Options().filaments, 0);
        MeshExportDialog ply(nullptr, false, false);
        ply.Load(settings);
        QCOMPARE(ply.Options().thicknessMm, 0.0);
    }

    void backgroundBeforeTheFirstBuild() {
        TForm1& f = Form1();
        SetBackground("big.bmp");
        QCOMPARE(program->dialogFolders.value(0), program->Path(QStringLiteral("haikei/")));
        QCOMPARE(Find<QLabel>(f, "Label1")->text(), QStringLiteral("背景：big.bmp"));
        QVERIFY(Find<QLabel>(f, "Label1")->width() >=
                Find<QLabel>(f, "Label1")
                    ->fontMetrics()
                    .horizontalAdvance(Find<QLabel>(f, "Label1")->text()));
        QCOMPARE(f.State.BackgroundName, std::string("big.bmp"));
        QCOMPARE(QSize(f.State.ViewWidth, f.State.ViewHeight), QSize(64, 48));
        QCOMPARE(Form2().FrameArea()->size(), QSize(64, 48));
        QVERIFY(!Form2().isVisible());
        // The first build takes the background's size.
        program->Build(QStringLiteral("disc.bmp"));
        QCOMPARE(Form2().FrameArea()->size(), QSize(64, 48));
        QCOMPARE(Shown(), CliFrame({File("obj/disc.bmp"), "--background", File("haikei/big.bmp")}));
    }

    void backgroundAfterABuild() {
        program->Build(QStringLiteral("disc.bmp"));
        const QByteArray plain = Shown();
        SetBackground("big.bmp");
        QCOMPARE(Form2().FrameArea()->size(), QSize(64, 48));
        QCOMPARE(Shown(), CliFrame({File("obj/disc.bmp"), "--background", File("haikei/big.bmp")}));
        // A background smaller than the picture still sets the size.
        SetBackground("small.bmp");
        QCOMPARE(Form2().FrameArea()->size(), QSize(24, 20));
        QCOMPARE(Shown(),
                 CliFrame({File("obj/disc.bmp"), "--background", File("haikei/small.bmp")}));
        Find<QPushButton>(Form1(), "Button3")->click();
        QCOMPARE(Find<QLabel>(Form1(), "Label1")->text(), QStringLiteral("背景：なし"));
        QVERIFY(Form1().State.BackgroundName.empty());
        QCOMPARE(Form2().FrameArea()->size(), QSize(40, 30));
        QCOMPARE(Shown(), plain);
    }

    void clearingWithoutABackgroundChangesNothing() {
        program->Build(QStringLiteral("disc.bmp"));
        const StateImage before(Form1());
        Find<QPushButton>(Form1(), "Button3")->click();
        QVERIFY(StateImage(Form1()) == before);
    }

    void clearingBeforeTheFirstBuild() {
        SetBackground("big.bmp");
        Find<QPushButton>(Form1(), "Button3")->click();
        QCOMPARE(Form1().State.ViewWidth, 0);
        QCOMPARE(Form1().State.ViewHeight, 0);
        program->Build(QStringLiteral("disc.bmp"));
        QCOMPARE(Form2().FrameArea()->size(), QSize(40, 30));
    }

    void failedBackgroundsChangeNothing_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("reported");
        QTest::newRow("cancelled") << QString() << false;
        QTest::newRow("missing") << QStringLiteral("haikei/none.bmp") << false;
        QTest::newRow("broken") << QStringLiteral("haikei/broken.bmp") << true;
    }

    void failedBackgroundsChangeNothing() {
        QFETCH(QString, answer);
        QFETCH(bool, reported);
        program->Build(QStringLiteral("disc.bmp"));
        SetBackground("small.bmp");
        const StateImage before(Form1());
        program->Answer(answer.isEmpty() ? answer : program->Path(answer));
        Find<QPushButton>(Form1(), "Button2")->click();
        QVERIFY(StateImage(Form1()) == before);
        QCOMPARE(Form2().FrameArea()->size(), QSize(24, 20));
        QCOMPARE(program->errors.size(), reported ? 1 : 0);
        if (reported) QVERIFY(program->errors.first().contains(QStringLiteral("broken.bmp")));
    }

    void snapshotsTakeTheFirstFreeNumber() {
        program->Build(QStringLiteral("disc.bmp"));
        program->WriteBytes(QStringLiteral("pic_hozon/0000.bmp"), "taken");
        program->WriteBytes(QStringLiteral("pic_hozon/0002.bmp"), "taken");
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot("0001.bmp")), Shown());
        QCOMPARE(program->beeps, 2);  // the build's and the snapshot's
        RightDrag(Form2().FrameArea(), {{5, 5}, {15, 8}});
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(ReadFile(Snapshot("0003.bmp")), Shown());
        QCOMPARE(ReadFile(Snapshot("0003.bmp")),
                 CliFrame({File("obj/disc.bmp"), "--drag", "5,5;15,8"}));
        QCOMPARE(ReadFile(Snapshot("0002.bmp")), QByteArray("taken"));
        QCOMPARE(program->beeps, 3);
        QCOMPARE(QDir(program->Path("pic_hozon")).entryList(QDir::Files).size(), 4);
    }

    void snapshotOfTheBackgroundsSize() {
        program->Build(QStringLiteral("disc.bmp"));
        SetBackground("big.bmp");
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        const QByteArray file = ReadFile(Snapshot("0000.bmp"));
        QCOMPARE(file.size(), 54 + 64 * 48 * 4);
        QCOMPARE(file, Shown());
    }

    void nothingToSave() {
        Find<QToolButton>(Form1(), "SpeedButton1")->click();  // before any build
        program->Build(QStringLiteral("disc.bmp"));
        Form2().close();
        Find<QToolButton>(Form1(), "SpeedButton1")->click();  // the viewer closed
        QVERIFY(QDir(program->Path("pic_hozon")).isEmpty());
        QCOMPARE(program->beeps, 1);  // the build's only
    }

    void aSnapshotThatCannotBeWritten() {
        program->Build(QStringLiteral("disc.bmp"));
        QVERIFY(QDir(program->Path("pic_hozon")).removeRecursively());
        Find<QToolButton>(Form1(), "SpeedButton1")->click();
        QCOMPARE(program->errors.size(), 1);
        QVERIFY2(program->errors.first().contains(QStringLiteral("0000.bmp")),
                 qPrintable(program->errors.first()));
        QCOMPARE(program->beeps, 1);
        // The program creates no folder.
        QVERIFY(!QFileInfo::exists(program->Path("pic_hozon")));
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::FilesTest)
#include "files_test.moc"

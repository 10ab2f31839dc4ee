// The viewer on a real screen: its menu bar (each action does what its key does), fit and
// zoom (the window within the screen, the frame full-size and exact whatever the zoom, a drag
// equal at every zoom), and its captions in both languages.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <functional>
#include <map>
#include <set>

#include "app/language.h"
#include "core/picture_io.h"
#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"

namespace vonnik::test {
namespace {

// The messages of a translation file: context and source, with the translation ("" when
// unfinished).
std::map<std::pair<QString, QString>, QString> Messages(const QString& path) {
    std::map<std::pair<QString, QString>, QString> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return messages;
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement()) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished =
                xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            const QString text = xml.readElementText();
            messages[{context, source}] = unfinished ? QString() : text;
        }
    }
    return messages;
}

void PressKey(QWidget* window, const QKeySequence& key) {
    QTest::keyClick(window, key[0].key(), key[0].keyboardModifiers());
}

}  // namespace

class ViewerTest : public ProgramTest {
    Q_OBJECT

    QRect Available() { return Form2().screen()->availableGeometry(); }
    int MenuHeight() { return Find<QMenuBar>(Form2(), "MenuBar")->height(); }

  private slots:
    void init() {
        program = std::make_unique<Program>();
        program->WritePicture(QStringLiteral("obj/disc.bmp"), MakeDisc(60, 46, 28, 22, 19));
        program->WritePicture(QStringLiteral("obj/large.bmp"), MakeDisc(1600, 1200, 800, 600, 500));
        program->WritePicture(QStringLiteral("haikei/wide.bmp"), MakeBlobs(1700, 500, 9, 0x336699));
    }
    void cleanup() { program.reset(); }

    // Every action is in a menu with its key, and the action and the key do the same.
    void eachActionDoesWhatItsKeyDoes() {
        program->Build(QStringLiteral("disc.bmp"));
        std::map<QString, int> calls;
        const auto count = [&calls](const char* name) { return [&calls, name] { ++calls[name]; }; };
        Form2().Rebuild = count("RebuildAction");
        Form2().ResetPose = count("ResetPoseAction");
        Form2().Undo = count("UndoAction");
        Form2().Redo = count("RedoAction");
        Form2().CanUndo = Form2().CanRedo = [] { return true; };
        Form2().ToggleLive = [&calls](bool) { ++calls["LiveAction"]; };
        Form2().ShowHelp = [&calls](const QString&, const QString& text) {
            ++calls["HelpAction"];
            QVERIFY(text.contains(QStringLiteral("Ctrl+E")));
        };
        Form2().SaveMeshDialog = [&calls] { return ++calls["ExportMeshAction"], QString(); };
        Form2().SaveTurntableDialog = [&calls] { return ++calls["TurntableAction"], QString(); };
        Form2().SavePngDialog = [&calls] { return ++calls["SavePngAction"], QString(); };
        Form1().AskBackgroundTolerance = [&calls](int) -> std::optional<int> {
            ++calls["ToleranceAction"];
            return std::nullopt;
        };
        const int dialogs = static_cast<int>(program->dialogFolders.size());
        const double zoom = Form2().Zoom();
        const auto snapshots = [&] {
            return static_cast<int>(
                QDir(program->Path(QStringLiteral("pic_hozon"))).entryList(QDir::Files).size());
        };
        // What each action has done so far; undone after each run where it changed the view.
        const struct {
            const char* name;
            QKeySequence key;
            std::function<int()> done;
            std::function<void()> undo;
        } table[] = {
            {"OpenAction",
             QKeySequence(Qt::CTRL | Qt::Key_O),
             [&] { return static_cast<int>(program->dialogFolders.size()) - dialogs; },
             {}},
            {"SaveProjectAction",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
             [&] { return static_cast<int>(program->dialogFolders.size()) - dialogs; },
             {}},
            {"RebuildAction", QKeySequence(Qt::Key_F5), [&] { return calls["RebuildAction"]; }, {}},
            {"SnapshotAction", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), snapshots, {}},
            {"UndoAction",
             QKeySequence(Qt::CTRL | Qt::Key_Z),
             [&] { return calls["UndoAction"]; },
             {}},
            {"RedoAction",
             QKeySequence(Qt::CTRL | Qt::Key_Y),
             [&] { return calls["RedoAction"]; },
             {}},
            {"SavePngAction",
             QKeySequence(Qt::CTRL | Qt::Key_S),
             [&] { return calls["SavePngAction"]; },
             {}},
            {"CopyAction", QKeySequence(Qt::CTRL | Qt::Key_C),
             [&] { return QApplication::clipboard()->image().isNull() ? 0 : 1; },
             [] { QApplication::clipboard()->clear(); }},
            {"ExportMeshAction",
             QKeySequence(Qt::CTRL | Qt::Key_E),
             [&] { return calls["ExportMeshAction"]; },
             {}},
            {"TurntableAction",
             QKeySequence(Qt::CTRL | Qt::Key_T),
             [&] { return calls["TurntableAction"]; },
             {}},
            {"WireframeAction", QKeySequence(Qt::CTRL | Qt::Key_L),
             [&] { return Form1().State.View.Wireframe ? 1 : 0; },
             [&] { Form1().State.View.Wireframe = false; }},
            {"ResetPoseAction",
             QKeySequence(Qt::Key_Home),
             [&] { return calls["ResetPoseAction"]; },
             {}},
            {"ZoomInAction", QKeySequence(Qt::CTRL | Qt::Key_Plus),
             [&] { return Form2().Zoom() > zoom ? 1 : 0; }, [&] { Form2().SetZoom(zoom); }},
            {"ZoomOutAction", QKeySequence(Qt::CTRL | Qt::Key_Minus),
             [&] { return Form2().Zoom() < zoom ? 1 : 0; }, [&] { Form2().SetZoom(zoom); }},
            {"ZoomFitAction", QKeySequence(Qt::CTRL | Qt::Key_0),
             [&] { return Form2().Zoom() == Form2().FitZoom() ? 1 : 0; },
             [&] { Form2().SetZoom(0.5); }},
            {"ZoomActualAction", QKeySequence(Qt::CTRL | Qt::Key_1),
             [&] { return Form2().Zoom() == 1.0 ? 1 : 0; }, [&] { Form2().SetZoom(0.5); }},
            {"HelpAction", QKeySequence(Qt::Key_F1), [&] { return calls["HelpAction"]; }, {}},
            {"CloseAction", QKeySequence(Qt::CTRL | Qt::Key_W),
             [&] { return Form2().isVisible() ? 0 : 1; }, [&] { Form2().show(); }},
        };
        std::set<QString> inMenus;
        for (QAction* top : Find<QMenuBar>(Form2(), "MenuBar")->actions())
            for (QAction* a : top->menu()->actions()) inMenus.insert(a->objectName());
        for (const auto& row : table) {
            QAction* action = Form2().Action(row.name);
            QVERIFY2(action != nullptr && inMenus.count(QLatin1String(row.name)), row.name);
            QVERIFY2(action->shortcuts().contains(row.key), row.name);
            if (row.undo) row.undo();
            const int before = row.done();
            action->trigger();
            QVERIFY2(row.done() == before + 1, row.name);
            if (row.undo) row.undo();
            PressKey(&Form2(), row.key);
            QVERIFY2(row.done() == before + 1 + (row.undo ? 0 : 1), row.name);
            if (row.undo) row.undo();
        }
        // A second key of an action, and actions without a key.
        PressKey(&Form2(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(calls["RebuildAction"], 3);
        Form2().Action("ToleranceAction")->trigger();
        QCOMPARE(calls["ToleranceAction"], 1);
        Form2().Action("LiveAction")->trigger();
        QCOMPARE(calls["LiveAction"], 1);
        // Keys without Ctrl where the action has it do nothing.
        PressKey(&Form2(), QKeySequence(Qt::Key_E));
        QCOMPARE(calls["ExportMeshAction"], 2);
    }

    // An action whose hook nobody set is disabled, and its key does nothing.
    void actionsWithoutTheirHookAreDisabled() {
        SharedState state;
        TForm2 bare(state);
        bare.show();
        for (const char* name : {"OpenAction", "RebuildAction", "SnapshotAction", "ResetPoseAction",
                                 "LiveAction", "ToleranceAction", "Language_en"})
            QVERIFY2(!bare.Action(name)->isEnabled(), name);
        QVERIFY(bare.Action("ZoomInAction")->isEnabled());
        int resets = 0;
        bare.ResetPose = [&resets] { ++resets; };
        QTest::keyClick(&bare, Qt::Key_Home);  // enabled on the first use
        QCOMPARE(resets, 1);
    }

    // The frame area below the menu is the frame's size while it fits the screen.
    void theWindowHoldsTheFrameAtFullSize() {
        program->Build(QStringLiteral("disc.bmp"));
        QCOMPARE(Form2().Zoom(), 1.0);
        QCOMPARE(Form2().FrameArea()->size(), QSize(60, 46));
        QCOMPARE(Form2().size(), QSize(60, MenuHeight() + 46));
        QCOMPARE(Form2().FrameArea()->mapTo(&Form2(), QPoint(0, 0)), QPoint(0, MenuHeight()));
        const QImage shown = Form2().FrameArea()->grab().toImage();
        QCOMPARE(RasterOf(shown.convertToFormat(QImage::Format_RGB32)).At(30, 23),
                 Form1().State.FrameBuffer.At(30, 23));
    }

    // A picture larger than the screen opens scaled to fit; the frame, the snapshot, the
    // PNG and the copy stay full-size and exact at every zoom, and zooming beyond the screen
    // scrolls.
    void aLargePictureFitsTheScreen() {
        program->Build(QStringLiteral("large.bmp"));
        const QRect screen = Available();
        QVERIFY(Form2().Zoom() < 1.0);
        QVERIFY(screen.contains(Form2().frameGeometry()));
        QVERIFY(Form2().FrameArea()->width() <= screen.width());
        const QByteArray exact = CliFrame({Obj("large.bmp")});
        QCOMPARE(Shown(), exact);
        // Zoomed in near the screen's corner: moved back onto the screen.
        Form2().move(screen.right() - 100, screen.bottom() - 100);
        for (const double zoom : {Form2().FitZoom(), 0.25, 1.0, 2.0}) {
            Form2().SetZoom(zoom);
            QVERIFY(screen.contains(Form2().frameGeometry()));
            QCOMPARE(Form2().FrameArea()->size(), QSize(qRound(1600 * zoom), qRound(1200 * zoom)));
            Form2().FormPaint(&Form2());
            QCOMPARE(Shown(), exact);
        }
        QCOMPARE(Form2().Zoom(), 2.0);
        // Ctrl+S, Ctrl+C and the snapshot take the full-size frame.
        const QString png = program->Path(QStringLiteral("frame.png"));
        Form2().SavePngDialog = [png] { return png; };
        QTest::keyClick(&Form2(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(QImage(png).size(), QSize(1600, 1200));
        QTest::keyClick(&Form2(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 ImageOf(Form1().State.FrameBuffer).convertToFormat(QImage::Format_RGB32));
        Form2().Action("SnapshotAction")->trigger();
        QCOMPARE(ReadFile(program->Path(QStringLiteral("pic_hozon/0000.bmp"))), exact);

        // Keys and the wheel climb the ladder; fit and 100 % come back.
        QTest::keyClick(&Form2(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(Form2().Zoom(), Form2().FitZoom());
        QTest::keyClick(&Form2(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(Form2().Zoom(), 1.0);
        QTest::keyClick(&Form2(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(Form2().Zoom(), 0.75);
        QTest::keyClick(&Form2(), Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Form2().Zoom(), 1.0);
        QTest::keyClick(&Form2(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(Form2().Zoom(), 1.5);
        for (const int delta : {-120, -120, 120}) {
            QWheelEvent wheel(QPointF(10, 10), Form2().FrameArea()->mapToGlobal(QPointF(10, 10)),
                              QPoint(), QPoint(0, delta), Qt::NoButton, Qt::ControlModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(Form2().FrameArea(), &wheel);
        }
        QCOMPARE(Form2().Zoom(), 1.0);
        Form2().SetZoom(1e-9);
        QCOMPARE(Form2().Zoom(), TForm2::kMinZoom);
        Form2().SetZoom(1e9);
        QCOMPARE(Form2().Zoom(), TForm2::kMaxZoom);
    }

    // A wide background: fitted across, and the window still within the screen.
    void aWideBackgroundFitsAcross() {
        program->Build(QStringLiteral("disc.bmp"));
        program->Answer(program->Path(QStringLiteral("haikei/wide.bmp")));
        Find<QPushButton>(Form1(), "Button2")->click();
        QVERIFY(Form2().Zoom() < 1.0);
        QVERIFY(Available().contains(Form2().frameGeometry()));
        QCOMPARE(Form2().FrameArea()->width(), qRound(1700 * Form2().Zoom()));
        Find<QPushButton>(Form1(), "Button3")->click();
        QCOMPARE(Form2().Zoom(), 1.0);
        QCOMPARE(Form2().FrameArea()->size(), QSize(60, 46));
    }

    // Mouse positions are mapped to frame pixels: a drag turns the model by the same amount
    // at every zoom.
    void aDragTurnsEquallyAtEveryZoom() {
        const std::vector<QPoint> drag = {{20, 30}, {26, 30}, {36, 28}, {48, 20}};
        const QByteArray expected =
            CliFrame({Obj("disc.bmp"), "--drag", "20,30;26,30;36,28;48,20"});
        for (const double zoom : {1.0, 0.5, 2.0, 3.0}) {
            program->Build(QStringLiteral("disc.bmp"));
            Form2().SetZoom(zoom);
            std::vector<QPoint> scaled;
            for (const QPoint p : drag)
                scaled.push_back(
                    QPoint(static_cast<int>(p.x() * zoom), static_cast<int>(p.y() * zoom)));
            RightDrag(Form2().FrameArea(), scaled);
            QVERIFY2(Shown() == expected, qPrintable(QString::number(zoom)));
            QCOMPARE(Form2().Mouse.LastMouseX, 48);
            QCOMPARE(Form2().Mouse.LastMouseY, 20);
        }
    }

    // Every viewer string is in the catalogue, translated: lupdate over the viewer's sources
    // finds nothing the catalogue lacks.
    void theCatalogueCoversTheViewer() {
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("viewer.ts"));
        QStringList arguments = QString::fromUtf8(VONNIK_VIEWER_SOURCES).split(QLatin1Char('|'));
        arguments << QStringLiteral("-silent") << QStringLiteral("-locations")
                  << QStringLiteral("none") << QStringLiteral("-ts") << fresh;
        QProcess lupdate;
        lupdate.start(QStringLiteral(VONNIK_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);
        const auto found = Messages(fresh);
        const auto catalogue = Messages(QStringLiteral(VONNIK_CATALOGUE));
        QVERIFY(found.size() > 40);
        for (const auto& [key, unused] : found) {
            const auto entry = catalogue.find(key);
            QVERIFY2(entry != catalogue.end() && !entry->second.isEmpty(),
                     qPrintable(key.first + QStringLiteral(": ") + key.second));
        }
    }

    // In English every caption of the viewer's menus is English; back in Japanese they are
    // the designed ones, and Qt's own buttons and dialogs speak Japanese too.
    void captionsInBothLanguages() {
        Translations translations({QStringLiteral(VONNIK_QM_FOLDER)});
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("vonnik.conf")), QSettings::IniFormat);
        AddLanguageMenu(&Form1(), translations, settings, {});
        QVERIFY(translations.Select(QStringLiteral("ja")));
        QVERIFY(translations.QtDialogsTranslated());
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
        QMenuBar* bar = Find<QMenuBar>(Form2(), "MenuBar");
        std::map<QString, QString> japanese;
        for (QAction* a : Form2().Actions()) japanese[a->objectName()] = a->text();
        QCOMPARE(bar->actions().value(0)->text(), QStringLiteral("ファイル(&F)"));

        // Chosen in the viewer's menu: the panel's choice, so it is remembered.
        Form2().Action("Language_en")->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(translations.Current(), QStringLiteral("en"));
        QCOMPARE(StoredLanguage(settings), QStringLiteral("en"));
        QVERIFY(Form2().Action("Language_en")->isChecked());
        QVERIFY(!translations.QtDialogsTranslated());
        QDialogButtonBox english(QDialogButtonBox::Cancel);
        QCOMPARE(english.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
        QCOMPARE(bar->actions().value(0)->text(), QStringLiteral("&File"));
        for (QAction* a : bar->actions()) QVERIFY2(!HasJapanese(a->text()), qPrintable(a->text()));
        for (QAction* a : Form2().Actions()) {
            if (a->objectName() == QLatin1String("Language_ja")) continue;
            QVERIFY2(!HasJapanese(a->text()), qPrintable(a->objectName()));
            if (a->objectName() != QLatin1String("Language_en"))
                QVERIFY2(a->text() != japanese[a->objectName()], qPrintable(a->objectName()));
        }
        QString help;
        Form2().ShowHelp = [&help](const QString&, const QString& text) { help = text; };
        Form2().Action("HelpAction")->trigger();
        QVERIFY2(!help.isEmpty() && !HasJapanese(help), qPrintable(help));

        Form2().Action("Language_ja")->trigger();
        QCoreApplication::processEvents();
        for (QAction* a : Form2().Actions()) QCOMPARE(a->text(), japanese[a->objectName()]);
    }

    // Alt+F opens the first menu in English.
    void mnemonicsOpenTheMenus() {
        Translations translations({QStringLiteral(VONNIK_QM_FOLDER)});
        QVERIFY(translations.Select(QStringLiteral("en")));
        QCoreApplication::processEvents();
        Form2().show();
        Form2().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form2()));
        QTest::keyClick(&Form2(), Qt::Key_F, Qt::AltModifier);
        QMenu* file = Find<QMenu>(Form2(), "FileMenu");
        QTRY_VERIFY(file->isVisible());
        file->close();
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::ViewerTest)
#include "viewer_test.moc"

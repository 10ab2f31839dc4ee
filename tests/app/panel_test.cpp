// The control panel at rest: start-up state, the controls, the number fields' keys and
// validation, the light picker, the back light and the light amount.
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <cmath>

#include "tests/app/app_fixture.h"
#include "tests/support/pictures.h"

namespace vonnik::test {
namespace {

const QString kInvalidLine = QStringLiteral("入力値が不正です") + QString(10, QChar(0x3000));

bool IsRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

int RedPixelsOfStatusLine(TForm1& form) {
    const QImage panel = form.grab().toImage();
    int count = 0;
    for (int y = 360; y < 376; ++y)
        for (int x = 30; x < 200; ++x) count += IsRed(panel.pixel(x, y)) ? 1 : 0;
    return count;
}

}  // namespace

class PanelTest : public ProgramTest {
    Q_OBJECT

  private slots:
    void init() { program = std::make_unique<Program>(); }
    void cleanup() { program.reset(); }

    void startUpState() {
        const SharedState& s = Form1().State;
        QCOMPARE(s.LightPointX, 60);
        QCOMPARE(s.LightPointY, 52);
        QCOMPARE(s.View.DrawOrder, PaintOrder::kRowsDown);
        QVERIFY((s.View.ViewAxisA == Vec3{1, 0, 0}));
        QVERIFY((s.View.ViewAxisB == Vec3{0, 1, 0}));
        QVERIFY(s.PictureName.empty() && s.BackgroundName.empty());
        QVERIFY(!s.View.Wireframe);
        QCOMPARE(s.LightX, 0.0);
        QCOMPARE(s.LightY, 0.0);
        QCOMPARE(s.LightZ, 0.0);
        QCOMPARE(s.LightAmount, 0.0);
        QCOMPARE(s.LightDiscBuffer.Width(), 102);
        QCOMPARE(s.LightDiscBuffer.Height(), 94);
        QVERIFY(!program->Form2().isVisible());
        QVERIFY(Form1().StatusText().isEmpty());
    }

    void windows() {
        TForm1& panel = Form1();
        TForm2& viewer = program->Form2();
        QCOMPARE(panel.windowTitle(), QStringLiteral("Vonnik!"));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Form2"));
        // Fixed client sizes: the user cannot resize either window.
        QCOMPARE(panel.size(), QSize(200, 393));
        QCOMPARE(panel.minimumSize(), panel.maximumSize());
        QCOMPARE(viewer.FrameArea()->size(), QSize(400, 400));
        QCOMPARE(viewer.minimumSize(), viewer.maximumSize());
        for (QWidget* w : {static_cast<QWidget*>(&panel), static_cast<QWidget*>(&viewer)}) {
            QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
            QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
            QVERIFY(w->windowFlags() & Qt::WindowSystemMenuHint);
            QCOMPARE(w->font().pixelSize(), 12);
            QCOMPARE(w->font().families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
        }
        QCOMPARE(panel.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.grab().toImage().pixel(150, 385), qRgb(0xC0, 0xC0, 0xC0));
    }

    void japaneseFaceStandsIn() {
        if (!QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
            QSKIP("the IPA fonts are not installed");
        const QFontInfo face(Form1().font());
        QVERIFY2(face.family().startsWith(QStringLiteral("IPA")), qPrintable(face.family()));
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, QRect box, const char* text) {
            QTest::newRow(name) << QString::fromLatin1(name) << box << QString::fromUtf8(text);
        };
        row("StaticText5", {7, 7, 28, 16}, "光源");
        row("StaticText4", {112, 20, 28, 16}, "光量");
        row("TrackBar1", {104, 32, 81, 41}, "");
        row("CheckBox4", {112, 72, 49, 17}, "逆光");
        row("Button2", {24, 104, 89, 25}, "背景画像設定");
        row("Button3", {128, 104, 49, 25}, "背景ｸﾘｱ");
        row("Edit1", {24, 160, 41, 20}, "8");
        row("StaticText1", {76, 164, 88, 16}, "ポリゴンの大きさ");
        row("Edit2", {24, 184, 41, 20}, "100");
        row("StaticText2", {76, 188, 52, 16}, "曲率係数");
        row("Edit3", {24, 208, 41, 20}, "110");
        row("StaticText3", {76, 212, 64, 16}, "円許容係数");
        row("CheckBox1", {24, 234, 105, 17}, "カラー鉛直射影");
        row("CheckBox2", {24, 252, 89, 17}, "特殊ポリゴン");
        row("CheckBox3", {24, 270, 73, 17}, "両面読込");
        row("Button1", {32, 296, 113, 25}, "立体化画像読込");
        row("SpeedButton1", {160, 298, 23, 22}, "");
        row("ProgressBar1", {24, 334, 153, 16}, "");
    }

    void controls() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        auto* control = Form1().findChild<QWidget*>(name);
        QVERIFY(control != nullptr);
        QCOMPARE(control->geometry(), geometry);
        if (!text.isEmpty()) QCOMPARE(control->property("text").toString(), text);
    }

    void defaultsAndRanges() {
        TForm1& f = Form1();
        QCOMPARE(Find<QSlider>(f, "TrackBar1")->value(), 100);
        QCOMPARE(Find<QSlider>(f, "TrackBar1")->minimum(), 100);
        QCOMPARE(Find<QSlider>(f, "TrackBar1")->maximum(), 500);
        QCOMPARE(Find<QSlider>(f, "TrackBar1")->tickPosition(), QSlider::TicksBothSides);
        QCOMPARE(Find<QProgressBar>(f, "ProgressBar1")->value(), 0);
        QCOMPARE(Find<QProgressBar>(f, "ProgressBar1")->minimum(), 0);
        QCOMPARE(Find<QProgressBar>(f, "ProgressBar1")->maximum(), 100);
        for (QCheckBox* box : {Find<QCheckBox>(f, "CheckBox1"), Find<QCheckBox>(f, "CheckBox2"),
                               Find<QCheckBox>(f, "CheckBox3"), Find<QCheckBox>(f, "CheckBox4")})
            QVERIFY(!box->isChecked());
        QCOMPARE(Find<QToolButton>(f, "SpeedButton1")->focusPolicy(), Qt::NoFocus);
        QVERIFY(!Find<QToolButton>(f, "SpeedButton1")->icon().isNull());
        QCOMPARE(Find<QToolButton>(f, "SpeedButton1")->icon().availableSizes().value(0),
                 QSize(23, 22));
    }

    void label1SizesToItsText() {
        QLabel* label = Find<QLabel>(Form1(), "Label1");
        QCOMPARE(label->text(), QStringLiteral("背景：なし"));
        QCOMPARE(label->pos(), QPoint(24, 136));
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    }

    void tabOrderStartsAtButton1() {
        TForm1& f = Form1();
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), Find<QPushButton>(f, "Button1"));
        const QList<QWidget*> expected = {
            Find<QSlider>(f, "TrackBar1"),   Find<QCheckBox>(f, "CheckBox4"),
            Find<QPushButton>(f, "Button2"), Find<QPushButton>(f, "Button3"),
            Find<QLineEdit>(f, "Edit1"),     Find<QLineEdit>(f, "Edit2"),
            Find<QLineEdit>(f, "Edit3"),     Find<QCheckBox>(f, "CheckBox1"),
            Find<QCheckBox>(f, "CheckBox2"), Find<QCheckBox>(f, "CheckBox3"),
            Find<QPushButton>(f, "Button1")};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void enterBuildsOtherKeysDoNot_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("builds");
        for (const char* edit : {"Edit1", "Edit2", "Edit3"}) {
            const QString name = QString::fromLatin1(edit);
            QTest::addRow("%s Return", edit) << name << int(Qt::Key_Return) << 0 << true;
            QTest::addRow("%s keypad Enter", edit) << name << int(Qt::Key_Enter) << 0 << true;
            QTest::addRow("%s shift Return", edit)
                << name << int(Qt::Key_Return) << int(Qt::ShiftModifier) << true;
            QTest::addRow("%s digit", edit) << name << int(Qt::Key_5) << 0 << false;
            QTest::addRow("%s Escape", edit) << name << int(Qt::Key_Escape) << 0 << false;
            QTest::addRow("%s Space", edit) << name << int(Qt::Key_Space) << 0 << false;
        }
    }

    void enterBuildsOtherKeysDoNot() {
        QFETCH(QString, edit);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, builds);
        auto* field = Form1().findChild<QLineEdit*>(edit);
        QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        // A build starts by asking for the picture (answered "cancelled" here).
        QCOMPARE(program->dialogFolders.size(), builds ? 1 : 0);
        if (builds)
            QCOMPARE(program->dialogFolders.value(0), program->Path(QStringLiteral("obj/")));
    }

    void keysReachTheField() {
        QTest::keyClicks(Find<QLineEdit>(Form1(), "Edit1"), QStringLiteral("5"));
        QTest::keyClick(Find<QLineEdit>(Form1(), "Edit1"), Qt::Key_Return);
        QCOMPARE(Find<QLineEdit>(Form1(), "Edit1")->text(), QStringLiteral("85"));
        QCOMPARE(program->dialogFolders.size(), 1);
    }

    void validation_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        const auto row = [](const char* tag, const char* edit, const char* text, bool valid) {
            QTest::newRow(tag) << QString::fromLatin1(edit) << QString::fromUtf8(text) << valid;
        };
        row("polygon 0", "Edit1", "0", false);
        row("polygon empty", "Edit1", "", false);
        row("polygon 8a", "Edit1", "8a", false);
        row("polygon blank", "Edit1", " ", false);
        row("polygon negative", "Edit1", "-8", false);
        row("polygon full-width digit", "Edit1", "８", false);
        row("curvature word", "Edit2", "abc", false);
        row("tolerance decimal", "Edit3", "1.5", false);
        row("polygon leading blank", "Edit1", " 8", true);
        row("polygon hexadecimal", "Edit1", "$10", true);
        row("curvature 0", "Edit2", "0", true);
        row("tolerance 0", "Edit3", "0", true);
        row("curvature negative", "Edit2", "-50", true);
    }

    void validation() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        TForm1& f = Form1();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.findChild<QLineEdit*>(edit)->setText(text);
        Find<QPushButton>(f, "Button1")->click();
        QCOMPARE(program->dialogFolders.size(), valid ? 1 : 0);
        QCOMPARE(f.StatusText(), valid ? QString() : kInvalidLine);
        QCOMPARE(RedPixelsOfStatusLine(f) > 0, !valid);
        QCOMPARE(Find<QProgressBar>(f, "ProgressBar1")->value(), 0);
        QVERIFY(f.State.PictureName.empty());
    }

    void lightPick_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("z");
        QTest::newRow("centre") << QPoint(60, 52) << true << 0.0 << 0.0 << -1.0;
        QTest::newRow("on the rim, right") << QPoint(96, 52) << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("inside the rim, right")
            << QPoint(95, 52) << true << 35 / 36.0 << 0.0 << -std::sqrt(71.0) / 36;
        QTest::newRow("on the rim, top") << QPoint(60, 16) << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("inside the rim, top")
            << QPoint(60, 17) << true << 0.0 << -35 / 36.0 << -std::sqrt(71.0) / 36;
        QTest::newRow("outside the box") << QPoint(150, 200) << false << 0.0 << 0.0 << 0.0;
    }

    void lightPick() {
        QFETCH(QPoint, at);
        QFETCH(bool, accepted);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, z);
        TForm1& f = Form1();
        const Raster discBefore = f.State.LightDiscBuffer;
        SendMouse(&f, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(f.State.LightPointX, accepted ? at.x() : 60);
        QCOMPARE(f.State.LightPointY, accepted ? at.y() : 52);
        QCOMPARE(f.State.LightX, x);
        QCOMPARE(f.State.LightY, y);
        QCOMPARE(f.State.LightZ, z);
        if (!accepted) {
            QVERIFY(f.State.LightDiscBuffer == discBefore);
            return;
        }
        // The crosshair on the composed disc: 11 pixels each way, centred on the point.
        const Raster& disc = f.State.LightDiscBuffer;
        QCOMPARE(disc.At(at.x() - 5, at.y()), Pixel{0});
        QCOMPARE(disc.At(at.x() + 5, at.y()), Pixel{0});
        QCOMPARE(disc.At(at.x(), at.y() + 5), Pixel{0});
        QCOMPARE(disc.At(at.x() + 6, at.y()) == 0, false);
        QCOMPARE(disc.At(0, 0), Pixel{0xC0C0C0});
    }

    void lightPickWithBackLight() {
        Find<QCheckBox>(Form1(), "CheckBox4")->setChecked(true);
        SendMouse(&Form1(), QEvent::MouseButtonPress, {60, 52}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(Form1().State.LightZ, 1.0);
    }

    void onlyTheLeftButtonPicks() {
        TForm1& f = Form1();
        SendMouse(&f, QEvent::MouseButtonPress, {50, 40}, Qt::RightButton, Qt::RightButton);
        SendMouse(&f, QEvent::MouseMove, {51, 41}, Qt::NoButton, Qt::RightButton);
        QCOMPARE(f.State.LightPointX, 60);
        QCOMPARE(f.State.LightZ, 0.0);
        // A left drag picks at every move, skips points outside and follows again inside.
        SendMouse(&f, QEvent::MouseButtonPress, {50, 40}, Qt::LeftButton, Qt::LeftButton);
        SendMouse(&f, QEvent::MouseMove, {70, 60}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(QPoint(f.State.LightPointX, f.State.LightPointY), QPoint(70, 60));
        SendMouse(&f, QEvent::MouseMove, {120, 60}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(QPoint(f.State.LightPointX, f.State.LightPointY), QPoint(70, 60));
        SendMouse(&f, QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(QPoint(f.State.LightPointX, f.State.LightPointY), QPoint(40, 30));
        // A move with no button held is no pick.
        SendMouse(&f, QEvent::MouseMove, {60, 52}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(QPoint(f.State.LightPointX, f.State.LightPointY), QPoint(40, 30));
    }

    void repaintedPanelShowsTheLastPick() {
        TForm1& f = Form1();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        SendMouse(&f, QEvent::MouseButtonPress, {45, 40}, Qt::LeftButton, Qt::LeftButton);
        const QImage shown = f.grab().toImage();
        QCOMPARE(shown.pixel(45, 40), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(50, 40), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(60, 52), qRgb(0xFF, 0xFF, 0xFF));  // the old crosshair is gone
        QCOMPARE(shown.pixel(100, 90), qRgb(0xC0, 0xC0, 0xC0));
        // What the pick copied from the buffer is what a full repaint draws (below the
        // label "光源", which lies over the disc's corner).
        const QRect below(0, 24, 102, 70);
        QCOMPARE(shown.copy(below).convertToFormat(QImage::Format_RGB32),
                 ImageOf(f.State.LightDiscBuffer).copy(below));
    }

    void backLight() {
        TForm1& f = Form1();
        // Before any pick or build the light is zero and stays so.
        Find<QCheckBox>(f, "CheckBox4")->click();
        QCOMPARE(f.State.LightZ, 0.0);
        Find<QCheckBox>(f, "CheckBox4")->click();
        SendMouse(&f, QEvent::MouseButtonPress, {70, 40}, Qt::LeftButton, Qt::LeftButton);
        const double z = f.State.LightZ;
        QVERIFY(z < 0);
        Find<QCheckBox>(f, "CheckBox4")->click();
        QCOMPARE(f.State.LightZ, -z);
        Find<QCheckBox>(f, "CheckBox4")->click();
        QCOMPARE(f.State.LightZ, z);
    }

    void trackBarWithViewerHidden() {
        TForm1& f = Form1();
        Find<QSlider>(f, "TrackBar1")->setValue(250);
        QCOMPARE(f.State.LightAmount, 2.5);
        Find<QSlider>(f, "TrackBar1")->setValue(500);
        QCOMPARE(f.State.LightAmount, 5.0);
        // Nothing is drawn while the viewer is hidden.
        QVERIFY(f.State.FrameBuffer.Empty());
        QVERIFY(!program->Form2().isVisible());
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::PanelTest)
#include "panel_test.moc"

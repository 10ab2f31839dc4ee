// Drives the real windows of the desktop program through one session — start, pick the
// light, build a sample, drag it, save a snapshot, then build a transparent PNG as a
// dropped file and turn it — and saves what they show as PNG files for the README. Run it
// under a display (tools/screenshots.sh starts a virtual one).
//   vonnik_screenshots BASE_FOLDER OUT_FOLDER [LANG]
// BASE_FOLDER holds obj/bear.bmp, obj/penguin.png and an empty pic_hozon/, as the
// program's folder does; LANG (ja or en) chooses the captions, as --lang does.
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <cstdio>

#include "app/Unit6.h"
#include "app/language.h"
#include "viewer/Unit7.h"

namespace {

void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A right-button drag through the given viewer points, one move event per point.
void Drag(QWidget* viewer, std::initializer_list<QPoint> points) {
    const QPoint* p = points.begin();
    SendMouse(viewer, QEvent::MouseButtonPress, *p, Qt::RightButton, Qt::RightButton);
    for (++p; p != points.end(); ++p)
        SendMouse(viewer, QEvent::MouseMove, *p, Qt::NoButton, Qt::RightButton);
    SendMouse(viewer, QEvent::MouseButtonRelease, points.end()[-1], Qt::RightButton, Qt::NoButton);
}

// Both windows side by side on a neutral ground, as they stand on a desktop.
QImage SideBySide(const QPixmap& panel, const QPixmap& viewer) {
    const int gap = 16;
    QImage out(panel.width() + viewer.width() + 3 * gap,
               std::max(panel.height(), viewer.height()) + 2 * gap, QImage::Format_RGB32);
    out.fill(QColor(0x3A, 0x4A, 0x5C));
    QPainter painter(&out);
    painter.drawPixmap(gap, gap, panel);
    painter.drawPixmap(2 * gap + panel.width(), gap, viewer);
    return out;
}

// The picture file as an image viewer shows transparency (a grey checkerboard under it),
// then the panel and the viewer.
QImage TransparentSession(const QImage& file, const QPixmap& panel, const QPixmap& viewer) {
    QImage checked(file.size(), QImage::Format_RGB32);
    for (int y = 0; y < checked.height(); ++y)
        for (int x = 0; x < checked.width(); ++x)
            checked.setPixel(x, y, ((x / 8 + y / 8) % 2) ? 0xFFC8C8C8u : 0xFFF4F4F4u);
    QPainter(&checked).drawImage(0, 0, file);
    const int gap = 16;
    const int width = checked.width() + panel.width() + viewer.width() + 4 * gap;
    const int height = std::max({checked.height(), panel.height(), viewer.height()}) + 2 * gap;
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(QColor(0x3A, 0x4A, 0x5C));
    QPainter painter(&out);
    painter.drawImage(gap, gap, checked);
    painter.drawPixmap(2 * gap + checked.width(), gap, panel);
    painter.drawPixmap(3 * gap + checked.width() + panel.width(), gap, viewer);
    return out;
}

bool Save(const QImage& image, const QString& path) {
    if (image.save(path)) return true;
    std::fprintf(stderr, "vonnik_screenshots: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: vonnik_screenshots BASE_FOLDER OUT_FOLDER [LANG]\n");
        return 2;
    }
    vonnik::Translations translations(
        vonnik::TranslationFolders(QCoreApplication::applicationDirPath()));
    if (argc == 4 && !translations.Select(QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "vonnik_screenshots: %s\n", qPrintable(translations.Error()));
        return 1;
    }
    const QString base = QString::fromLocal8Bit(argv[1]), out = QString::fromLocal8Bit(argv[2]);
    vonnik::TForm1 Form1;
    vonnik::TForm2 Form2(Form1.State);
    vonnik::ConnectWindows(Form1, Form2);
    Form1.BaseFolder = base;
    Form1.OpenDialog1 = [&](const QString& folder) { return folder + "bear.bmp"; };
    Form1.ShowError = [](const QString& message) {
        std::fprintf(stderr, "vonnik_screenshots: %s\n", qPrintable(message));
    };
    Form1.move(24, 120);
    Form2.move(260, 120);
    Form1.show();
    Settle(500);
    bool ok = Save(Form1.grab().toImage(), out + "/panel-start.png");

    QMouseEvent pick(QEvent::MouseButtonPress, QPointF(44, 38), QPointF(44, 38), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Form1, &pick);  // the light picked on the disc
    Form1.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    Settle(500);
    Drag(Form2.FrameArea(), {{100, 116}, {112, 116}, {124, 112}, {136, 108}, {148, 104}});
    Settle(300);
    Form1.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
    Settle(300);
    ok = Save(SideBySide(Form1.grab(), Form2.grab()), out + "/screenshot.png") && ok;
    ok = Save(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), out + "/screen.png") && ok;

    // The viewer with its View menu open, as the screen shows both.
    QMenu* menu = Form2.findChild<QMenu*>(QStringLiteral("ViewMenu"));
    Form2.findChild<QMenuBar*>(QStringLiteral("MenuBar"))->setActiveAction(menu->menuAction());
    Settle(500);
    const QRect shown = Form2.frameGeometry().united(menu->geometry()).adjusted(-8, -8, 8, 8);
    ok = Save(QGuiApplication::primaryScreen()
                  ->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height())
                  .toImage(),
              out + "/viewer-menu.png") &&
         ok;
    menu->close();
    Settle(200);

    // A transparent PNG with black eyes and a black back, as if dropped on the panel.
    // Over the sample sky: without a background the frame is the key colour, here next to
    // black.
    const QString penguin = base + "/obj/penguin.png";
    Form1.OpenDialog1 = [&](const QString& folder) { return folder + "sky.bmp"; };
    Form1.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
    Form1.BuildFromFiles(&Form1, {penguin});
    Settle(500);
    Drag(Form2.FrameArea(), {{180, 150}, {190, 150}, {200, 148}, {212, 146}, {224, 144}});
    Settle(300);
    ok = Save(TransparentSession(QImage(penguin), Form1.grab(), Form2.grab()),
              out + "/transparent-png.png") &&
         ok;
    return ok ? 0 : 1;
}

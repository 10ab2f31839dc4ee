#pragma once

#include <QByteArray>
#include <QEvent>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit6.h"
#include "core/raster.h"
#include "viewer/Unit7.h"

namespace vonnik::test {

// Both windows of the program over a temporary program folder with obj/, haikei/ and
// pic_hozon/; the file dialog answers from a queue, and error reports and beeps are
// recorded instead of shown or sounded.
class Program {
  public:
    Program();
    ~Program();

    QString Path(const QString& relative) const;
    // Writes a picture file (a BMP of the raster) and returns its path.
    QString WritePicture(const QString& relative, const Raster& picture) const;
    QString WriteBytes(const QString& relative, const QByteArray& bytes) const;

    // The dialog's next answer: a path, or an empty text for "cancelled".
    void Answer(const QString& path) { answers.push_back(path); }

    // A whole build of obj/NAME with the panel as it stands.
    void Build(const QString& objName);

    TForm1& Form1() { return *form1_; }
    TForm2& Form2() { return *form2_; }

    std::deque<QString> answers;
    QStringList dialogFolders;  // the initial folder (or path) of every dialog run
    // What closing the panel with unsaved changes of a project answers
    // (QMessageBox::StandardButton), and how often it was asked.
    int saveChangesAnswer = 0;
    int saveChangesAsked = 0;
    QStringList errors;
    int beeps = 0;
    // What the viewer's export dialog answers after the file (nothing: cancelled).
    std::optional<MeshExportOptions> exportOptions = MeshExportOptions{};
    int exportOptionsAsked = 0;

  private:
    QTemporaryDir dir_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm2> form2_;
};

// The control of window with this object name; the test stops with a message when there is
// none of that type.
template <typename Control = QWidget>
Control* Find(const QWidget& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) qFatal("no control named %s", name);
    return control;
}

// Mouse events as the window system delivers them, with the buttons held during the event.
void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held);
// A right-button drag: press at the first point, one move to each later point, release.
void RightDrag(QWidget* viewer, const std::vector<QPoint>& points);

// Whether the text holds Japanese letters or full-width forms.
bool HasJapanese(const QString& text);

// The frame file vonnik-cli writes for these arguments (the picture path first).
QByteArray CliFrame(std::vector<std::string> args);
// The snapshot file of a frame, as the program writes it.
QByteArray FrameFile(const Raster& frame);
QByteArray ReadFile(const QString& path);

// Everything of the state a failed action must leave as it was.
struct StateImage {
    explicit StateImage(const TForm1& form);
    bool operator==(const StateImage&) const = default;

    std::string pictureName, backgroundName;
    double light[3], lightAmount;
    int viewWidth, viewHeight;
    Raster front, back, background, frame;
    GridArray<double>::Storage frontX, frontZ, backZ;
    GridArray<VertexKind>::Storage vertexState;
    PaintOrder drawOrder;
    bool wireframe;
    QString label1, status;
    int progress;
};

// What the tests of the windows share: the program (each test class makes a fresh one in
// its init() and lets it go in cleanup()), its two windows and the frame they show.
class ProgramTest : public QObject {
  protected:
    std::unique_ptr<Program> program;
    TForm1& Form1() { return program->Form1(); }
    TForm2& Form2() { return program->Form2(); }
    // The path of obj/NAME in the program's folder.
    std::string Obj(const char* name) const {
        return program->Path(QStringLiteral("obj/") + QString::fromLatin1(name)).toStdString();
    }
    // The frame on screen, as the snapshot file of it.
    QByteArray Shown() { return FrameFile(Form1().State.FrameBuffer); }
};

}  // namespace vonnik::test

#include "tests/app/app_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <sstream>

#include "cli/cli.h"
#include "core/picture_io.h"

namespace vonnik::test {

Program::Program() {
    for (const char* folder : {"obj", "haikei", "pic_hozon"}) QDir(dir_.path()).mkdir(folder);
    form1_ = std::make_unique<TForm1>();
    form2_ = std::make_unique<TForm2>(form1_->State);
    form1_->BaseFolder = dir_.path();
    // The remembered settings live in the program's folder, not the user's.
    const QString settings = dir_.filePath(QStringLiteral("settings.ini"));
    form1_->OpenSettings = [settings] {
        return std::make_unique<QSettings>(settings, QSettings::IniFormat);
    };
    ConnectWindows(*form1_, *form2_);
    const auto answer = [this](const QString& folder) {
        dialogFolders.push_back(folder);
        if (answers.empty()) return QString();
        const QString next = answers.front();
        answers.pop_front();
        return next;
    };
    form1_->OpenDialog1 = answer;
    form1_->OpenFileDialog = answer;
    form1_->SaveProjectDialog = answer;
    form1_->AskSaveChanges = [this] {
        ++saveChangesAsked;
        return saveChangesAnswer;
    };
    form1_->ShowError = [this](const QString& message) { errors.push_back(message); };
    form1_->Beep = [this] { ++beeps; };
    form2_->AskExportOptions = [this](const QString&) {
        ++exportOptionsAsked;
        return exportOptions;
    };
}

// The viewer goes first: it works on the panel's state.
Program::~Program() {
    form2_.reset();
    form1_.reset();
}

QString Program::Path(const QString& relative) const {
    return dir_.filePath(relative);
}

QString Program::WritePicture(const QString& relative, const Raster& picture) const {
    const QString path = Path(relative);
    SaveFrameBmp(picture, path.toStdString());
    return path;
}

QString Program::WriteBytes(const QString& relative, const QByteArray& bytes) const {
    const QString path = Path(relative);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

void Program::Build(const QString& objName) {
    Answer(Path(QStringLiteral("obj/") + objName));
    Find<QPushButton>(*form1_, "Button1")->click();
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void RightDrag(QWidget* viewer, const std::vector<QPoint>& points) {
    SendMouse(viewer, QEvent::MouseButtonPress, points.front(), Qt::RightButton, Qt::RightButton);
    for (std::size_t n = 1; n < points.size(); ++n)
        SendMouse(viewer, QEvent::MouseMove, points[n], Qt::NoButton, Qt::RightButton);
    SendMouse(viewer, QEvent::MouseButtonRelease, points.back(), Qt::RightButton, Qt::NoButton);
}

bool HasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
            (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QByteArray CliFrame(std::vector<std::string> args) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("frame.bmp"));
    args.push_back("--frame");
    args.push_back(out.toStdString());
    std::ostringstream sink;
    if (RunCli(args, sink, sink) != 0) return {};
    return ReadFile(out);
}

QByteArray FrameFile(const Raster& frame) {
    const std::vector<std::uint8_t> bytes = EncodeFrameBmp(frame);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

StateImage::StateImage(const TForm1& form)
    : pictureName(form.State.PictureName),
      backgroundName(form.State.BackgroundName),
      light{form.State.LightX, form.State.LightY, form.State.LightZ},
      lightAmount(form.State.LightAmount),
      viewWidth(form.State.ViewWidth),
      viewHeight(form.State.ViewHeight),
      front(form.State.FrontPicture),
      back(form.State.BackPicture),
      background(form.State.BackgroundPicture),
      frame(form.State.FrameBuffer),
      frontX(form.State.Grid.FrontX.Values()),
      frontZ(form.State.Grid.FrontZ.Values()),
      backZ(form.State.Grid.BackZ.Values()),
      vertexState(form.State.Grid.VertexState.Values()),
      drawOrder(form.State.View.DrawOrder),
      wireframe(form.State.View.Wireframe),
      label1(Find<QLabel>(form, "Label1")->text()),
      status(form.StatusText()),
      progress(Find<QProgressBar>(form, "ProgressBar1")->value()) {}

}  // namespace vonnik::test

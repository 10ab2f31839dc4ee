#include "viewer/Unit7.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <thread>

#include "core/picture_io.h"
#include "export/mesh_export.h"
#include "render/render_frame.h"
#include "viewer/export_dialog.h"
#include "viewer/form_style.h"

namespace vonnik {

namespace {

// A drag renders a whole frame per mouse move: bands on every core keep large models
// turning smoothly, and each pixel keeps the last writer it has in one pass.
RenderOptions ViewerRenderOptions() {
    RenderOptions options;
    options.threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    return options;
}

// The file dialog for the mesh; a name typed without a known extension takes the one of the
// chosen filter.
QString AskMeshPath(QWidget* parent) {
    static const QStringList kFilters = {
        QStringLiteral("glTF binary (*.glb)"), QStringLiteral("Wavefront OBJ (*.obj)"),
        QStringLiteral("Stanford PLY (*.ply)"), QStringLiteral("STL for 3D printing (*.stl)"),
        QStringLiteral("3MF for 3D printing (*.3mf)")};
    QString filter = kFilters.first();
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Export the solid"),
                                                QString(), kFilters.join(QStringLiteral(";;")),
                                                &filter, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty() || MeshFormatOfPath(path.toStdString())) return path;
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    return path + filter.mid(star + 1, 4);
}

}  // namespace

TForm2::TForm2(SharedState& state) : QWidget(nullptr, FixedWindowFlags()), State(state) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    setFont(FormFont());
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));  // the button face colour
    setPalette(face);
    setAutoFillBackground(true);
    // Every paint covers the whole client area with the frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Only the panel's closing ends the program; closing the viewer hides it.
    setAttribute(Qt::WA_QuitOnClose, false);
    SetClientSize(400, 400);
    move(557, 138);
    SaveMeshDialog = [this] { return AskMeshPath(this); };
    AskExportOptions = [this](const QString& path) -> std::optional<MeshExportOptions> {
        const std::optional<MeshFormat> format = MeshFormatOfPath(path.toStdString());
        MeshExportDialog dialog(this, format && IsPrintFormat(*format));
        dialog.Load(ExportSettings());
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        dialog.Save(ExportSettings());
        return dialog.Options();
    };
    ShowError = [this](const QString& message) {
        QMessageBox::critical(this, windowTitle(), message);
    };
}

void TForm2::SetClientSize(int width, int height) {
    // A window cannot be 0 wide; the size is 0 only while no picture was ever built, when
    // the viewer is hidden anyway.
    setFixedSize(std::max(width, 1), std::max(height, 1));
}

void TForm2::FormPaint(QObject*) {
    framePainted_ = false;
    repaint();
    // A window the system has not exposed yet gets no paint event; FrameBuffer still has to
    // hold the frame it will show, which is what a snapshot saves.
    if (!framePainted_) RenderShownFrame(State, ViewerRenderOptions());
}

void TForm2::paintEvent(QPaintEvent*) {
    RenderShownFrame(State, ViewerRenderOptions());
    framePainted_ = true;
    QPainter(this).drawImage(0, 0, ImageOf(State.FrameBuffer));
}

void TForm2::FormMouseDown(QObject*, Qt::MouseButton, Qt::MouseButtons, int X, int Y) {
    Mouse.LastMouseX = X;
    Mouse.LastMouseY = Y;
}

void TForm2::FormMouseMove(QObject* Sender, Qt::MouseButtons Shift, int X, int Y) {
    if (!(Shift & Qt::RightButton)) return;
    RotationStep(State.Grid, Mouse, X, Y, State.ViewWidth, State.ViewHeight);
    FormPaint(Sender);
}

void TForm2::FormDblClick(QObject* Sender) {
    State.Grid.Wireframe = !State.Grid.Wireframe;
    FormPaint(Sender);
}

void TForm2::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers Shift) {
    if (Key == Qt::Key_E && (Shift & Qt::ControlModifier)) ExportShownModel();
}

void TForm2::ExportShownModel() {
    if (State.Grid.Empty()) return;
    const QString path = SaveMeshDialog();
    if (path.isEmpty()) return;
    const std::optional<MeshExportOptions> options = AskExportOptions(path);
    if (!options) return;
    try {
        ExportShownSolid(State, path.toStdString(), *options);
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
    }
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(this, event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

void TForm2::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    FormMouseDown(this, event->button(), event->buttons(), at.x(), at.y());
}

void TForm2::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    FormMouseMove(this, event->buttons(), at.x(), at.y());
}

void TForm2::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like any other.
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton) FormDblClick(this);
}

}  // namespace vonnik

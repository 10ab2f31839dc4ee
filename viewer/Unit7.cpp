#include "viewer/Unit7.h"

#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "core/picture_io.h"
#include "export/mesh_export.h"
#include "render/render_frame.h"
#include "viewer/export_dialog.h"
#include "viewer/form_style.h"
#include "viewer/frame_blit.h"
#include "viewer/transparent_frame.h"
#include "viewer/turntable.h"

namespace vonnik {

namespace {

// A save dialog; a name typed without a known extension takes the one of the chosen filter.
QString AskSavePath(QWidget* parent, const QString& caption, const QStringList& filters,
                    const std::function<bool(const QString&)>& known) {
    QString filter = filters.first();
    QString path =
        QFileDialog::getSaveFileName(parent, caption, QString(), filters.join(QStringLiteral(";;")),
                                     &filter, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty() || known(path)) return path;
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    const qsizetype close = filter.indexOf(QLatin1Char(')'), star);
    return path + filter.mid(star + 1, close - star - 1);
}

// The file dialog for the mesh.
QString AskMeshPath(QWidget* parent) {
    static const QStringList kFilters = {
        QStringLiteral("glTF binary (*.glb)"), QStringLiteral("Wavefront OBJ (*.obj)"),
        QStringLiteral("Stanford PLY (*.ply)"), QStringLiteral("STL for 3D printing (*.stl)"),
        QStringLiteral("3MF for 3D printing (*.3mf)")};
    return AskSavePath(parent, QStringLiteral("Export the solid"), kFilters, [](const QString& p) {
        return MeshFormatOfPath(p.toStdString()).has_value();
    });
}

QString AskTurntablePath(QWidget* parent) {
    static const QStringList kFilters = {QStringLiteral("Animated GIF (*.gif)"),
                                         QStringLiteral("Animated WebP, lossless (*.webp)"),
                                         QStringLiteral("H.264 video (*.mp4)")};
    return AskSavePath(parent, QStringLiteral("Save a turntable"), kFilters, [](const QString& p) {
        return AnimationFormatOfPath(p.toStdString()).has_value();
    });
}

QString AskPngPath(QWidget* parent) {
    return AskSavePath(
        parent, QStringLiteral("Save the frame"), {QStringLiteral("PNG (*.png)")},
        [](const QString& p) { return p.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive); });
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
    SaveTurntableDialog = [this] { return AskTurntablePath(this); };
    SavePngDialog = [this] { return AskPngPath(this); };
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
    setAcceptDrops(true);
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
    if (!framePainted_) RenderShownFrame(State, AllCoresRenderOptions());
}

void TForm2::paintEvent(QPaintEvent*) {
    RenderShownFrame(State, AllCoresRenderOptions());
    framePainted_ = true;
    QPainter painter(this);
    DrawFrame(painter, State.FrameBuffer);
}

void TForm2::FormMouseDown(QObject*, Qt::MouseButton, Qt::MouseButtons, int X, int Y) {
    Mouse.LastMouseX = X;
    Mouse.LastMouseY = Y;
}

void TForm2::FormMouseMove(QObject* Sender, Qt::MouseButtons Shift, int X, int Y) {
    if (!(Shift & Qt::RightButton)) return;
    DragTo(State, Mouse, X, Y);
    FormPaint(Sender);
}

void TForm2::FormDblClick(QObject* Sender) {
    State.View.Wireframe = !State.View.Wireframe;
    FormPaint(Sender);
}

void TForm2::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers Shift) {
    if (!(Shift & Qt::ControlModifier)) return;
    switch (Key) {
        case Qt::Key_E:
            ExportShownModel();
            break;
        case Qt::Key_T:
            SaveTurntable();
            break;
        case Qt::Key_C:
            CopyShownFrame();
            break;
        case Qt::Key_S:
            SaveShownFramePng();
            break;
        default:
            break;
    }
}

void TForm2::SaveTurntable() {
    if (State.Grid.Empty() || State.FrameBuffer.Empty()) return;
    const QString path = SaveTurntableDialog();
    if (path.isEmpty()) return;
    TurntableOptions options;
    QProgressDialog dialog(QStringLiteral("Drawing and encoding %1 frames...").arg(options.frames),
                           QStringLiteral("Cancel"), 0, 2 * options.frames, this);
    dialog.setWindowTitle(windowTitle());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setValue(0);
    // The turn works on a copy of the model: the viewer keeps showing the model in its pose
    // while the dialog lets it repaint, and a cancelled turn leaves nothing to undo.
    const auto step = [&](int done, int) {
        dialog.setValue(done);
        if (TurntableStepped) TurntableStepped(dialog);
        QCoreApplication::processEvents();
        return !dialog.wasCanceled();
    };
    try {
        WriteTurntable(SceneOf(State), State.ViewWidth, State.ViewHeight, options,
                       path.toStdString(), step);
    } catch (const FileError& e) {
        dialog.reset();
        ShowError(QString::fromStdString(e.what()));
    } catch (const std::bad_alloc&) {
        dialog.reset();
        ShowError(path + QStringLiteral(": not enough memory for the turntable"));
    }
}

void TForm2::CopyShownFrame() {
    if (State.FrameBuffer.Empty()) return;
    QGuiApplication::clipboard()->setImage(ImageOf(State.FrameBuffer));
}

void TForm2::SaveShownFramePng() {
    if (State.Grid.Empty() || State.FrameBuffer.Empty()) return;
    const QString path = SavePngDialog();
    if (path.isEmpty()) return;
    try {
        SaveTransparentPng(SceneOf(State), State.ViewWidth, State.ViewHeight, path.toStdString());
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
    }
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

QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    if (data == nullptr) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

void TForm2::dragEnterEvent(QDragEnterEvent* event) {
    if (DropFiles && !LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm2::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    if (!DropFiles || files.isEmpty()) return;
    event->acceptProposedAction();
    DropFiles(files);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste) && Paste) {
        Paste();
        return;
    }
    const bool rebuild = event->key() == Qt::Key_F5 ||
                         (event->key() == Qt::Key_R && (event->modifiers() & Qt::ControlModifier));
    if (rebuild && Rebuild) {
        Rebuild();
        return;
    }
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

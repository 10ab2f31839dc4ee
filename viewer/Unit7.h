#pragma once

#include <QImage>
#include <QProgressDialog>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "core/picture_io.h"
#include "session/session.h"
#include "viewer/rotation.h"

class QMimeData;

namespace vonnik {

// The local files a drop or the clipboard carries, in their order.
QStringList LocalFiles(const QMimeData* data);

// The viewer: shows FrameBuffer as RenderFrame draws it, turns the model under
// right-button drags and switches to the outlined drawing on a left double click. It owns
// nothing but its last mouse position; the model and the frame are the panel's state.
class TForm2 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm2(SharedState& state);

    // Renders the model into FrameBuffer and shows it before returning; the panel calls it
    // whenever what the frame shows has changed.
    void FormPaint(QObject* Sender);

    // The client area; the user cannot resize it.
    void SetClientSize(int width, int height);

    MouseTrack Mouse;  // LastMouseX, LastMouseY

    // The save dialog for a mesh file: the chosen path, or empty when cancelled.
    std::function<QString()> SaveMeshDialog;
    // The save dialogs for a turntable and for a PNG frame, likewise.
    std::function<QString()> SaveTurntableDialog;
    std::function<QString()> SavePngDialog;
    // Called with the progress dialog after each step of a turntable (tests cancel here).
    std::function<void(QProgressDialog& dialog)> TurntableStepped;
    // The export's choices for that path (MeshExportDialog, remembered between exports), or
    // nothing when cancelled.
    std::function<std::optional<MeshExportOptions>(const QString& path)> AskExportOptions;
    // The application's standard error report.
    std::function<void(const QString& message)> ShowError;
    // Picture files dropped on the viewer, and Ctrl+V in it: the panel builds them.
    std::function<void(const QStringList& paths)> DropFiles;
    std::function<void()> Paste;
    // Ctrl+R and F5: the panel builds the same pictures again.
    std::function<void()> Rebuild;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private slots:
    void FormMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::MouseButtons Shift, int X,
                       int Y);
    void FormMouseMove(QObject* Sender, Qt::MouseButtons Shift, int X, int Y);
    void FormDblClick(QObject* Sender);
    // Ctrl+E: saves the solid on screen as a mesh file (.glb, .obj, .ply, .stl or .3mf).
    // Ctrl+T: saves a turntable of the model on screen (.gif, .webp or .mp4), with a progress
    // dialog that can cancel it. Ctrl+C: copies the frame on screen to the clipboard.
    // Ctrl+S: saves the frame on screen as a PNG, transparent where no triangle is drawn
    // when no background picture is set.
    void FormKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

  private:
    void ExportShownModel();
    void SaveTurntable();
    void CopyShownFrame();
    void SaveShownFramePng();

    SharedState& State;
    bool framePainted_ = false;
};

}  // namespace vonnik

#pragma once

#include <QImage>
#include <QKeySequence>
#include <QList>
#include <QProgressDialog>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/picture_io.h"
#include "session/project_file.h"
#include "session/session.h"
#include "viewer/rotation.h"

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QMimeData;
class QPainter;
class QScrollArea;

namespace vonnik {

class FrameView;

// The local files a drop or the clipboard carries, in their order.
QStringList LocalFiles(const QMimeData* data);

// The viewer: shows FrameBuffer as RenderFrame draws it, turns the model under
// right-button drags and switches to the outlined drawing on a left double click (in hole
// mode a left click makes a hole instead). Below its
// menu bar, which holds every action of the program with its key, the frame is shown at the
// viewer's zoom; the renderer always draws the full-size frame, and saving and copying take
// that. It owns nothing but its last mouse position and the zoom; the model and the frame
// are the panel's state.
class TForm2 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm2(SharedState& state);

    // Renders the model into FrameBuffer and shows it before returning; the panel calls it
    // whenever what the frame shows has changed.
    void FormPaint(QObject* Sender);

    // The frame's size. The viewer shows it at 100 % when it fits the screen's available
    // area below the menu bar, else scaled down to fit; the user cannot resize the window.
    void SetClientSize(int width, int height);

    // The widget that shows the frame at the zoom: its size is the frame's times the zoom,
    // and mouse positions on it are mapped to frame pixels before they turn the model.
    QWidget* FrameArea() const;
    // The zoom: 1 shows every frame pixel as one screen pixel. SetZoom keeps it within
    // kMinZoom .. kMaxZoom; the window follows the zoomed frame up to the screen's size and
    // scrolls beyond it.
    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    // The next step up or down the zoom ladder; the largest zoom at most 1 at which the whole
    // frame fits the screen; 100 %.
    void ZoomIn();
    void ZoomOut();
    void ZoomToFit();
    void ZoomToActualSize();
    double FitZoom() const;
    static constexpr double kMinZoom = 1.0 / 64, kMaxZoom = 16.0;

    // The frame pixel under a position of FrameArea (its integer part: frame pixel x covers
    // [x, x + 1)).
    QPoint FramePoint(QPointF at) const;

    // The menu's action of this object name ("OpenAction", "ZoomInAction", ...), or null.
    QAction* Action(const char* name) const;
    // Every action of the menu bar, in the menus' order.
    const std::vector<QAction*>& Actions() const { return actions_; }

    // Captions in the application's current language.
    void RetranslateUi();

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

    // What the menu reaches beyond the viewer; an action whose hook is empty is disabled.
    // Open a project or a picture, save the project, rebuild with the panel's settings,
    // save the snapshot (the floppy button), return the model to its built pose.
    std::function<void()> OpenFile, SaveProject, Rebuild, SaveSnapshot, ResetPose;
    // Undo and redo, and whether there is a step to undo or redo.
    std::function<void()> Undo, Redo;
    std::function<bool()> CanUndo, CanRedo;
    // Called before the viewer changes the pose: at a drag's first move, and before the
    // outlined mode is switched.
    std::function<void(StepKind kind)> BeforeStep;
    // Live shaping: switched, and whether it is on.
    std::function<void(bool on)> ToggleLive;
    std::function<bool()> LiveEnabled;
    // The language of the captions ("ja", "en"): chosen, and the one in use (empty when
    // none can be chosen).
    std::function<void(const QString& code)> SelectLanguage;
    std::function<QString()> CurrentLanguage;
    // Asks for the background tolerance of the next builds.
    std::function<void()> EditBackgroundTolerance;
    // Holes: in hole mode a left click on the solid hands the picture point under it and the
    // hole diameter to PlaceHole, which makes the hole and rebuilds; ClearHoles takes every
    // hole away again; HasHoles says whether there is one to take away.
    std::function<void(double x, double y, double diameter)> PlaceHole;
    std::function<void()> ClearHoles;
    std::function<bool()> HasHoles;
    // Asks for the diameter of the next holes, in picture pixels (the action
    // "HoleDiameterAction"); nothing when cancelled.
    std::function<std::optional<int>(int current)> AskHoleDiameter;
    bool HoleMode() const { return holeMode_; }
    void SetHoleMode(bool on);
    // The diameter of the next hole: as set, or else a tenth of the picture's smaller side.
    int HoleDiameter() const;

    // Shows a text in a message box: the help on the mouse and keys, the About box.
    using ShowText = std::function<void(const QString& title, const QString& text)>;
    ShowText ShowHelp;
    ShowText ShowAbout;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private slots:
    void FormMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::MouseButtons Shift, int X,
                       int Y);
    void FormMouseMove(QObject* Sender, Qt::MouseButtons Shift, int X, int Y);
    void FormDblClick(QObject* Sender);
    // A key runs the menu action it is the shortcut of, the same as when the window system
    // delivers it as a shortcut; other keys do nothing.
    void FormKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

  private:
    friend class FrameView;

    // Ctrl+E: saves the solid on screen as a mesh file (.glb, .obj, .ply, .stl or .3mf).
    void ExportShownModel();
    // Ctrl+T: saves a turntable of the model on screen (.gif, .webp or .mp4), with a progress
    // dialog that can cancel it.
    void SaveTurntable();
    // Ctrl+C: copies the full-size frame to the clipboard.
    void CopyShownFrame();
    // Ctrl+S: saves the full-size frame as a PNG, transparent where no triangle is drawn
    // when no background picture is set.
    void SaveShownFramePng();

    void CreateMenus();
    QMenu* AddMenu(QMenu* parent, const char* name, const char* source);
    QAction* AddAction(QMenu* menu, const char* name, const char* source,
                       const QList<QKeySequence>& keys, std::function<void()> run);
    void UpdateActions();
    QString HelpText() const;
    void PaintFrame(QPainter& painter);
    void ZoomAt(double zoom, QPointF viewportPosition);
    void Relayout();
    QSize ScreenRoom() const;

    SharedState& State;
    bool framePainted_ = false;
    double zoom_ = 1.0;
    QSize frameSize_{400, 400};
    QMenuBar* menuBar_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    FrameView* view_ = nullptr;
    std::vector<QMenu*> menus_;
    std::vector<QAction*> actions_;
    QMenu* languageMenu_ = nullptr;
    bool holeMode_ = false;
    bool dragStepTaken_ = false;  // the drag under way has recorded its step
    int holeDiameter_ = 0;        // 0: a tenth of the picture's smaller side
};

}  // namespace vonnik

#pragma once

#include <QColor>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "session/build_worker.h"
#include "session/session.h"
#include "session/workspace.h"

class QAction;
class QCheckBox;
class QEventLoop;
class QProgressDialog;
class QImage;
class QLabel;
class QSettings;
class QProgressBar;
class QPushButton;
class QSlider;
class QToolButton;

namespace vonnik {

class TForm1;
class TForm2;

// The open dialog's filters: every picture format the readers know first, then the
// bitmap entry.
QStringList OpenDialogFilters();

// Attaches the viewer to the panel: the panel's state, and the viewer's drops and pastes
// build through the panel.
void ConnectWindows(TForm1& form1, TForm2& form2);

// `vonnik PICTURE [BACK]` or `vonnik PROJECT.vonnik`: the program's arguments after its own
// name; when they name pictures, the panel builds them once the event loop runs, and a
// project it opens. Further arguments are
// reported.
void OpenFromCommandLine(TForm1& form1, const QStringList& arguments);

// A single-line edit whose key-down handler sees every key before the edit does; the key
// is never consumed.
class KeyDownEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    std::function<void(int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The control panel and main window. It owns the one session state that both windows work
// on; the viewer is created beside it and attached through Form2. Its controls and handlers
// are its own: other code and the tests reach the controls by their object names.
class TForm1 : public QWidget {
    Q_OBJECT

  public:
    TForm1();
    ~TForm1() override;

    // The piece of work: the session state with the pictures as loaded, the inputs of the
    // current model's build, the undo history and what a project file keeps beside them.
    // State is its shared state, which both windows work on.
    Workspace Work;
    SharedState& State = Work.State;
    TForm2* Form2 = nullptr;

    // Services the panel calls out to; the tests put recorders in their place.
    // The folder that holds obj/, haikei/ and pic_hozon/: the executable's folder.
    QString BaseFolder;
    // The file-open dialog ("ﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ (*.bmp)"), run modally in the given folder: the
    // chosen path, or empty when cancelled.
    std::function<QString(const QString& initialFolder)> OpenDialog1;
    // The application's standard error report.
    std::function<void(const QString& message)> ShowError;
    // The system's default beep.
    std::function<void()> Beep;
    // Where the settings that outlive a run are kept (the background tolerance).
    std::function<std::unique_ptr<QSettings>()> OpenSettings;
    // Asks for the background tolerance, starting from the current one: the new value, or
    // nothing when cancelled.
    std::function<std::optional<int>(int current)> AskBackgroundTolerance;
    // The dialogs of project files: a project or a picture to open (starting in the given
    // folder), and the path to save the project as (starting from the given one); empty
    // when cancelled.
    std::function<QString(const QString& initialFolder)> OpenFileDialog;
    std::function<QString(const QString& suggested)> SaveProjectDialog;
    // Asks what to do with unsaved changes of a project when the panel is closed: Save,
    // Discard or Cancel (QMessageBox::StandardButton).
    std::function<int()> AskSaveChanges;
    // Called with the dialog that offers to cancel a build once it has run for
    // BuildCancelDelay milliseconds (tests cancel here).
    std::function<void(QProgressDialog& dialog)> BuildCancelOffered;
    int BuildCancelDelay = 500;

    // The background tolerance of the next builds, set from the panel's context menu
    // (the action "ToleranceAction") and remembered in the settings.
    int BackgroundTolerance() const;
    void SetBackgroundTolerance(int tolerance);

    // Builds these files with the panel's settings, as the build button would after its
    // dialogs: the second file, if any, is the back; with one file and double-sided loading
    // checked, the back is asked for. Dropped files, `vonnik PICTURE [BACK]`.
    void BuildFromFiles(QObject* Sender, const QStringList& paths);
    // Opens files as a drop or the command line hands them: a project file (.vonnik) first
    // is opened as a project, anything else is built as BuildFromFiles builds it.
    void OpenFiles(QObject* Sender, const QStringList& paths);
    // Ctrl+O: asks for a project or a picture and opens it.
    void OpenFileClick(QObject* Sender);
    // Replaces the work with the project at path, shown as it was saved; on an error the
    // work stays as it was and the error is reported.
    void OpenProjectFile(QObject* Sender, const QString& path);
    // Ctrl+Shift+S: saves the work as a project file, asking where (the project's own path
    // first). False when cancelled or when the file could not be written.
    bool SaveProjectClick(QObject* Sender);
    // The project file the work was last opened from or saved to; empty before either.
    const QString& ProjectPath() const { return projectPath_; }
    // Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y: the state before the last step, and again after it.
    void UndoClick(QObject* Sender);
    void RedoClick(QObject* Sender);
    // Records the state that a step of this kind is about to change, as one undo step.
    void BeforeStep(StepKind kind);
    // Builds a picture that is no file (the clipboard's), under the given name.
    void BuildFromImage(QObject* Sender, const QImage& image, const QString& name);
    // Ctrl+V: the clipboard's files, or its picture, named "clipboard".
    void PastePicture(QObject* Sender);

    // Ctrl+R and F5, in either window: builds the pictures of the last build again with the
    // panel's numbers and switches, as the build button does but without its dialogs. The
    // viewer keeps its pose and outlined mode. Nothing happens before the first build.
    void RebuildModel(QObject* Sender);
    // The viewer's hole mode: a hole of this diameter about picture point (x, y) of the
    // loaded pictures, made by a rebuild as Ctrl+R makes it; the holes stay through later
    // rebuilds and live shaping until they are cleared or another picture is built.
    void AddHole(QObject* Sender, double x, double y, double diameter);
    void ClearHoles(QObject* Sender);
    const HoleList& Holes() const { return Work.Panel.Holes; }
    // Live shaping (the action "LiveAction", remembered in the settings; off unless turned
    // on): while on, each change of a number field or of the colour-projection and lattice
    // switches rebuilds the pictures of the last build off the window thread, and the new
    // model takes the old one's place in the viewer's pose once it is ready.
    bool LiveShaping() const;
    // Home, and the viewer's menu: the model back in the pose of its build.
    void ResetPoseClick(QObject* Sender);
    void SetLiveShaping(bool on);
    // True while no build started by a change of the panel is waiting or running.
    bool LiveIdle() const { return liveTicket_ == 0; }

    // The status line as last painted at (30, 360); empty once the panel was repainted.
    const QString& StatusText() const { return statusText_; }
    const QColor& StatusColour() const { return statusColour_; }

    // Captions and tooltips in the application's current language.
    void RetranslateUi();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private slots:
    void FormCreate(QObject* Sender);
    void FormClose(QObject* Sender);
    // Draws the light disc and its crosshair; only inside a paint event of the panel.
    void FormPaint(QObject* Sender);
    void FormMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::MouseButtons Shift, int X,
                       int Y);
    void FormMouseMove(QObject* Sender, Qt::MouseButtons Shift, int X, int Y);
    void PickLightPoint(QObject* Sender, int X, int Y);

    void TrackBar1Change(QObject* Sender);
    void CheckBox4Click(QObject* Sender);
    void Button1Click(QObject* Sender);
    void Edit1KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void Edit2KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void Edit3KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void BuildModel(QObject* Sender);
    void Edit1Change(QObject* Sender);
    void Edit2Change(QObject* Sender);
    void Edit3Change(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void CheckBox2Click(QObject* Sender);

    void Button2Click(QObject* Sender);
    void Button3Click(QObject* Sender);
    void SpeedButton1Click(QObject* Sender);
    void ToleranceActionClick(QObject* Sender);

  private:
    using Pictures = std::shared_ptr<LoadedPictures>;

    void CreateControls();
    void CreateBuildControls();
    void CreateLightControls();
    void CreatePictureControls();
    void ConnectHandlers();
    void SetTabOrder();
    void DefaultServices();

    void DrawStatusLine();
    void SetLabel1(const QString& caption);
    QString Label1Caption() const;
    void PaintStatusLine(const QString& text, const QColor& colour);
    void RepaintPanel();
    void SetProgress(int position);
    void ViewerRefresh(QObject* Sender);
    bool ViewerVisible() const;
    void ResizeViewer();
    void ComposeLightDisc();

    // The panel's numbers and switches, with the holes of the current model.
    PanelInputs ReadPanel() const;
    PanelInputs PanelForNewPictures() const;
    QString Folder(const char* name) const;
    QString ChooseExistingFile(const QString& folder);
    std::optional<Raster> LoadOrReport(const QString& path);
    std::optional<Raster> LoadFigureOrReport(const QString& path);
    Pictures LoadBuildPictures(const QString& first, bool doubleSided);
    bool LoadBack(LoadedPictures& pictures);
    void RebuildWithHoles(QObject* Sender, const HoleList& holes);
    void BuildLoaded(QObject* Sender, const PanelInputs& panel, Pictures pictures,
                     PoseOnBuild pose);
    bool RunBuild(const PanelInputs& panel, std::shared_ptr<const LoadedPictures> pictures,
                  PoseOnBuild pose);
    std::optional<BuildWorker::Outcome> BuildOffThread(
        const BuildSettings& settings, std::shared_ptr<const LoadedPictures> pictures,
        const HoleList& holes);
    void BuildFinished(BuildWorker::Outcome outcome);
    void LiveRebuild(QObject* Sender);
    void AdoptLiveBuild(BuildWorker::Outcome outcome);
    void CreateSessionActions();
    void ShowRebuilt(QObject* Sender);
    void CreateToleranceAction();
    void CreateProjectActions();
    void DefaultProjectServices();
    // Shows the work after it was replaced as a whole (undo, redo, a project opened): the
    // panel's controls, the light disc, the background caption and the viewer.
    void ShowWork(QObject* Sender);
    // The panel's caption: "Vonnik!", with the project's name and a mark for unsaved
    // changes once the work is a project.
    void UpdateTitle();
    void TakeHistoryStep(QObject* Sender, bool undo);
    void DefaultPictureServices();
    void EndBuildDisplay();
    void ShowViewer(QObject* Sender);
    std::optional<QString> FirstFreeSnapshot() const;

    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    KeyDownEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr;
    QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr,
              *CheckBox4 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel *StaticText1 = nullptr, *StaticText2 = nullptr, *StaticText3 = nullptr,
           *StaticText4 = nullptr, *StaticText5 = nullptr;
    QAction* ToleranceAction = nullptr;
    QAction* RebuildAction = nullptr;
    QAction* LiveAction = nullptr;

    QString statusText_;
    QColor statusColour_;
    bool discCopyPending_ = false;
    QString projectPath_;
    bool lightAmountStepOpen_ = false;  // a slider drag has recorded its step
    QAction *UndoAction = nullptr, *RedoAction = nullptr, *OpenFileAction = nullptr,
            *SaveProjectAction = nullptr;

    std::uint64_t modalTicket_ = 0;  // the build the panel waits for
    std::uint64_t liveTicket_ = 0;   // the newest build a change of the panel started
    std::optional<BuildWorker::Outcome> modalOutcome_;
    QEventLoop* modalLoop_ = nullptr;
    // Last, so that it is gone (its thread joined) before anything it reports to.
    std::unique_ptr<BuildWorker> worker_;
};

}  // namespace vonnik

// The piece of work as a whole: project files (open, save, the caption that names them),
// and the undo history of the panel's and the viewer's steps.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSlider>
#include <exception>
#include <thread>

#include "app/Unit6.h"
#include "app/file_dialog.h"
#include "core/picture_io.h"
#include "viewer/Unit7.h"

namespace vonnik {

namespace {

QString ProjectFilter() {
    return QCoreApplication::translate("TForm1", "Vonnik! プロジェクト (*.vonnik)");
}

template <typename Control, typename Set>
void SetQuietly(Control* control, Set set) {
    const QSignalBlocker quiet(control);
    set(control);
}

}  // namespace

void TForm1::CreateProjectActions() {
    const auto add = [this](QAction*& action, const char* name, QList<QKeySequence> keys,
                            std::function<void()> run) {
        action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        addAction(action);
        connect(action, &QAction::triggered, this, std::move(run));
    };
    add(UndoAction, "UndoAction", {QKeySequence(Qt::CTRL | Qt::Key_Z)},
        [this] { UndoClick(UndoAction); });
    add(RedoAction, "RedoAction",
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
        [this] { RedoClick(RedoAction); });
    add(OpenFileAction, "OpenFileAction", {QKeySequence(Qt::CTRL | Qt::Key_O)},
        [this] { OpenFileClick(OpenFileAction); });
    add(SaveProjectAction, "SaveProjectAction", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        [this] { SaveProjectClick(SaveProjectAction); });
}

void TForm1::DefaultProjectServices() {
    OpenFileDialog = [this](const QString& initialFolder) {
        QStringList patterns{QStringLiteral("*.vonnik")};
        for (const std::string& pattern : ReadablePicturePatterns())
            patterns << QString::fromStdString(pattern);
        QStringList filters{QCoreApplication::translate("TForm1", "プロジェクトと画像") +
                                QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                                QLatin1Char(')'),
                            ProjectFilter()};
        filters << OpenDialogFilters();
        return RunFileDialog(this, initialFolder, filters, QFileDialog::AcceptOpen,
                             QFileDialog::ExistingFile);
    };
    SaveProjectDialog = [this](const QString& suggested) {
        return RunFileDialog(this, suggested, {ProjectFilter()}, QFileDialog::AcceptSave,
                             QFileDialog::AnyFile, QStringLiteral("vonnik"));
    };
    AskSaveChanges = [this] {
        return static_cast<int>(QMessageBox::question(
            this, windowTitle(),
            QCoreApplication::translate("TForm1", "%1 への変更を保存しますか?")
                .arg(QFileInfo(projectPath_).fileName()),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save));
    };
}

void TForm1::OpenFiles(QObject* Sender, const QStringList& paths) {
    if (!paths.isEmpty() && IsProjectPath(paths.front().toStdString()))
        OpenProjectFile(Sender, paths.front());
    else
        BuildFromFiles(Sender, paths.mid(0, 2));
}

void TForm1::OpenFileClick(QObject* Sender) {
    if (modalLoop_ != nullptr || !OpenFileDialog) return;
    const QString path = OpenFileDialog(Folder("obj"));
    if (!path.isEmpty()) OpenFiles(Sender, {path});
}

void TForm1::OpenProjectFile(QObject* Sender, const QString& path) {
    if (modalLoop_ != nullptr) return;
    liveTicket_ = 0;
    worker_->Cancel();
    // Read and built beside the windows, which keep painting the work as it is; what the
    // user does meanwhile waits, as during a build. The work is replaced only once the
    // project has opened whole.
    Workspace next;
    next.History = UndoHistory(Work.History.MaxBytes());
    const std::string file = path.toStdString();
    std::exception_ptr failure;
    QEventLoop loop;
    modalLoop_ = &loop;
    std::thread opener([&] {
        try {
            OpenProject(next, LoadProject(file), file);
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    opener.join();
    modalLoop_ = nullptr;
    try {
        if (failure) std::rethrow_exception(failure);
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
        return;
    } catch (const BuildError& e) {
        ShowError(path + QStringLiteral(": ") + QString::fromStdString(e.what()));
        return;
    }
    std::swap(next.State.LightDiscBuffer, Work.State.LightDiscBuffer);  // the panel's drawing
    Work = std::move(next);
    projectPath_ = path;
    ShowWork(Sender);
    if (Form2 != nullptr && !State.Grid.Empty()) Form2->SetZoom(Work.Zoom);
}

bool TForm1::SaveProjectClick(QObject*) {
    if (!SaveProjectDialog) return false;
    QString path = SaveProjectDialog(
        projectPath_.isEmpty()
            ? Folder("obj") +
                  QFileInfo(QString::fromStdString(State.PictureName)).completeBaseName() +
                  QStringLiteral(".vonnik")
            : projectPath_);
    if (path.isEmpty()) return false;
    if (!IsProjectPath(path.toStdString())) path += QStringLiteral(".vonnik");
    if (Form2 != nullptr) Work.Zoom = Form2->Zoom();
    try {
        SaveProject(CaptureProject(Work), path.toStdString());
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
        return false;
    }
    MarkSaved(Work);
    projectPath_ = path;
    UpdateTitle();
    return true;
}

void TForm1::BeforeStep(StepKind kind) {
    RecordStep(Work, kind);
    UpdateTitle();
}

void TForm1::UndoClick(QObject* Sender) {
    TakeHistoryStep(Sender, true);
}

void TForm1::RedoClick(QObject* Sender) {
    TakeHistoryStep(Sender, false);
}

void TForm1::TakeHistoryStep(QObject* Sender, bool undo) {
    if (modalLoop_ != nullptr) return;
    // A live rebuild still running would put its model over the state taken back.
    liveTicket_ = 0;
    worker_->Cancel();
    try {
        if (!(undo ? Undo(Work) : Redo(Work))) return;
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
        return;
    }
    ShowWork(Sender);
}

void TForm1::ShowWork(QObject* Sender) {
    // The controls show the work's inputs; none of them starts a build or a step here.
    const PanelInputs& p = Work.Panel;
    SetQuietly(Edit1, [&p](QLineEdit* e) { e->setText(QString::fromStdString(p.PolygonText)); });
    SetQuietly(Edit2, [&p](QLineEdit* e) { e->setText(QString::fromStdString(p.CurvatureText)); });
    SetQuietly(Edit3, [&p](QLineEdit* e) { e->setText(QString::fromStdString(p.ToleranceText)); });
    SetQuietly(CheckBox1, [&p](QCheckBox* c) { c->setChecked(p.ColourProjection); });
    SetQuietly(CheckBox2, [&p](QCheckBox* c) { c->setChecked(p.SpecialPolygon); });
    SetQuietly(CheckBox3, [&p](QCheckBox* c) { c->setChecked(p.DoubleSided); });
    SetQuietly(CheckBox4, [&p](QCheckBox* c) { c->setChecked(p.BackLight); });
    SetQuietly(TrackBar1, [&p](QSlider* s) { s->setValue(p.TrackBarPosition); });
    ComposeLightDisc();
    SetLabel1(Label1Caption());
    RepaintPanel();
    if (State.Grid.Empty()) {
        if (Form2 != nullptr) Form2->hide();
    } else {
        ShowViewer(Sender);
    }
    UpdateTitle();
}

void TForm1::UpdateTitle() {
    // A work that was never a project file keeps the panel's own caption.
    if (projectPath_.isEmpty()) {
        setWindowTitle(QStringLiteral("Vonnik!"));
        setWindowModified(false);
        return;
    }
    setWindowTitle(QFileInfo(projectPath_).fileName() + QStringLiteral("[*] - Vonnik!"));
    setWindowModified(HasUnsavedChanges(Work));
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!projectPath_.isEmpty() && HasUnsavedChanges(Work) && AskSaveChanges) {
        const int answer = AskSaveChanges();
        if (answer == QMessageBox::Cancel ||
            (answer == QMessageBox::Save && !SaveProjectClick(this))) {
            event->ignore();
            return;
        }
    }
    FormClose(this);
    event->accept();
}

}  // namespace vonnik

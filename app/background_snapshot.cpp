// The background picture behind the model, and the snapshots of the shown frame.
//
// The numbering rule of snapshots: for n = 0, 1, ..., 9999 the name is n in exactly four
// digits followed by ".bmp" in pic_hozon/; the frame is saved under the first name at which
// no file exists (so a gap left by a deleted file is filled first), and the save ends with
// the system's beep. When all 10,000 names are taken nothing is saved and there is no sound.
// Nothing is saved before the first build or while the viewer is closed.
#include <QFileInfo>
#include <QLabel>

#include "app/Unit6.h"
#include "core/file_names.h"
#include "core/picture_io.h"

namespace vonnik {

void TForm1::Button2Click(QObject* Sender) {
    const QString path = ChooseExistingFile(Folder("haikei"));
    if (path.isEmpty()) return;
    // Loaded first: a file that cannot be loaded leaves the name, the label and the sizes
    // as they were.
    std::optional<Raster> picture = LoadOrReport(path);
    if (!picture) return;
    BeforeStep(StepKind::kBackground);
    SetBackground(State, FileNameOf(path.toStdString()), std::move(*picture));
    SetLabel1(Label1Caption());
    ResizeViewer();
    ViewerRefresh(Sender);
}

void TForm1::Button3Click(QObject* Sender) {
    if (State.BackgroundName.empty()) return;
    BeforeStep(StepKind::kBackground);
    if (!ClearBackground(State)) return;
    SetLabel1(Label1Caption());
    ResizeViewer();
    ViewerRefresh(Sender);
}

std::optional<QString> TForm1::FirstFreeSnapshot() const {
    const QString folder = Folder("pic_hozon");
    for (int n = 0; n <= 9999; ++n) {
        const QString path = folder + QString::asprintf("%04d.bmp", n);
        if (!QFileInfo::exists(path)) return path;
    }
    return std::nullopt;
}

void TForm1::SpeedButton1Click(QObject*) {
    // Nothing to save before the first build or while the viewer is closed.
    if (State.PictureName.empty() || !ViewerVisible()) return;
    const std::optional<QString> path = FirstFreeSnapshot();
    if (!path) return;
    try {
        // Written under a temporary name and renamed into place: a failed write leaves no
        // numbered file behind.
        SaveFrameBmp(State.FrameBuffer, path->toStdString());
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
        return;
    }
    Beep();
}

}  // namespace vonnik

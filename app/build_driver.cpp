// The window side of a build: validation and the status line, the file dialogs, the
// progress bar, the viewer shown at the end.
#include <QBuffer>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressBar>
#include <QProgressDialog>
#include <QSlider>
#include <QTimer>
#include <new>

#include "app/Unit6.h"
#include "core/figure_key.h"
#include "core/file_names.h"
#include "core/picture_io.h"
#include "viewer/Unit7.h"

namespace vonnik {

namespace {

// Read when painted: the language may change while the program runs.
QString InvalidInputText() {
    return QCoreApplication::translate("TForm1", "入力値が不正です") + QString(10, QChar(0x3000));
}
QString BuildingText() {
    return QCoreApplication::translate("TForm1", "立体化処理中...") + QString(10, QChar(0x3000));
}
const QString kBlankLine(12, QChar(0x3000));
const QColor kRed(0xFF, 0x00, 0x00);  // the status line's colour for invalid input

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

void TForm1::Button1Click(QObject* Sender) {
    BuildModel(Sender);
}

void TForm1::Edit1KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers) {
    if (IsEnter(Key)) BuildModel(Sender);
}

void TForm1::Edit2KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers) {
    if (IsEnter(Key)) BuildModel(Sender);
}

void TForm1::Edit3KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers) {
    if (IsEnter(Key)) BuildModel(Sender);
}

PanelInputs TForm1::ReadPanel() const {
    PanelInputs panel;
    panel.PolygonText = Edit1->text().toStdString();
    panel.CurvatureText = Edit2->text().toStdString();
    panel.ToleranceText = Edit3->text().toStdString();
    panel.ColourProjection = CheckBox1->isChecked();
    panel.SpecialPolygon = CheckBox2->isChecked();
    panel.DoubleSided = CheckBox3->isChecked();
    panel.BackLight = CheckBox4->isChecked();
    panel.TrackBarPosition = TrackBar1->value();
    panel.Holes = Work.Panel.Holes;
    return panel;
}

PanelInputs TForm1::PanelForNewPictures() const {
    PanelInputs panel = ReadPanel();
    panel.Holes.clear();  // holes are made in the pictures they were placed on
    return panel;
}

QString TForm1::Folder(const char* name) const {
    return QDir(BaseFolder).filePath(QString::fromLatin1(name)) + QLatin1Char('/');
}

QString TForm1::ChooseExistingFile(const QString& folder) {
    const QString path = OpenDialog1(folder);
    // Cancelled, or a typed name that is not there: the action ends silently.
    if (path.isEmpty() || !QFileInfo(path).isFile()) return QString();
    return path;
}

std::optional<Raster> TForm1::LoadOrReport(const QString& path) {
    try {
        return LoadPicture(path.toStdString());
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
        return std::nullopt;
    }
}

std::optional<Raster> TForm1::LoadFigureOrReport(const QString& path) {
    FigureOptions options;
    options.backgroundTolerance = BackgroundTolerance();
    try {
        return LoadFigurePicture(path.toStdString(), options);
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
        return std::nullopt;
    }
}

bool TForm1::LoadBack(LoadedPictures& pictures) {
    const QString second = ChooseExistingFile(Folder("obj"));
    if (second.isEmpty()) return false;
    std::optional<Raster> back = LoadFigureOrReport(second);
    if (!back) return false;
    pictures.Back = std::move(*back);
    pictures.BackSource = second.toStdString();
    return true;
}

TForm1::Pictures TForm1::LoadBuildPictures(const QString& first, bool doubleSided) {
    std::optional<Raster> front = LoadFigureOrReport(first);
    if (!front) return nullptr;
    auto pictures = std::make_shared<LoadedPictures>();
    pictures->Name = FileNameOf(first.toStdString());
    pictures->Front = std::move(*front);
    pictures->FrontSource = first.toStdString();
    // One-sided: the same file on both sides.
    if (doubleSided && !LoadBack(*pictures)) return nullptr;
    return pictures;
}

void TForm1::SetProgress(int position) {
    ProgressBar1->setValue(position);
    ProgressBar1->repaint();
}

void TForm1::BuildModel(QObject* Sender) {
    if (!CaptureSettings(ReadPanel())) {
        PaintStatusLine(InvalidInputText(), kRed);
        return;
    }
    const QString first = ChooseExistingFile(Folder("obj"));
    if (first.isEmpty()) return;
    const PanelInputs panel = PanelForNewPictures();
    // Both pictures are loaded before anything changes: a build that stops here leaves
    // the settings, the pictures and the model as they were.
    Pictures pictures = LoadBuildPictures(first, panel.DoubleSided);
    if (!pictures) return;
    BuildLoaded(Sender, panel, std::move(pictures), PoseOnBuild::kReset);
}

void TForm1::BuildFromFiles(QObject* Sender, const QStringList& paths) {
    if (paths.isEmpty()) return;
    if (!CaptureSettings(ReadPanel())) {
        PaintStatusLine(InvalidInputText(), kRed);
        return;
    }
    const PanelInputs panel = PanelForNewPictures();
    Pictures pictures = LoadBuildPictures(paths[0], panel.DoubleSided && paths.size() == 1);
    if (!pictures) return;
    if (paths.size() > 1) {
        std::optional<Raster> back = LoadFigureOrReport(paths[1]);
        if (!back) return;
        pictures->Back = std::move(*back);
        pictures->BackSource = paths[1].toStdString();
    }
    BuildLoaded(Sender, panel, std::move(pictures), PoseOnBuild::kReset);
}

void TForm1::BuildFromImage(QObject* Sender, const QImage& image, const QString& name) {
    if (!CaptureSettings(ReadPanel())) {
        PaintStatusLine(InvalidInputText(), kRed);
        return;
    }
    const PanelInputs panel = PanelForNewPictures();
    auto pictures = std::make_shared<LoadedPictures>();
    try {
        // Through the same reader, limits and keying as a file.
        if (static_cast<std::uint64_t>(image.width()) * static_cast<std::uint64_t>(image.height()) >
            kMaxPicturePixels)
            throw FileError(name.toStdString(), "the picture is too large");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (image.isNull() || !image.save(&buffer, "PNG"))
            throw FileError(name.toStdString(), "holds no picture that can be read");
        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        FigureOptions options;
        options.backgroundTolerance = BackgroundTolerance();
        pictures->Front = DecodeFigurePicture(buffer, name.toStdString(), options);
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
        return;
    }
    pictures->Name = name.toStdString();
    pictures->FrontSource = name.toStdString();
    if (panel.DoubleSided && !LoadBack(*pictures)) return;
    BuildLoaded(Sender, panel, std::move(pictures), PoseOnBuild::kReset);
}

void TForm1::RebuildModel(QObject* Sender) {
    RebuildWithHoles(Sender, Work.Panel.Holes);
}

void TForm1::AddHole(QObject* Sender, double x, double y, double diameter) {
    HoleList holes = Work.Panel.Holes;
    holes.push_back({x, y, diameter});
    RebuildWithHoles(Sender, holes);
}

void TForm1::ClearHoles(QObject* Sender) {
    if (!Work.Panel.Holes.empty()) RebuildWithHoles(Sender, {});
}

void TForm1::RebuildWithHoles(QObject* Sender, const HoleList& holes) {
    if (!State.Loaded) return;
    PanelInputs panel = ReadPanel();
    if (!CaptureSettings(panel)) {
        PaintStatusLine(InvalidInputText(), kRed);
        return;
    }
    panel.Holes = holes;
    BuildLoaded(Sender, panel, std::const_pointer_cast<LoadedPictures>(State.Loaded),
                PoseOnBuild::kKeep);
}

void TForm1::BuildLoaded(QObject* Sender, const PanelInputs& panel, Pictures pictures,
                         PoseOnBuild pose) {
    RepaintPanel();
    PaintStatusLine(BuildingText(), Qt::black);
    SetProgress(5);
    if (!RunBuild(panel, std::move(pictures), pose)) return;
    SetProgress(100);
    ShowViewer(Sender);
    PaintStatusLine(kBlankLine, Qt::black);
    SetProgress(0);
    Beep();
}

bool TForm1::RunBuild(const PanelInputs& panel, std::shared_ptr<const LoadedPictures> pictures,
                      PoseOnBuild pose) {
    const std::optional<BuildSettings> settings = CaptureSettings(panel);
    std::optional<BuildWorker::Outcome> outcome;
    if (settings) outcome = BuildOffThread(*settings, pictures, panel.Holes);
    if (outcome && outcome->model) {
        if (pictures != State.Loaded) Work.BackgroundTolerance = BackgroundTolerance();
        AdoptBuildAsStep(Work, panel, std::move(pictures), std::move(*outcome->model), pose);
        UpdateTitle();
        return true;
    }
    // The state is as before the build; so is the panel once the report is read.
    EndBuildDisplay();
    if (outcome && !outcome->error.empty())
        ShowError(QString::fromStdString(pictures->Name) + QStringLiteral(": ") +
                  QString::fromStdString(outcome->error));
    return false;
}

std::optional<BuildWorker::Outcome> TForm1::BuildOffThread(
    const BuildSettings& settings, std::shared_ptr<const LoadedPictures> pictures,
    const HoleList& holes) {
    // The windows keep painting while the build runs; what the user does meanwhile waits,
    // and after BuildCancelDelay a dialog offers to cancel the build.
    liveTicket_ = 0;
    modalOutcome_.reset();
    modalTicket_ = worker_->Start({settings, std::move(pictures), holes});
    QEventLoop loop;
    modalLoop_ = &loop;
    constexpr int kOfferCancel = 1;
    QTimer offer;
    offer.setSingleShot(true);
    connect(&offer, &QTimer::timeout, &loop, [&loop] { loop.exit(kOfferCancel); });
    offer.start(BuildCancelDelay);
    if (!modalOutcome_ && loop.exec(QEventLoop::ExcludeUserInputEvents) == kOfferCancel &&
        !modalOutcome_) {
        QProgressDialog dialog(BuildingText().trimmed(),
                               QCoreApplication::translate("TForm1", "キャンセル"), 0, 0, this);
        dialog.setWindowTitle(windowTitle());
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(0);
        connect(&dialog, &QProgressDialog::canceled, this, [this] { worker_->Cancel(); });
        dialog.show();
        if (BuildCancelOffered) BuildCancelOffered(dialog);
        if (!modalOutcome_) loop.exec();
    }
    modalLoop_ = nullptr;
    modalTicket_ = 0;
    return std::exchange(modalOutcome_, std::nullopt);
}

void TForm1::BuildFinished(BuildWorker::Outcome outcome) {
    if (outcome.ticket == modalTicket_) {
        modalOutcome_ = std::move(outcome);
        if (modalLoop_ != nullptr) modalLoop_->quit();
    } else if (outcome.ticket == liveTicket_) {
        liveTicket_ = 0;
        AdoptLiveBuild(std::move(outcome));
    }
}

void TForm1::EndBuildDisplay() {
    PaintStatusLine(kBlankLine, Qt::black);
    SetProgress(0);
}

void TForm1::ShowViewer(QObject* Sender) {
    if (Form2 == nullptr) return;
    Form2->setWindowTitle(QString::fromStdString(State.PictureName));
    ResizeViewer();
    Form2->show();
    Form2->FormPaint(Sender);
}

}  // namespace vonnik

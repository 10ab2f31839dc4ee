// The window side of a build: validation and the status line, the file dialogs, the
// progress bar, the viewer shown at the end.
#include <QBuffer>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QSlider>
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

std::optional<Raster> TForm1::AskForBack() {
    const QString second = ChooseExistingFile(Folder("obj"));
    if (second.isEmpty()) return std::nullopt;
    return LoadFigureOrReport(second);
}

std::optional<TForm1::BuildPictures> TForm1::LoadBuildPictures(const QString& first,
                                                               bool doubleSided) {
    std::optional<Raster> front = LoadFigureOrReport(first);
    if (!front) return std::nullopt;
    if (!doubleSided) {
        Raster back = *front;  // the same file on both sides
        return BuildPictures{std::move(*front), std::move(back)};
    }
    std::optional<Raster> back = AskForBack();
    if (!back) return std::nullopt;
    return BuildPictures{std::move(*front), std::move(*back)};
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
    const PanelInputs panel = ReadPanel();
    // Both pictures are loaded before anything changes: a build that stops here leaves
    // the settings, the pictures and the model as they were.
    std::optional<BuildPictures> pictures = LoadBuildPictures(first, panel.DoubleSided);
    if (!pictures) return;
    BuildLoaded(Sender, panel, QString::fromStdString(FileNameOf(first.toStdString())),
                std::move(*pictures));
}

void TForm1::BuildFromFiles(QObject* Sender, const QStringList& paths) {
    if (paths.isEmpty()) return;
    if (!CaptureSettings(ReadPanel())) {
        PaintStatusLine(InvalidInputText(), kRed);
        return;
    }
    const PanelInputs panel = ReadPanel();
    std::optional<BuildPictures> pictures;
    if (paths.size() == 1) {
        pictures = LoadBuildPictures(paths[0], panel.DoubleSided);
    } else {
        std::optional<Raster> front = LoadFigureOrReport(paths[0]);
        if (!front) return;
        std::optional<Raster> back = LoadFigureOrReport(paths[1]);
        if (!back) return;
        pictures = BuildPictures{std::move(*front), std::move(*back)};
    }
    if (!pictures) return;
    BuildLoaded(Sender, panel, QString::fromStdString(FileNameOf(paths[0].toStdString())),
                std::move(*pictures));
}

void TForm1::BuildFromImage(QObject* Sender, const QImage& image, const QString& name) {
    if (!CaptureSettings(ReadPanel())) {
        PaintStatusLine(InvalidInputText(), kRed);
        return;
    }
    const PanelInputs panel = ReadPanel();
    std::optional<Raster> front;
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
        front = DecodeFigurePicture(buffer, name.toStdString(), options);
    } catch (const FileError& e) {
        ShowError(QString::fromStdString(e.what()));
        return;
    }
    std::optional<Raster> back = panel.DoubleSided ? AskForBack() : front;
    if (!back) return;
    BuildLoaded(Sender, panel, name, BuildPictures{std::move(*front), std::move(*back)});
}

void TForm1::BuildLoaded(QObject* Sender, const PanelInputs& panel, const QString& name,
                         BuildPictures pictures) {
    RepaintPanel();
    PaintStatusLine(BuildingText(), Qt::black);
    SetProgress(5);
    if (!RunBuild(panel, name, std::move(pictures))) return;
    SetProgress(100);
    ShowViewer(Sender);
    PaintStatusLine(kBlankLine, Qt::black);
    SetProgress(0);
    Beep();
}

bool TForm1::RunBuild(const PanelInputs& panel, const QString& name, BuildPictures pictures) {
    QString failure;
    try {
        BuildIntoState(State, panel, name.toStdString(), std::move(pictures.front),
                       std::move(pictures.back), [this](int position) { SetProgress(position); });
        return true;
    } catch (const BuildError& e) {
        failure = QString::fromStdString(e.what());
    } catch (const std::bad_alloc&) {
        failure = QStringLiteral("not enough memory for the model");
    }
    // The state is as before the build; so is the panel once the report is read.
    EndBuildDisplay();
    ShowError(name + QStringLiteral(": ") + failure);
    return false;
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

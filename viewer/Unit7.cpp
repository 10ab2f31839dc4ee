#include "viewer/Unit7.h"

#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/picture_io.h"
#include "export/animation.h"
#include "export/mesh_export.h"
#include "render/render_frame.h"
#include "viewer/export_dialog.h"
#include "viewer/form_style.h"
#include "viewer/frame_blit.h"
#include "viewer/picture_pick.h"
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

// A file dialog's filters, one per row of a format table: "glTF binary (*.glb)".
template <typename Row>
QStringList FiltersOf(std::span<const Row> rows) {
    QStringList filters;
    for (const Row& row : rows)
        filters << QStringLiteral("%1 (*.%2)")
                       .arg(QString::fromUtf8(row.label), QString::fromUtf8(row.extension));
    return filters;
}

// The file dialog for the mesh.
QString AskMeshPath(QWidget* parent) {
    static const QStringList kFilters = FiltersOf(MeshFormats());
    return AskSavePath(
        parent, QCoreApplication::translate("TForm2", "立体を書き出す"), kFilters,
        [](const QString& p) { return MeshFormatOfPath(p.toStdString()).has_value(); });
}

QString AskTurntablePath(QWidget* parent) {
    static const QStringList kFilters = FiltersOf(AnimationFormats());
    return AskSavePath(
        parent, QCoreApplication::translate("TForm2", "回転アニメーションを保存"), kFilters,
        [](const QString& p) { return AnimationFormatOfPath(p.toStdString()).has_value(); });
}

QString AskPngPath(QWidget* parent) {
    return AskSavePath(parent, QCoreApplication::translate("TForm2", "画像を PNG で保存"),
                       {QStringLiteral("PNG (*.png)")}, [](const QString& p) {
                           return p.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
                       });
}

// The zoom ladder that Ctrl+plus and Ctrl+minus climb.
constexpr double kZoomSteps[] = {1.0 / 64, 1.0 / 32, 1.0 / 16, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3,
                                 1.0 / 2,  2.0 / 3,  3.0 / 4,  1.0,     3.0 / 2, 2.0,     3.0,
                                 4.0,      6.0,      8.0,      12.0,    16.0};

double ZoomStepAbove(double zoom) {
    for (const double step : kZoomSteps)
        if (step > zoom * (1 + 1e-9)) return step;
    return zoom;
}

double ZoomStepBelow(double zoom) {
    for (auto step = std::rbegin(kZoomSteps); step != std::rend(kZoomSteps); ++step)
        if (*step < zoom * (1 - 1e-9)) return *step;
    return zoom;
}

// The window's border and caption before the window system has told their size.
const QSize kUsualWindowFrame(16, 40);

}  // namespace

// The frame at the viewer's zoom, inside the viewer's scroll area. Its mouse positions are
// mapped to frame pixels before they reach the viewer's handlers.
class FrameView : public QWidget {
  public:
    explicit FrameView(TForm2& owner) : owner_(owner) {
        setObjectName(QStringLiteral("FrameArea"));
        // Every paint covers the whole widget with the frame.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_.PaintFrame(painter);
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint at = owner_.FramePoint(event->position());
        owner_.FormMouseDown(&owner_, event->button(), event->buttons(), at.x(), at.y());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint at = owner_.FramePoint(event->position());
        owner_.FormMouseMove(&owner_, event->buttons(), at.x(), at.y());
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        // In hole mode the first click has made the hole; the second does nothing.
        if (owner_.HoleMode()) return;
        // The second press of a double click is a press like any other.
        mousePressEvent(event);
        if (event->button() == Qt::LeftButton) owner_.FormDblClick(&owner_);
    }
    void wheelEvent(QWheelEvent* event) override {
        // Without Ctrl the wheel scrolls: the scroll area gets the event.
        if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
            event->ignore();
            return;
        }
        const QPointF inViewport = mapTo(owner_.scroll_->viewport(), event->position());
        const double zoom = owner_.Zoom();
        owner_.ZoomAt(event->angleDelta().y() > 0 ? ZoomStepAbove(zoom) : ZoomStepBelow(zoom),
                      inViewport);
        event->accept();
    }

  private:
    TForm2& owner_;
};

TForm2::TForm2(SharedState& state) : QWidget(nullptr, FixedWindowFlags()), State(state) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    setFont(FormFont());
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));  // the button face colour
    setPalette(face);
    setAutoFillBackground(true);
    // Only the panel's closing ends the program; closing the viewer hides it.
    setAttribute(Qt::WA_QuitOnClose, false);

    view_ = new FrameView(*this);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("FrameScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setWidgetResizable(false);
    scroll_->setWidget(view_);
    CreateMenus();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setMenuBar(menuBar_);
    layout->addWidget(scroll_);
    RetranslateUi();
    SetClientSize(400, 400);

    SaveMeshDialog = [this] { return AskMeshPath(this); };
    SaveTurntableDialog = [this] { return AskTurntablePath(this); };
    SavePngDialog = [this] { return AskPngPath(this); };
    AskExportOptions = [this](const QString& path) -> std::optional<MeshExportOptions> {
        const std::optional<MeshFormat> format = MeshFormatOfPath(path.toStdString());
        MeshExportDialog dialog(this, format && IsPrintFormat(*format),
                                format && RowOf(*format).filaments);
        dialog.Load(ExportSettings());
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        dialog.Save(ExportSettings());
        return dialog.Options();
    };
    ShowError = [this](const QString& message) {
        QMessageBox::critical(this, windowTitle(), message);
    };
    ShowHelp = [this](const QString& title, const QString& text) {
        QMessageBox::information(this, title, text);
    };
    ShowAbout = [this](const QString& title, const QString& text) {
        QMessageBox::about(this, title, text);
    };
    AskHoleDiameter = [this](int current) -> std::optional<int> {
        bool ok = false;
        const int diameter = QInputDialog::getInt(
            this, windowTitle(),
            QCoreApplication::translate("TForm2", "穴の直径 (画像のピクセル数):"), current, 1,
            100000, 1, &ok);
        if (!ok) return std::nullopt;
        return diameter;
    };
    setAcceptDrops(true);
}

QWidget* TForm2::FrameArea() const {
    return view_;
}

void TForm2::SetClientSize(int width, int height) {
    // A frame cannot be 0 wide; the size is 0 only while no picture was ever built, when
    // the viewer is hidden anyway.
    frameSize_ = QSize(std::max(width, 1), std::max(height, 1));
    zoom_ = FitZoom();
    Relayout();
}

QSize TForm2::ScreenRoom() const {
    const QScreen* on = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const QSize available = on != nullptr ? on->availableGeometry().size() : QSize(1024, 768);
    QSize border = frameGeometry().size() - geometry().size();
    if (border.isEmpty()) border = kUsualWindowFrame;
    const int menu = menuBar_->sizeHint().height();
    return QSize(std::max(available.width() - border.width(), 1),
                 std::max(available.height() - border.height() - menu, 1));
}

double TForm2::FitZoom() const {
    const QSize room = ScreenRoom();
    return std::min({1.0, static_cast<double>(room.width()) / frameSize_.width(),
                     static_cast<double>(room.height()) / frameSize_.height()});
}

void TForm2::Relayout() {
    const QSize shown(std::max(1, static_cast<int>(std::lround(frameSize_.width() * zoom_))),
                      std::max(1, static_cast<int>(std::lround(frameSize_.height() * zoom_))));
    view_->resize(shown);
    // The window holds the zoomed frame when the screen has room for it, else it fills the
    // room and scrolls; a scroll bar takes room from the other direction.
    const QSize room = ScreenRoom();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
    bool across = shown.width() > room.width(), down = shown.height() > room.height();
    across = shown.width() > room.width() - (down ? bar : 0);
    down = shown.height() > room.height() - (across ? bar : 0);
    const int width = std::min(shown.width() + (down ? bar : 0), room.width());
    const int height = std::min(shown.height() + (across ? bar : 0), room.height());
    setFixedSize(width, menuBar_->sizeHint().height() + height);
    if (isVisible() && screen() != nullptr) {
        // A window grown by a zoom is moved back onto the screen, where it fits.
        const QRect room = screen()->availableGeometry();
        const QRect frame = frameGeometry();
        const QPoint at(std::clamp(frame.x(), room.left(),
                                   std::max(room.left(), room.right() + 1 - frame.width())),
                        std::clamp(frame.y(), room.top(),
                                   std::max(room.top(), room.bottom() + 1 - frame.height())));
        if (at != frame.topLeft()) move(at);
    }
}

void TForm2::SetZoom(double zoom) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    Relayout();
    view_->update();
}

void TForm2::ZoomAt(double zoom, QPointF viewportPosition) {
    // The frame point under the position stays where it is.
    QScrollBar* across = scroll_->horizontalScrollBar();
    QScrollBar* down = scroll_->verticalScrollBar();
    const QPointF framePoint = (viewportPosition + QPointF(across->value(), down->value())) / zoom_;
    SetZoom(zoom);
    across->setValue(static_cast<int>(std::lround(framePoint.x() * zoom_ - viewportPosition.x())));
    down->setValue(static_cast<int>(std::lround(framePoint.y() * zoom_ - viewportPosition.y())));
}

void TForm2::ZoomIn() {
    SetZoom(ZoomStepAbove(zoom_));
}

void TForm2::ZoomOut() {
    SetZoom(ZoomStepBelow(zoom_));
}

void TForm2::ZoomToFit() {
    SetZoom(FitZoom());
}

void TForm2::ZoomToActualSize() {
    SetZoom(1.0);
}

QPoint TForm2::FramePoint(QPointF at) const {
    // Per axis, as the frame is stretched over the view's whole pixels; multiplied before
    // divided, so that whole multiples of the zoom map to whole frame pixels exactly.
    return QPoint(static_cast<int>(std::floor(at.x() * frameSize_.width() / view_->width())),
                  static_cast<int>(std::floor(at.y() * frameSize_.height() / view_->height())));
}

void TForm2::FormPaint(QObject*) {
    framePainted_ = false;
    view_->repaint();
    // A window the system has not exposed yet gets no paint event; FrameBuffer still has to
    // hold the frame it will show, which is what a snapshot saves.
    if (!framePainted_) RenderShownFrame(State, AllCoresRenderOptions());
}

void TForm2::PaintFrame(QPainter& painter) {
    RenderShownFrame(State, AllCoresRenderOptions());
    framePainted_ = true;
    DrawFrameScaled(painter, State.FrameBuffer, view_->rect());
}

void TForm2::FormMouseDown(QObject*, Qt::MouseButton Button, Qt::MouseButtons, int X, int Y) {
    Mouse.LastMouseX = X;
    Mouse.LastMouseY = Y;
    dragStepTaken_ = false;
    if (!holeMode_ || Button != Qt::LeftButton || !PlaceHole) return;
    // The picture point the solid shows at the middle of the frame pixel clicked.
    const std::optional<PicturePoint> at =
        PicturePointAt(State.Grid, State.ViewWidth, State.ViewHeight, X + 0.5, Y + 0.5);
    if (at) PlaceHole(at->x, at->y, HoleDiameter());
}

void TForm2::SetHoleMode(bool on) {
    holeMode_ = on;
    if (on)
        view_->setCursor(Qt::CrossCursor);
    else
        view_->unsetCursor();
}

int TForm2::HoleDiameter() const {
    if (holeDiameter_ > 0) return holeDiameter_;
    const int side = std::min(State.FrontPicture.Width(), State.FrontPicture.Height());
    return std::max(1, (side + 5) / 10);
}

void TForm2::FormMouseMove(QObject* Sender, Qt::MouseButtons Shift, int X, int Y) {
    if (!(Shift & Qt::RightButton)) return;
    if (!dragStepTaken_ && !State.Grid.Empty() && BeforeStep) BeforeStep(StepKind::kDrag);
    dragStepTaken_ = true;
    DragTo(State, Mouse, X, Y);
    FormPaint(Sender);
}

void TForm2::FormDblClick(QObject* Sender) {
    if (BeforeStep) BeforeStep(StepKind::kOutlined);
    State.View.Wireframe = !State.View.Wireframe;
    FormPaint(Sender);
}

void TForm2::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers Shift) {
    UpdateActions();  // a hook may have been set since the menu was last opened
    const Qt::KeyboardModifiers held = Shift & ~Qt::KeypadModifier;
    const QKeySequence pressed(QKeyCombination(held, Qt::Key(Key)));
    // A symbol typed with Shift (Ctrl++ on most layouts) also matches without it.
    const QKeySequence unshifted(QKeyCombination(held & ~Qt::ShiftModifier, Qt::Key(Key)));
    QAction* exact = nullptr;
    QAction* loose = nullptr;
    for (QAction* action : actions_)
        for (const QKeySequence& key : action->shortcuts()) {
            if (key == pressed && exact == nullptr) exact = action;
            if (key == unshifted && loose == nullptr) loose = action;
        }
    QAction* run = exact != nullptr ? exact : loose;
    if (run != nullptr && run->isEnabled()) run->trigger();
}

void TForm2::SaveTurntable() {
    if (State.Grid.Empty() || State.FrameBuffer.Empty()) return;
    const QString path = SaveTurntableDialog();
    if (path.isEmpty()) return;
    TurntableOptions options;
    QProgressDialog dialog(
        QCoreApplication::translate("TForm2", "%1 コマを描画して書き出しています...")
            .arg(options.frames),
        QCoreApplication::translate("TForm2", "キャンセル"), 0, 2 * options.frames, this);
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
        ShowError(QCoreApplication::translate("TForm2",
                                              "%1: 回転アニメーションに必要なメモリが足りません")
                      .arg(path));
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
    FormKeyDown(this, event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

void TForm2::showEvent(QShowEvent* event) {
    UpdateActions();
    QWidget::showEvent(event);
}

void TForm2::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) RetranslateUi();
    QWidget::changeEvent(event);
}

}  // namespace vonnik

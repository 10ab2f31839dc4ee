#include "app/Unit6.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "app/file_dialog.h"
#include "app/floppy_glyph.h"
#include "viewer/Unit7.h"
#include "viewer/form_style.h"

namespace vonnik {

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);  // silver, the panel's colour
const QColor kGray(0x80, 0x80, 0x80);    // grey, the disc's outline

// What LightDiscBuffer covers, and the disc's bounding box (right and bottom excluded).
const QRect kLightDiscArea(0, 0, LightDisc::kAreaWidth, LightDisc::kAreaHeight);
const QRect kLightDiscBox(LightDisc::kCentreX - LightDisc::kRadius,
                          LightDisc::kCentreY - LightDisc::kRadius, 2 * LightDisc::kRadius,
                          2 * LightDisc::kRadius);
const QPoint kStatusOrigin(30, 360);

template <typename Control>
Control* Place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QLabel* StaticText(QWidget* parent, const char* name, const QString& text, QRect box) {
    QLabel* label = Place<QLabel>(parent, name, box.x(), box.y(), box.width(), box.height());
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The white disc with its grey rim, and the black crosshair on the light point.
void DrawLightDisc(QPainter& painter, int px, int py) {
    painter.setPen(kGray);
    painter.setBrush(Qt::white);
    // A pen-drawn rectangle covers one pixel more than its size; the box excludes its
    // right and bottom edge.
    painter.drawEllipse(kLightDiscBox.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    // Each arm covers the 11 pixels from p - 5 to p + 5.
    painter.drawLine(px - 5, py, px + 5, py);
    painter.drawLine(px, py - 5, px, py + 5);
}

}  // namespace

void KeyDownEdit::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyDown) OnKeyDown(key, event->modifiers());
    QLineEdit::keyPressEvent(event);
}

TForm1::TForm1() : QWidget(nullptr, FixedWindowFlags()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vonnik!"));
    setFont(FormFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kSilver);
    colours.setColor(QPalette::WindowText, Qt::black);  // the panel's text colour
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(200, 393);
    CreateControls();
    CreateToleranceAction();
    CreateSessionActions();
    CreateProjectActions();
    RetranslateUi();
    ConnectHandlers();
    SetTabOrder();
    DefaultServices();
    DefaultPictureServices();
    DefaultProjectServices();
    FormCreate(this);
}

void TForm1::CreateControls() {
    CreateLightControls();
    CreatePictureControls();
    CreateBuildControls();
}

void TForm1::CreateLightControls() {
    StaticText5 = StaticText(this, "StaticText5", QString(), {7, 7, 28, 16});
    StaticText4 = StaticText(this, "StaticText4", QString(), {112, 20, 28, 16});
    TrackBar1 = Place<QSlider>(this, "TrackBar1", 104, 32, 81, 41);
    TrackBar1->setOrientation(Qt::Horizontal);
    TrackBar1->setRange(100, 500);
    TrackBar1->setValue(100);
    TrackBar1->setSingleStep(1);
    TrackBar1->setPageStep(2);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(400);  // ticks only at the two ends
    CheckBox4 = Place<QCheckBox>(this, "CheckBox4", 112, 72, 49, 17);
}

void TForm1::CreatePictureControls() {
    Button2 = Place<QPushButton>(this, "Button2", 24, 104, 89, 25);
    Button3 = Place<QPushButton>(this, "Button3", 128, 104, 49, 25);
    Label1 = Place<QLabel>(this, "Label1", 24, 136, 50, 12);
    SpeedButton1 = Place<QToolButton>(this, "SpeedButton1", 160, 298, 23, 22);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setIcon(QIcon(FloppyGlyph()));
    SpeedButton1->setIconSize(FloppyGlyph().size());
}

void TForm1::CreateBuildControls() {
    Edit1 = Place<KeyDownEdit>(this, "Edit1", 24, 160, 41, 20);
    Edit1->setText(QStringLiteral("8"));
    StaticText1 = StaticText(this, "StaticText1", QString(), {76, 164, 88, 16});
    Edit2 = Place<KeyDownEdit>(this, "Edit2", 24, 184, 41, 20);
    Edit2->setText(QStringLiteral("100"));
    StaticText2 = StaticText(this, "StaticText2", QString(), {76, 188, 52, 16});
    Edit3 = Place<KeyDownEdit>(this, "Edit3", 24, 208, 41, 20);
    Edit3->setText(QStringLiteral("110"));
    StaticText3 = StaticText(this, "StaticText3", QString(), {76, 212, 64, 16});
    CheckBox1 = Place<QCheckBox>(this, "CheckBox1", 24, 234, 105, 17);
    CheckBox2 = Place<QCheckBox>(this, "CheckBox2", 24, 252, 89, 17);
    CheckBox3 = Place<QCheckBox>(this, "CheckBox3", 24, 270, 73, 17);
    Button1 = Place<QPushButton>(this, "Button1", 32, 296, 113, 25);
    ProgressBar1 = Place<QProgressBar>(this, "ProgressBar1", 24, 334, 153, 16);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

void TForm1::ConnectHandlers() {
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(TrackBar1); });
    connect(TrackBar1, &QSlider::sliderReleased, this, [this] { lightAmountStepOpen_ = false; });
    // The click handler runs whenever the box changes, also when set from code.
    connect(CheckBox4, &QCheckBox::toggled, this, [this] { CheckBox4Click(CheckBox4); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(Button2); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(Button3); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(SpeedButton1); });
    Edit1->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) {
        Edit1KeyDown(Edit1, key, shift);
    };
    Edit2->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) {
        Edit2KeyDown(Edit2, key, shift);
    };
    Edit3->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) {
        Edit3KeyDown(Edit3, key, shift);
    };
}

void TForm1::SetTabOrder() {
    // Labels, the progress bar and the speed button take no focus.
    QWidget* const order[] = {Button1, TrackBar1, CheckBox4, Button2,   Button3,  Edit1,
                              Edit2,   Edit3,     CheckBox1, CheckBox2, CheckBox3};
    for (std::size_t n = 1; n < std::size(order); ++n) setTabOrder(order[n - 1], order[n]);
    Button1->setFocus();
}

void TForm1::DefaultServices() {
    BaseFolder = QCoreApplication::applicationDirPath();
    OpenDialog1 = [this](const QString& initialFolder) {
        // Any name may be typed; a name that is not there ends the action silently.
        return RunFileDialog(this, initialFolder, OpenDialogFilters(), QFileDialog::AcceptOpen,
                             QFileDialog::AnyFile);
    };
    ShowError = [this](const QString& message) {
        QMessageBox::critical(this, windowTitle(), message);
    };
    Beep = [] { QApplication::beep(); };
}

QString RunFileDialog(QWidget* parent, const QString& start, const QStringList& filters,
                      QFileDialog::AcceptMode accept, QFileDialog::FileMode mode,
                      const QString& defaultSuffix) {
    QFileDialog dialog(parent, QString(), start);
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (QFileInfo(start).isFile() || accept == QFileDialog::AcceptSave) dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

void TForm1::FormCreate(QObject*) {
    // A fresh state holds the light point at the disc's centre, the rasters, the view
    // axes (1, 0, 0) and (0, 1, 0) and the first paint order.
    State = SharedState{};
}

void TForm1::FormClose(QObject*) {}

void TForm1::paintEvent(QPaintEvent*) {
    if (discCopyPending_) {
        // PickLightPoint's copy of the composed disc, in one operation.
        discCopyPending_ = false;
        QPainter(this).drawImage(kLightDiscArea.topLeft(), ImageOf(State.LightDiscBuffer));
    } else {
        FormPaint(this);
    }
    DrawStatusLine();
}

void TForm1::DrawStatusLine() {
    if (statusText_.isEmpty()) return;
    // Opaque text on the panel's own colour, its top-left corner at the origin.
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const QRect box(kStatusOrigin, QSize(metrics.horizontalAdvance(statusText_), metrics.height()));
    painter.fillRect(box, kSilver);
    painter.setPen(statusColour_);
    painter.setFont(font());
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, statusText_);
}

void TForm1::FormPaint(QObject*) {
    QPainter painter(this);
    DrawLightDisc(painter, State.LightPointX, State.LightPointY);
}

void TForm1::PaintStatusLine(const QString& text, const QColor& colour) {
    statusText_ = text;
    statusColour_ = colour;
    repaint(QRect(kStatusOrigin, QPoint(width() - 1, height() - 1)));
}

void TForm1::RepaintPanel() {
    // A repaint of the whole panel erases the status line.
    statusText_.clear();
    repaint();
}

void TForm1::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    FormMouseDown(this, event->button(), event->buttons(), at.x(), at.y());
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    FormMouseMove(this, event->buttons(), at.x(), at.y());
}

void TForm1::FormMouseDown(QObject* Sender, Qt::MouseButton, Qt::MouseButtons Shift, int X, int Y) {
    if (!(Shift & Qt::LeftButton)) return;
    // A press on the disc and the drag after it are one step.
    if (InsideLightDisc(X, Y)) BeforeStep(StepKind::kLightPoint);
    PickLightPoint(Sender, X, Y);
}

void TForm1::FormMouseMove(QObject* Sender, Qt::MouseButtons Shift, int X, int Y) {
    if (Shift & Qt::LeftButton) PickLightPoint(Sender, X, Y);
}

void TForm1::ComposeLightDisc() {
    QImage buffer(kLightDiscArea.size(), QImage::Format_RGB32);
    buffer.fill(kSilver);
    QPainter painter(&buffer);
    DrawLightDisc(painter, State.LightPointX, State.LightPointY);
    painter.end();
    State.LightDiscBuffer = RasterOf(buffer);
}

void TForm1::PickLightPoint(QObject* Sender, int X, int Y) {
    // Points on or outside the rim change nothing at all.
    if (!SetLightPoint(State, X, Y, CheckBox4->isChecked())) return;
    ComposeLightDisc();
    discCopyPending_ = true;
    repaint(kLightDiscArea);
    ViewerRefresh(Sender);
}

void TForm1::TrackBar1Change(QObject* Sender) {
    // A drag of the slider is one step, each other change one.
    if (!lightAmountStepOpen_) {
        BeforeStep(StepKind::kLightAmount);
        lightAmountStepOpen_ = TrackBar1->isSliderDown();
    }
    Work.Panel.TrackBarPosition = TrackBar1->value();
    State.LightAmount = TrackBar1->value() / 100.0;
    ViewerRefresh(Sender);
}

void TForm1::CheckBox4Click(QObject* Sender) {
    // Whatever the box's new state: the picker and the builder derive the sign from the
    // box, so each click keeps it in step.
    BeforeStep(StepKind::kBackLight);
    Work.Panel.BackLight = CheckBox4->isChecked();
    State.LightZ = -State.LightZ;
    ViewerRefresh(Sender);
}

void TForm1::SetLabel1(const QString& caption) {
    // The label sizes to its text; its top-left corner stays.
    Label1->setText(caption);
    Label1->adjustSize();
}

bool TForm1::ViewerVisible() const {
    return Form2 != nullptr && Form2->isVisible();
}

void TForm1::ViewerRefresh(QObject* Sender) {
    if (ViewerVisible()) Form2->FormPaint(Sender);
}

void TForm1::ResizeViewer() {
    if (Form2 != nullptr) Form2->SetClientSize(State.ViewWidth, State.ViewHeight);
}

}  // namespace vonnik

// Building again without the dialogs: the rebuild keys, live shaping, and the build worker
// that keeps both windows painting while a model is built.
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QSettings>

#include "app/Unit6.h"
#include "viewer/Unit7.h"

namespace vonnik {

namespace {

const QString kLiveKey = QStringLiteral("liveShaping");
const QColor kRed(0xFF, 0x00, 0x00);

QString InvalidLiveText() {
    return QCoreApplication::translate("TForm1", "入力値が不正です") + QString(10, QChar(0x3000));
}

}  // namespace

TForm1::~TForm1() {
    // No report of a build may arrive once the panel is being taken apart.
    worker_.reset();
}

void TForm1::CreateSessionActions() {
    // The worker reports from its own thread; the panel takes the reports in its own.
    worker_ = std::make_unique<BuildWorker>(
        [this](BuildWorker::Outcome outcome) {
            auto report = std::make_shared<BuildWorker::Outcome>(std::move(outcome));
            QMetaObject::invokeMethod(
                this, [this, report] { BuildFinished(std::move(*report)); }, Qt::QueuedConnection);
        },
        [this](std::uint64_t ticket, int position) {
            QMetaObject::invokeMethod(
                this,
                [this, ticket, position] {
                    if (ticket == modalTicket_) SetProgress(position);
                },
                Qt::QueuedConnection);
        });

    RebuildAction = new QAction(this);
    RebuildAction->setObjectName(QStringLiteral("RebuildAction"));
    RebuildAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});
    addAction(RebuildAction);
    connect(RebuildAction, &QAction::triggered, this, [this] { RebuildModel(RebuildAction); });

    LiveAction = new QAction(this);
    LiveAction->setObjectName(QStringLiteral("LiveAction"));
    LiveAction->setCheckable(true);
    addAction(LiveAction);
    connect(LiveAction, &QAction::triggered, this, [this](bool on) { SetLiveShaping(on); });

    connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(Edit1); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit2Change(Edit2); });
    connect(Edit3, &QLineEdit::textChanged, this, [this] { Edit3Change(Edit3); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(CheckBox1); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(CheckBox2); });
}

bool TForm1::LiveShaping() const {
    return OpenSettings && OpenSettings()->value(kLiveKey, false).toBool();
}

void TForm1::SetLiveShaping(bool on) {
    if (OpenSettings) OpenSettings()->setValue(kLiveKey, on);
    LiveAction->setChecked(on);
    if (!on) {
        liveTicket_ = 0;
        worker_->Cancel();
    }
}

void TForm1::ResetPoseClick(QObject* Sender) {
    if (State.Grid.Empty()) return;
    BeforeStep(StepKind::kResetPose);
    if (ResetPose(State)) ViewerRefresh(Sender);
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    // The settings may have changed under the action (another window, the command line).
    LiveAction->setChecked(LiveShaping());
    QWidget::contextMenuEvent(event);
}

void TForm1::Edit1Change(QObject* Sender) {
    LiveRebuild(Sender);
}

void TForm1::Edit2Change(QObject* Sender) {
    LiveRebuild(Sender);
}

void TForm1::Edit3Change(QObject* Sender) {
    LiveRebuild(Sender);
}

void TForm1::CheckBox1Click(QObject* Sender) {
    LiveRebuild(Sender);
}

void TForm1::CheckBox2Click(QObject* Sender) {
    LiveRebuild(Sender);
}

void TForm1::LiveRebuild(QObject*) {
    // Without live shaping the fields act at the next build, as they always did.
    if (!State.Loaded || modalLoop_ != nullptr || !LiveShaping()) return;
    const PanelInputs panel = ReadPanel();
    const std::optional<BuildSettings> settings = CaptureSettings(panel);
    if (!settings) {
        // The model on screen stays; so does nothing that an older text started.
        liveTicket_ = 0;
        worker_->Cancel();
        PaintStatusLine(InvalidLiveText(), kRed);
        return;
    }
    if (!StatusText().isEmpty()) PaintStatusLine(QString(12, QChar(0x3000)), Qt::black);
    liveTicket_ = worker_->Start({*settings, State.Loaded, panel.Holes});
}

void TForm1::AdoptLiveBuild(BuildWorker::Outcome outcome) {
    if (outcome.cancelled) return;
    if (!outcome.model) {
        // A picture that this lattice does not fit: the model stays, and the line says so.
        PaintStatusLine(InvalidLiveText(), kRed);
        return;
    }
    AdoptBuildAsStep(Work, ReadPanel(), std::move(outcome.pictures), std::move(*outcome.model),
                     PoseOnBuild::kKeep);
    UpdateTitle();
    ShowRebuilt(this);
}

void TForm1::ShowRebuilt(QObject* Sender) {
    if (!ViewerVisible()) return;
    Form2->setWindowTitle(QString::fromStdString(State.PictureName));
    ResizeViewer();
    Form2->FormPaint(Sender);
}

}  // namespace vonnik

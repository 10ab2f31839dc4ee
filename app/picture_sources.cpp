// Where pictures come from besides the build button's dialog: dropped files, the
// clipboard, the command line; the open dialog's filters; the background tolerance and
// the settings that keep it.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <algorithm>

#include "app/Unit6.h"
#include "core/figure_key.h"
#include "core/picture_io.h"
#include "viewer/Unit7.h"

namespace vonnik {

namespace {

const QString kToleranceKey = QStringLiteral("backgroundTolerance");

}  // namespace

QStringList OpenDialogFilters() {
    QStringList patterns;
    for (const std::string& pattern : ReadablePicturePatterns())
        patterns << QString::fromStdString(pattern);
    return {QCoreApplication::translate("TForm1", "すべての画像") + QStringLiteral(" (") +
                patterns.join(QLatin1Char(' ')) + QLatin1Char(')'),
            QCoreApplication::translate("TForm1", "ﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ (*.bmp)")};
}

void TForm1::DefaultPictureServices() {
    // The file that also keeps the chosen language: ~/.config/vonnik/vonnik.conf.
    OpenSettings = [] {
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("vonnik"), QStringLiteral("vonnik"));
    };
    AskBackgroundTolerance = [this](int current) -> std::optional<int> {
        bool ok = false;
        const int value = QInputDialog::getInt(
            this, windowTitle(),
            QCoreApplication::translate(
                "TForm1",
                "背景の許容値 (0..255): 左上の色との差が各色この値以下の画素を背景とします"),
            current, 0, kMaxBackgroundTolerance, 1, &ok);
        return ok ? std::optional<int>(value) : std::nullopt;
    };
    setAcceptDrops(true);
}

void TForm1::CreateToleranceAction() {
    // In the context menu, so that the panel keeps its layout.
    // Its caption is set with the others (RetranslateUi).
    ToleranceAction = new QAction(this);
    ToleranceAction->setObjectName(QStringLiteral("ToleranceAction"));
    addAction(ToleranceAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(ToleranceAction, &QAction::triggered, this,
            [this] { ToleranceActionClick(ToleranceAction); });
}

int TForm1::BackgroundTolerance() const {
    if (!OpenSettings) return 0;
    const int stored = OpenSettings()->value(kToleranceKey, 0).toInt();
    return std::clamp(stored, 0, kMaxBackgroundTolerance);
}

void TForm1::SetBackgroundTolerance(int tolerance) {
    tolerance = std::clamp(tolerance, 0, kMaxBackgroundTolerance);
    if (OpenSettings) OpenSettings()->setValue(kToleranceKey, tolerance);
}

void TForm1::ToleranceActionClick(QObject*) {
    if (!AskBackgroundTolerance) return;
    if (const std::optional<int> value = AskBackgroundTolerance(BackgroundTolerance()))
        SetBackgroundTolerance(*value);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    OpenFiles(this, files);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // An edit field takes Ctrl+V for its text before it gets here.
    if (event->matches(QKeySequence::Paste)) {
        PastePicture(this);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::PastePicture(QObject* Sender) {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const QStringList files = LocalFiles(data);
    if (!files.isEmpty()) {
        BuildFromFiles(Sender, files.mid(0, 2));
    } else if (data != nullptr && data->hasImage()) {
        BuildFromImage(Sender, qvariant_cast<QImage>(data->imageData()),
                       QStringLiteral("clipboard"));
    } else {
        ShowError(QStringLiteral("'clipboard': holds no picture"));
    }
}

void ConnectWindows(TForm1& form1, TForm2& form2) {
    form1.Form2 = &form2;
    form2.DropFiles = [&form1, &form2](const QStringList& paths) {
        form1.OpenFiles(&form2, paths);
    };
    form2.Paste = [&form1, &form2] { form1.PastePicture(&form2); };
    form2.Rebuild = [&form1, &form2] { form1.RebuildModel(&form2); };
    // The viewer's menu runs the panel's own controls and actions, found when chosen: the
    // language choices are added to the panel after this.
    const auto click = [&form1](const char* name) {
        return [&form1, name] {
            if (auto* button = form1.findChild<QAbstractButton*>(QLatin1String(name)))
                button->click();
        };
    };
    const auto trigger = [&form1](const QString& name) {
        if (auto* action = form1.findChild<QAction*>(name)) action->trigger();
    };
    form2.SaveSnapshot = click("SpeedButton1");
    form2.EditBackgroundTolerance = [trigger] { trigger(QStringLiteral("ToleranceAction")); };
    form2.SelectLanguage = [trigger](const QString& code) {
        trigger(QStringLiteral("Language_") + code);
    };
    form2.CurrentLanguage = [&form1] {
        for (QAction* action : form1.actions())
            if (action->objectName().startsWith(QStringLiteral("Language_")) && action->isChecked())
                return action->objectName().mid(9);
        return QString();
    };
    form2.ToggleLive = [&form1](bool on) { form1.SetLiveShaping(on); };
    form2.LiveEnabled = [&form1] { return form1.LiveShaping(); };
    form2.ResetPose = [&form1, &form2] { form1.ResetPoseClick(&form2); };
    form2.PlaceHole = [&form1, &form2](double x, double y, double diameter) {
        form1.AddHole(&form2, x, y, diameter);
    };
    form2.ClearHoles = [&form1, &form2] { form1.ClearHoles(&form2); };
    form2.HasHoles = [&form1] { return !form1.Holes().empty(); };
    form2.OpenFile = [&form1, &form2] { form1.OpenFileClick(&form2); };
    form2.SaveProject = [&form1, &form2] { form1.SaveProjectClick(&form2); };
    form2.Undo = [&form1, &form2] { form1.UndoClick(&form2); };
    form2.Redo = [&form1, &form2] { form1.RedoClick(&form2); };
    form2.CanUndo = [&form1] { return form1.Work.History.CanUndo(); };
    form2.CanRedo = [&form1] { return form1.Work.History.CanRedo(); };
    form2.BeforeStep = [&form1](StepKind kind) { form1.BeforeStep(kind); };
}

void OpenFromCommandLine(TForm1& form1, const QStringList& arguments) {
    if (arguments.isEmpty()) return;
    if (arguments.size() > 2) {
        form1.ShowError(QStringLiteral("usage: vonnik [PICTURE [BACK] | PROJECT.vonnik]; '") +
                        arguments[2] + QStringLiteral("' is one argument too many"));
        return;
    }
    QTimer::singleShot(0, &form1, [&form1, arguments] { form1.OpenFiles(&form1, arguments); });
}

}  // namespace vonnik

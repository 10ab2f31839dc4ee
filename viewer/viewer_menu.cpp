// The viewer's menu bar: every action of the program, each with its key. A key pressed in
// the viewer runs the action it is the shortcut of (TForm2::FormKeyDown), so that a menu
// entry and its key always do the same.
#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include "core/version.h"
#include "viewer/Unit7.h"

namespace vonnik {

namespace {

// The untranslated caption of a menu or an action, kept for each change of language.
const char kSource[] = "sourceText";

QString Tr(const QByteArray& source) {
    return QCoreApplication::translate("TForm2", source.constData());
}

// A caption without its mnemonic marker: "画像を開く(&O)..." reads "画像を開く...".
QString Plain(QString text) {
    static const QRegularExpression kBracketed(QStringLiteral("\\(&.\\)"));
    text.remove(kBracketed);
    return text.remove(QLatin1Char('&'));
}

}  // namespace

QMenu* TForm2::AddMenu(QMenu* parent, const char* name, const char* source) {
    QMenu* menu = parent != nullptr ? parent->addMenu(QString()) : menuBar_->addMenu(QString());
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setProperty(kSource, QByteArray(source));
    // Checks and availability are read when the menu opens: the hooks are set after the
    // viewer is made.
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
    menus_.push_back(menu);
    return menu;
}

QAction* TForm2::AddAction(QMenu* menu, const char* name, const char* source,
                           const QList<QKeySequence>& keys, std::function<void()> run) {
    auto* action = new QAction(this);
    action->setObjectName(QLatin1String(name));
    action->setProperty(kSource, QByteArray(source));
    action->setShortcuts(keys);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        run();
        UpdateActions();
    });
    menu->addAction(action);
    addAction(action);  // its shortcut works while the viewer is the active window
    actions_.push_back(action);
    return action;
}

void TForm2::CreateMenus() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("MenuBar"));
    const auto hook = [](const std::function<void()>& f) {
        if (f) f();
    };

    QMenu* file = AddMenu(nullptr, "FileMenu", QT_TRANSLATE_NOOP("TForm2", "ファイル(&F)"));
    AddAction(file, "OpenAction", QT_TRANSLATE_NOOP("TForm2", "画像かプロジェクトを開く(&O)..."),
              {QKeySequence(Qt::CTRL | Qt::Key_O)}, [this, hook] { hook(OpenFile); });
    AddAction(file, "SaveProjectAction", QT_TRANSLATE_NOOP("TForm2", "プロジェクトを保存(&J)..."),
              {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
              [this, hook] { hook(SaveProject); });
    file->addSeparator();
    AddAction(file, "PasteAction", QT_TRANSLATE_NOOP("TForm2", "貼り付けた画像を立体化(&V)"),
              {QKeySequence::Paste}, [this, hook] { hook(Paste); });
    AddAction(file, "RebuildAction", QT_TRANSLATE_NOOP("TForm2", "作り直す(&R)"),
              {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)},
              [this, hook] { hook(Rebuild); });
    file->addSeparator();
    AddAction(file, "SnapshotAction",
              QT_TRANSLATE_NOOP("TForm2", "スナップショットを pic_hozon に保存(&N)"),
              {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S)}, [this, hook] { hook(SaveSnapshot); });
    AddAction(file, "SavePngAction", QT_TRANSLATE_NOOP("TForm2", "PNG で保存(&S)..."),
              {QKeySequence(Qt::CTRL | Qt::Key_S)}, [this] { SaveShownFramePng(); });
    AddAction(file, "CopyAction", QT_TRANSLATE_NOOP("TForm2", "画像をコピー(&C)"),
              {QKeySequence(Qt::CTRL | Qt::Key_C)}, [this] { CopyShownFrame(); });
    file->addSeparator();
    AddAction(file, "ExportMeshAction", QT_TRANSLATE_NOOP("TForm2", "立体を書き出す(&E)..."),
              {QKeySequence(Qt::CTRL | Qt::Key_E)}, [this] { ExportShownModel(); });
    AddAction(file, "TurntableAction",
              QT_TRANSLATE_NOOP("TForm2", "回転アニメーションを書き出す(&T)..."),
              {QKeySequence(Qt::CTRL | Qt::Key_T)}, [this] { SaveTurntable(); });
    file->addSeparator();
    AddAction(file, "CloseAction", QT_TRANSLATE_NOOP("TForm2", "閉じる(&X)"),
              {QKeySequence(Qt::CTRL | Qt::Key_W)}, [this] { close(); });

    QMenu* edit = AddMenu(nullptr, "EditMenu", QT_TRANSLATE_NOOP("TForm2", "編集(&E)"));
    AddAction(edit, "UndoAction", QT_TRANSLATE_NOOP("TForm2", "元に戻す(&U)"),
              {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this, hook] { hook(Undo); });
    AddAction(edit, "RedoAction", QT_TRANSLATE_NOOP("TForm2", "やり直す(&R)"),
              {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
              [this, hook] { hook(Redo); });

    QMenu* view = AddMenu(nullptr, "ViewMenu", QT_TRANSLATE_NOOP("TForm2", "表示(&V)"));
    AddAction(view, "WireframeAction", QT_TRANSLATE_NOOP("TForm2", "輪郭線で表示(&L)"),
              {QKeySequence(Qt::CTRL | Qt::Key_L)}, [this] { FormDblClick(this); })
        ->setCheckable(true);
    AddAction(view, "ResetPoseAction", QT_TRANSLATE_NOOP("TForm2", "作ったときの向きに戻す(&H)"),
              {QKeySequence(Qt::Key_Home)}, [this, hook] { hook(ResetPose); });
    view->addSeparator();
    AddAction(view, "HoleModeAction", QT_TRANSLATE_NOOP("TForm2", "クリックで穴をあける(&K)"),
              {QKeySequence(Qt::CTRL | Qt::Key_H)}, [this] { SetHoleMode(!holeMode_); })
        ->setCheckable(true);
    AddAction(view, "HoleDiameterAction", QT_TRANSLATE_NOOP("TForm2", "穴の直径(&D)..."), {},
              [this] {
                  if (!AskHoleDiameter) return;
                  if (const std::optional<int> d = AskHoleDiameter(HoleDiameter()); d && *d > 0)
                      holeDiameter_ = *d;
              });
    AddAction(view, "ClearHolesAction", QT_TRANSLATE_NOOP("TForm2", "穴をすべて消す(&E)"), {},
              [this, hook] { hook(ClearHoles); });
    view->addSeparator();
    AddAction(view, "ZoomInAction", QT_TRANSLATE_NOOP("TForm2", "拡大(&I)"),
              {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
              [this] { ZoomIn(); });
    AddAction(view, "ZoomOutAction", QT_TRANSLATE_NOOP("TForm2", "縮小(&O)"),
              {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { ZoomOut(); });
    AddAction(view, "ZoomFitAction", QT_TRANSLATE_NOOP("TForm2", "画面に合わせる(&F)"),
              {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { ZoomToFit(); });
    AddAction(view, "ZoomActualAction", QT_TRANSLATE_NOOP("TForm2", "等倍 (100 %)(&A)"),
              {QKeySequence(Qt::CTRL | Qt::Key_1)}, [this] { ZoomToActualSize(); });

    QMenu* settings = AddMenu(nullptr, "SettingsMenu", QT_TRANSLATE_NOOP("TForm2", "設定(&S)"));
    AddAction(settings, "LiveAction", QT_TRANSLATE_NOOP("TForm2", "ライブ整形(&L)"), {}, [this] {
        if (ToggleLive) ToggleLive(!(LiveEnabled && LiveEnabled()));
    })->setCheckable(true);
    AddAction(settings, "ToleranceAction", QT_TRANSLATE_NOOP("TForm2", "背景の許容値(&T)..."), {},
              [this, hook] { hook(EditBackgroundTolerance); });
    languageMenu_ =
        AddMenu(settings, "LanguageMenu", QT_TRANSLATE_NOOP("TForm2", "言語 (Language)(&G)"));
    auto* languages = new QActionGroup(this);
    // Each language in its own words, whatever the captions.
    for (const char* code : {"ja", "en"}) {
        const QString name = QLatin1String(code);
        QAction* action = AddAction(languageMenu_, code[0] == 'j' ? "Language_ja" : "Language_en",
                                    code[0] == 'j' ? "日本語" : "English", {}, [this, name] {
                                        if (SelectLanguage) SelectLanguage(name);
                                    });
        action->setCheckable(true);
        action->setProperty(kSource, QVariant());  // never translated
        action->setText(code[0] == 'j' ? QStringLiteral("日本語") : QStringLiteral("English"));
        languages->addAction(action);
    }

    QMenu* help = AddMenu(nullptr, "HelpMenu", QT_TRANSLATE_NOOP("TForm2", "ヘルプ(&H)"));
    AddAction(help, "HelpAction", QT_TRANSLATE_NOOP("TForm2", "マウスとキー(&M)"),
              {QKeySequence::HelpContents}, [this] {
                  if (ShowHelp) ShowHelp(Plain(Action("HelpAction")->text()), HelpText());
              });
    AddAction(help, "AboutAction", QT_TRANSLATE_NOOP("TForm2", "Vonnik! について(&A)"), {}, [this] {
        if (!ShowAbout) return;
        ShowAbout(
            Plain(Action("AboutAction")->text()),
            QStringLiteral("Vonnik! " VONNIK_VERSION "\n\n") +
                QCoreApplication::translate("TForm2",
                                            "平らな絵を、ふっくらした立体にして、あらゆる向きから"
                                            "眺めるプログラムです。") +
                QStringLiteral("\n\nQt ") + QLatin1String(qVersion()));
    });
}

QAction* TForm2::Action(const char* name) const {
    for (QAction* action : actions_)
        if (action->objectName() == QLatin1String(name)) return action;
    return nullptr;
}

void TForm2::UpdateActions() {
    const struct {
        const char* name;
        bool available;
    } hooks[] = {{"OpenAction", bool(OpenFile)},
                 {"SaveProjectAction", bool(SaveProject)},
                 {"UndoAction", Undo && CanUndo && CanUndo()},
                 {"RedoAction", Redo && CanRedo && CanRedo()},
                 {"PasteAction", bool(Paste)},
                 {"RebuildAction", bool(Rebuild)},
                 {"SnapshotAction", bool(SaveSnapshot)},
                 {"ResetPoseAction", bool(ResetPose)},
                 {"HoleModeAction", bool(PlaceHole)},
                 {"HoleDiameterAction", bool(AskHoleDiameter)},
                 {"ClearHolesAction", ClearHoles && HasHoles && HasHoles()},
                 {"LiveAction", bool(ToggleLive)},
                 {"ToleranceAction", bool(EditBackgroundTolerance)},
                 {"HelpAction", bool(ShowHelp)},
                 {"AboutAction", bool(ShowAbout)}};
    for (const auto& hook : hooks) Action(hook.name)->setEnabled(hook.available);
    Action("WireframeAction")->setChecked(State.View.Wireframe);
    Action("HoleModeAction")->setChecked(holeMode_);
    Action("LiveAction")->setChecked(LiveEnabled && LiveEnabled());
    const QString language = CurrentLanguage ? CurrentLanguage() : QString();
    for (const char* code : {"ja", "en"}) {
        QAction* action = Action(code[0] == 'j' ? "Language_ja" : "Language_en");
        action->setEnabled(SelectLanguage && !language.isEmpty());
        action->setChecked(language == QLatin1String(code));
    }
}

void TForm2::RetranslateUi() {
    for (QMenu* menu : menus_)
        menu->setTitle(Tr(menu->menuAction()->property(kSource).toByteArray()));
    for (QAction* action : actions_) {
        const QVariant source = action->property(kSource);
        if (source.isValid()) action->setText(Tr(source.toByteArray()));
    }
}

QString TForm2::HelpText() const {
    QStringList lines = {
        QCoreApplication::translate("TForm2", "マウス"),
        QCoreApplication::translate("TForm2", "右ボタンでドラッグ：立体を回す"),
        QCoreApplication::translate("TForm2", "左ボタンでダブルクリック：輪郭線の表示を切り替える"),
        QCoreApplication::translate("TForm2", "穴あけモードで左ボタンをクリック：そこに穴をあける"),
        QCoreApplication::translate("TForm2", "Ctrl + ホイール：拡大・縮小"),
        QCoreApplication::translate("TForm2", "画像ファイルをドロップ：立体化する"),
        QCoreApplication::translate(
            "TForm2", "パネルの円を左ボタンでクリックまたはドラッグ：光の来る方向を選ぶ"),
        QString(),
        QCoreApplication::translate("TForm2", "キー")};
    for (QAction* action : actions_) {
        if (action->shortcuts().isEmpty()) continue;
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::NativeText);
        lines << QCoreApplication::translate("TForm2", "%1：%2")
                     .arg(keys.join(QStringLiteral(", ")), Plain(action->text()));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace vonnik

#include "app/language.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>
#include <QWidget>

namespace vonnik {

namespace {

const QString kLanguageKey = QStringLiteral("language");
const QString kJapanese = QStringLiteral("ja");

}  // namespace

QStringList KnownLanguages() {
    return {kJapanese, QStringLiteral("en")};
}

bool IsKnownLanguage(const QString& code) {
    return KnownLanguages().contains(code);
}

QStringList TranslationFolders(const QString& executableFolder) {
    const QDir dir(executableFolder);
    return {dir.filePath(QStringLiteral("translations")),
            QDir::cleanPath(dir.filePath(QStringLiteral("../share/vonnik/translations")))};
}

QString StoredLanguage(const QSettings& settings) {
    const QString code = settings.value(kLanguageKey).toString();
    return IsKnownLanguage(code) ? code : kJapanese;
}

void StoreLanguage(QSettings& settings, const QString& code) {
    settings.setValue(kLanguageKey, code);
    settings.sync();
}

Translations::Translations(QStringList folders) : folders_(std::move(folders)) {}

Translations::~Translations() {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    if (qtTranslator_) QCoreApplication::removeTranslator(qtTranslator_.get());
}

bool Translations::Select(const QString& code) {
    error_.clear();
    if (!IsKnownLanguage(code)) {
        error_ = QStringLiteral("'%1' is not a language of the program").arg(code);
        return false;
    }
    if (code == current_ && applied_) return true;
    std::unique_ptr<QTranslator> next;
    if (code != kJapanese) {
        const QString file = QStringLiteral("vonnik_%1.qm").arg(code);
        QString path;
        for (const QString& folder : folders_) {
            if (QFileInfo(QDir(folder).filePath(file)).isFile()) {
                path = QDir(folder).filePath(file);
                break;
            }
        }
        if (path.isEmpty()) {
            error_ = QStringLiteral("the translation %1 is in none of the folders %2")
                         .arg(file, folders_.join(QStringLiteral(", ")));
            return false;
        }
        next = std::make_unique<QTranslator>();
        if (!next->load(path)) {
            error_ = QStringLiteral("%1: not a translation file that can be read")
                         .arg(QDir::toNativeSeparators(path));
            return false;
        }
    }
    // Loaded before the old one goes: a failure above leaves the captions as they were.
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    translator_ = std::move(next);
    if (translator_) QCoreApplication::installTranslator(translator_.get());
    SelectQtCatalogue(code);
    current_ = code;
    applied_ = true;
    return true;
}

void Translations::SelectQtCatalogue(const QString& code) {
    if (qtTranslator_) QCoreApplication::removeTranslator(qtTranslator_.get());
    qtTranslator_.reset();
    // Qt's own dialogs and buttons speak English untranslated; in Japanese they take Qt's
    // catalogue (qt6-translations-l10n). Without it they stay English, and nothing else
    // changes.
    if (code == QLatin1String("en")) return;
    auto qt = std::make_unique<QTranslator>();
    if (!qt->load(QStringLiteral("qtbase_") + code,
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    qtTranslator_ = std::move(qt);
    QCoreApplication::installTranslator(qtTranslator_.get());
}

bool Translations::QtDialogsTranslated() const {
    return qtTranslator_ != nullptr;
}

void AddLanguageMenu(QWidget* panel, Translations& translations, QSettings& settings,
                     std::function<void(const QString& message)> report) {
    auto* group = new QActionGroup(panel);
    group->setExclusive(true);
    const struct {
        const char* code;
        QString name;
    } choices[] = {{"ja", QStringLiteral("日本語")}, {"en", QStringLiteral("English")}};
    for (const auto& choice : choices) {
        auto* action = new QAction(choice.name, group);
        const QString code = QString::fromLatin1(choice.code);
        action->setObjectName(QStringLiteral("Language_") + code);
        action->setCheckable(true);
        action->setChecked(translations.Current() == code);
        QObject::connect(action, &QAction::triggered, panel,
                         [&translations, &settings, code, group, report] {
                             if (translations.Select(code))
                                 StoreLanguage(settings, code);
                             else if (report)
                                 report(translations.Error());
                             // A failed switch leaves the check on the language in use.
                             for (QAction* a : group->actions())
                                 a->setChecked(a->objectName().endsWith(translations.Current()));
                         });
        panel->addAction(action);
    }
    panel->setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace vonnik

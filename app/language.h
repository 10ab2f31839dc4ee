#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>
#include <functional>
#include <memory>

class QSettings;
class QWidget;

namespace vonnik {

// The languages of the captions: "ja" (the captions as designed, the default) and "en".
QStringList KnownLanguages();
bool IsKnownLanguage(const QString& code);

// Where the compiled translations are looked for, relative to the executable's folder:
// translations/ beside it (the build folder), then ../share/vonnik/translations
// (installed).
QStringList TranslationFolders(const QString& executableFolder);

// The language remembered in `settings`, "ja" when none or an unknown one is stored.
QString StoredLanguage(const QSettings& settings);
void StoreLanguage(QSettings& settings, const QString& code);

// The application's translation of the captions. Changing it sends every widget a
// LanguageChange event, so open windows retitle themselves at once.
class Translations {
  public:
    explicit Translations(QStringList folders);
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Installs the translation for `code`, or none for "ja", and Qt's own catalogue of that
    // language for its dialogs and buttons. On failure (an unknown code, a missing or
    // unreadable file) the language stays as it was and Error() says why.
    bool Select(const QString& code);
    const QString& Current() const { return current_; }
    const QString& Error() const { return error_; }
    // Whether Qt's own catalogue for the current language is installed.
    bool QtDialogsTranslated() const;

  private:
    void SelectQtCatalogue(const QString& code);

    QStringList folders_;
    std::unique_ptr<QTranslator> translator_;    // installed while set
    std::unique_ptr<QTranslator> qtTranslator_;  // likewise
    QString current_ = QStringLiteral("ja");
    bool applied_ = false;  // nothing is installed before the first Select
    QString error_;
};

// Adds the language choice to the panel's context menu: "日本語" and "English", each in its
// own language. A choice takes effect at once and is stored in `settings`; a translation
// that cannot be loaded is passed to `report`.
void AddLanguageMenu(QWidget* panel, Translations& translations, QSettings& settings,
                     std::function<void(const QString& message)> report);

}  // namespace vonnik

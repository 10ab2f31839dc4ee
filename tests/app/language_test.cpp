// The panel in English: the translation chosen with --lang or the context menu and
// remembered, every caption and tooltip translated, nothing cut off or moved onto another
// control, and the designed Japanese panel back when Japanese is chosen again.
#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "app/language.h"
#include "tests/app/app_fixture.h"

namespace vonnik::test {
namespace {

const char* const kCaptioned[] = {
    "StaticText5", "StaticText4", "CheckBox4", "Button2",   "Button3",   "Label1", "StaticText1",
    "StaticText2", "StaticText3", "CheckBox1", "CheckBox2", "CheckBox3", "Button1"};
const char* const kControls[] = {"StaticText5", "StaticText4",  "TrackBar1",   "CheckBox4",
                                 "Button2",     "Button3",      "Label1",      "Edit1",
                                 "StaticText1", "Edit2",        "StaticText2", "Edit3",
                                 "StaticText3", "CheckBox1",    "CheckBox2",   "CheckBox3",
                                 "Button1",     "SpeedButton1", "ProgressBar1"};

QString TextOf(QWidget* control) {
    return control->property("text").toString();
}

// The width the style leaves for a caption inside its control.
int RoomForText(QWidget* control) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        if (qobject_cast<QLabel*>(control) != nullptr) return control->width();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool check = button->inherits("QCheckBox");
        const QRect room = button->style()->subElementRect(
            check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, button);
        return room.width();
    }
    return control->width();
}

struct Look {
    QString text, tip;
    QRect box;
    bool operator==(const Look&) const = default;
};

std::map<QString, Look> LookOf(TForm1& panel) {
    std::map<QString, Look> look;
    for (const char* name : kControls) {
        QWidget* w = panel.findChild<QWidget*>(QLatin1String(name));
        look[QLatin1String(name)] = {TextOf(w), w->toolTip(), w->geometry()};
    }
    return look;
}

}  // namespace

class LanguageTest : public ProgramTest {
    Q_OBJECT

    std::unique_ptr<Translations> translations;
    std::unique_ptr<QTemporaryDir> scratch;
    QWidget* Control(const char* name) { return Form1().findChild<QWidget*>(QLatin1String(name)); }

    // Switches the application's language and lets the windows retitle themselves.
    void Choose(const QString& code) {
        QVERIFY2(translations->Select(code), qPrintable(translations->Error()));
        QCoreApplication::processEvents();
    }

    // The context menu's language choices, in their order (the menu holds other actions too).
    QList<QAction*> LanguageActions() {
        QList<QAction*> languages;
        for (QAction* action : Form1().actions())
            if (action->objectName().startsWith(QStringLiteral("Language_"))) languages << action;
        return languages;
    }

  private slots:
    void init() {
        scratch = std::make_unique<QTemporaryDir>();
        translations = std::make_unique<Translations>(QStringList{VONNIK_QM_FOLDER});
        program = std::make_unique<Program>();
    }
    void cleanup() {
        program.reset();
        translations.reset();
        scratch.reset();
    }

    void translationFiles() {
        QCOMPARE(translations->Current(), QStringLiteral("ja"));
        QVERIFY(translations->Select(QStringLiteral("en")));
        QCOMPARE(QCoreApplication::translate("TForm1", "光源"), QStringLiteral("Light"));
        QVERIFY(translations->Select(QStringLiteral("ja")));
        QCOMPARE(QCoreApplication::translate("TForm1", "光源"), QStringLiteral("光源"));

        QVERIFY(!translations->Select(QStringLiteral("fr")));
        QCOMPARE(translations->Current(), QStringLiteral("ja"));

        // Missing, then unreadable: the language in use stays, and the error says why.
        QVERIFY(translations->Select(QStringLiteral("en")));
        Translations missing({scratch->path()});
        QVERIFY(!missing.Select(QStringLiteral("en")));
        QVERIFY(missing.Error().contains(QStringLiteral("vonnik_en.qm")));
        QCOMPARE(missing.Current(), QStringLiteral("ja"));
        QFile junk(scratch->filePath(QStringLiteral("vonnik_en.qm")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a translation") > 0);
        junk.close();
        QVERIFY(!missing.Select(QStringLiteral("en")));
        QVERIFY(missing.Error().contains(QStringLiteral("not a translation file")));
        QCOMPARE(QCoreApplication::translate("TForm1", "光源"), QStringLiteral("Light"));

        const QStringList folders = TranslationFolders(QStringLiteral("/opt/x/bin"));
        QCOMPARE(folders,
                 QStringList({"/opt/x/bin/translations", "/opt/x/share/vonnik/translations"}));
    }

    void rememberedInSettings() {
        QSettings settings(scratch->filePath(QStringLiteral("vonnik.conf")), QSettings::IniFormat);
        QCOMPARE(StoredLanguage(settings), QStringLiteral("ja"));
        StoreLanguage(settings, QStringLiteral("en"));
        QSettings reread(scratch->filePath(QStringLiteral("vonnik.conf")), QSettings::IniFormat);
        QCOMPARE(StoredLanguage(reread), QStringLiteral("en"));
        reread.setValue(QStringLiteral("language"), QStringLiteral("xx"));
        QCOMPARE(StoredLanguage(reread), QStringLiteral("ja"));
    }

    void everyControlHasATooltip() {
        for (const char* name : kControls) {
            QVERIFY2(!Control(name)->toolTip().isEmpty(), name);
            QVERIFY2(!Control(name)->toolTip().contains(QLatin1Char('\n')), name);
        }
        QVERIFY(!Form1().toolTip().isEmpty());  // the light disc
    }

    void englishPanel() {
        const std::map<QString, Look> japanese = LookOf(Form1());
        Choose(QStringLiteral("en"));
        const QRect panel = Form1().rect();
        for (const char* name : kControls) {
            QWidget* w = Control(name);
            const QString text = TextOf(w);
            QVERIFY2(!HasJapanese(text) && !HasJapanese(w->toolTip()), name);
            QVERIFY2(w->toolTip() != japanese.at(QLatin1String(name)).tip, name);
            // Nothing cut off: the caption fits its control, the control the panel.
            if (!text.isEmpty()) {
                const int needed = w->fontMetrics().horizontalAdvance(text);
                QVERIFY2(needed <= RoomForText(w),
                         qPrintable(QStringLiteral("%1: '%2' needs %3 px, has %4")
                                        .arg(QLatin1String(name), text)
                                        .arg(needed)
                                        .arg(RoomForText(w))));
            }
            QVERIFY2(panel.contains(w->geometry()), name);
            // Grown only to the right, and onto no control it did not touch before.
            const QRect before = japanese.at(QLatin1String(name)).box;
            QCOMPARE(w->geometry().topLeft(), before.topLeft());
            QCOMPARE(w->height(), before.height());
            for (const char* other : kControls) {
                if (std::string_view(name) == other) continue;
                const bool touches = w->geometry().intersects(Control(other)->geometry());
                const bool touched = before.intersects(japanese.at(QLatin1String(other)).box);
                QVERIFY2(!touches || touched,
                         qPrintable(QStringLiteral("%1 overlaps %2")
                                        .arg(QLatin1String(name), QLatin1String(other))));
            }
            // The light disc stays free for the mouse.
            for (int y = w->y(); y < w->y() + w->height(); ++y)
                for (int x = w->x(); x < w->x() + w->width(); ++x)
                    QVERIFY2((60 - x) * (60 - x) + (52 - y) * (52 - y) >= 1296, name);
        }
        QCOMPARE(TextOf(Control("Button1")), QStringLiteral("Make solid..."));
        QCOMPARE(TextOf(Control("Label1")), QStringLiteral("Background: none"));

        // Back to Japanese: the designed panel, exactly.
        Choose(QStringLiteral("ja"));
        QVERIFY(LookOf(Form1()) == japanese);
    }

    void messagesFollowTheLanguage() {
        Choose(QStringLiteral("en"));
        qobject_cast<QLineEdit*>(Control("Edit2"))->setText(QStringLiteral("x"));
        qobject_cast<QAbstractButton*>(Control("Button1"))->click();
        QCOMPARE(Form1().StatusText(),
                 QStringLiteral("Invalid input") + QString(10, QChar(0x3000)));
        QVERIFY(program->dialogFolders.isEmpty());

        // A background set in English keeps its name through a change of language.
        program->WritePicture(QStringLiteral("haikei/sky.bmp"), Raster(8, 6, 0x336699));
        program->Answer(program->Path(QStringLiteral("haikei/sky.bmp")));
        qobject_cast<QAbstractButton*>(Control("Button2"))->click();
        QCOMPARE(TextOf(Control("Label1")), QStringLiteral("Background: sky.bmp"));
        Choose(QStringLiteral("ja"));
        QCOMPARE(TextOf(Control("Label1")), QStringLiteral("背景：sky.bmp"));
        qobject_cast<QAbstractButton*>(Control("Button3"))->click();
        QCOMPARE(TextOf(Control("Label1")), QStringLiteral("背景：なし"));
    }

    void contextMenuChoosesAndRemembers() {
        QSettings settings(scratch->filePath(QStringLiteral("vonnik.conf")), QSettings::IniFormat);
        QStringList reports;
        AddLanguageMenu(&Form1(), *translations, settings,
                        [&reports](const QString& message) { reports.push_back(message); });
        QCOMPARE(Form1().contextMenuPolicy(), Qt::ActionsContextMenu);
        const QList<QAction*> actions = LanguageActions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->text(), QStringLiteral("日本語"));
        QCOMPARE(actions[1]->text(), QStringLiteral("English"));
        QVERIFY(actions[0]->isChecked() && !actions[1]->isChecked());

        actions[1]->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(translations->Current(), QStringLiteral("en"));
        QCOMPARE(StoredLanguage(settings), QStringLiteral("en"));
        QCOMPARE(TextOf(Control("CheckBox4")), QStringLiteral("Back light"));
        QVERIFY(!actions[0]->isChecked() && actions[1]->isChecked());
        // The choice names the languages in their own words, whatever the captions.
        QCOMPARE(actions[0]->text(), QStringLiteral("日本語"));

        actions[0]->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(StoredLanguage(settings), QStringLiteral("ja"));
        QCOMPARE(TextOf(Control("CheckBox4")), QStringLiteral("逆光"));
        QVERIFY(reports.isEmpty());
    }

    void aMissingTranslationIsReportedAndChangesNothing() {
        QSettings settings(scratch->filePath(QStringLiteral("vonnik.conf")), QSettings::IniFormat);
        Translations none({scratch->path()});
        QStringList reports;
        AddLanguageMenu(&Form1(), none, settings,
                        [&reports](const QString& message) { reports.push_back(message); });
        LanguageActions()[1]->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports[0].contains(QStringLiteral("vonnik_en.qm")));
        QCOMPARE(none.Current(), QStringLiteral("ja"));
        QVERIFY(LanguageActions()[0]->isChecked() && !LanguageActions()[1]->isChecked());
        QVERIFY(!settings.contains(QStringLiteral("language")));
        QCOMPARE(TextOf(Control("CheckBox4")), QStringLiteral("逆光"));
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::LanguageTest)
#include "language_test.moc"

// The program entry: the control panel as the main window, the viewer beside it, hidden
// until the first build. `vonnik PICTURE [BACK]` builds the pictures at start-up, and
// `vonnik FILE.vonnik` opens a project.
#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

#include "app/Unit6.h"
#include "app/command_line.h"
#include "app/data_folder.h"
#include "app/language.h"
#include "viewer/Unit7.h"

int main(int argc, char** argv) {
    // --help and --version need no display.
    QStringList arguments;
    for (int n = 1; n < argc; ++n) arguments.push_back(QString::fromLocal8Bit(argv[n]));
    const vonnik::CommandLine line = vonnik::ParseCommandLine(arguments);
    switch (line.action) {
        case vonnik::CommandLine::Action::Help:
            std::fputs(vonnik::HelpText().toLocal8Bit().constData(), stdout);
            return 0;
        case vonnik::CommandLine::Action::Version:
            std::fputs(vonnik::VersionText().toLocal8Bit().constData(), stdout);
            return 0;
        case vonnik::CommandLine::Action::Error:
            std::fprintf(stderr, "vonnik: %s\n(see vonnik --help)\n",
                         line.error.toLocal8Bit().constData());
            return 2;
        case vonnik::CommandLine::Action::Run:
            break;
    }

    QCoreApplication::setApplicationName(QStringLiteral("vonnik"));
    QApplication application(argc, argv);
    // The installed icon and desktop entry name the windows on the desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vonnik.Vonnik"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vonnik")));
    const QString executableFolder = QCoreApplication::applicationDirPath();

    // The language: --lang, else the one chosen last time (~/.config/vonnik/vonnik.conf).
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vonnik"),
                       QStringLiteral("vonnik"));
    vonnik::Translations translations(vonnik::TranslationFolders(executableFolder));
    QString language = vonnik::StoredLanguage(settings);
    if (!line.language.isEmpty()) {
        language = line.language;
        vonnik::StoreLanguage(settings, language);
    }
    if (!translations.Select(language))
        std::fprintf(stderr, "vonnik: %s\n", translations.Error().toLocal8Bit().constData());

    // The build folder's obj/, haikei/ and pic_hozon/, or the per-user data folder.
    const vonnik::DataFolder folder = vonnik::PrepareDataFolder(
        executableFolder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));

    vonnik::TForm1 Form1;
    vonnik::TForm2 Form2(Form1.State);
    vonnik::ConnectWindows(Form1, Form2);
    Form1.BaseFolder = folder.path;
    vonnik::AddLanguageMenu(&Form1, translations, settings, Form1.ShowError);
    if (line.live) Form1.SetLiveShaping(true);
    Form1.show();
    if (!folder.problem.isEmpty()) {
        // Said once; the program goes on, and only what needs the folder fails.
        QTimer::singleShot(0, &Form1, [&Form1, &folder] {
            Form1.ShowError(folder.problem + QLatin1Char('\n') +
                            QCoreApplication::translate("DataFolder",
                                                        "他のフォルダの画像は開けますが、スナップシ"
                                                        "ョットは保存できないことがあります。"));
        });
    }
    // Pictures named on the command line (a file manager's "open with"): built once the
    // event loop runs.
    vonnik::OpenFromCommandLine(Form1, line.pictures);
    return application.exec();
}

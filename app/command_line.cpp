#include "app/command_line.h"

#include "app/language.h"
#include "core/version.h"

namespace vonnik {

namespace {

CommandLine Failure(const QString& error) {
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = error;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (qsizetype n = 0; n < arguments.size(); ++n) {
        const QString& a = arguments[n];
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            line.pictures.push_back(a);
        } else if (a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            line.action = CommandLine::Action::Help;
            return line;
        } else if (a == QLatin1String("--version")) {
            line.action = CommandLine::Action::Version;
            return line;
        } else if (a == QLatin1String("--live")) {
            line.live = true;
        } else if (a == QLatin1String("--lang") || a.startsWith(QLatin1String("--lang="))) {
            QString code;
            if (a == QLatin1String("--lang")) {
                if (n + 1 >= arguments.size())
                    return Failure(QStringLiteral("--lang needs a value"));
                code = arguments[++n];
            } else {
                code = a.mid(7);
            }
            if (!IsKnownLanguage(code))
                return Failure(QStringLiteral("--lang: '%1' is not a language of the program (%2)")
                                   .arg(code, KnownLanguages().join(QStringLiteral(", "))));
            line.language = code;
        } else {
            return Failure(QStringLiteral("unknown option %1").arg(a));
        }
    }
    return line;
}

QString HelpText() {
    return QStringLiteral(
        "Usage: vonnik [OPTION]... [PICTURE [BACK] | PROJECT.vonnik]\n"
        "Turns a flat picture of a figure on a plain background into a solid-looking\n"
        "cushion and lets you turn it with the mouse. A PICTURE named here is made solid at\n"
        "start-up with the panel's settings, BACK on its back; a PROJECT is opened as it was\n"
        "saved.\n"
        "\n"
        "The control panel makes a picture solid, the viewer shows it: drag with the right\n"
        "mouse button to turn it, double-click to switch to the outlined drawing, Ctrl+E to\n"
        "save the solid as a mesh file. Ctrl+R or F5 builds the same pictures again with\n"
        "the panel's numbers, without asking for the files. Ctrl+Shift+S saves the work as a\n"
        "project file, Ctrl+O opens one (or a picture), Ctrl+Z and Ctrl+Y undo and redo.\n"
        "\n"
        "Options:\n"
        "  --lang LANG   captions in LANG: ja (Japanese, the default) or en (English); the\n"
        "                choice is remembered, as is one made in the panel's context menu\n"
        "  --live        turn live shaping on: a change of the panel's numbers or lattice\n"
        "                switches reshapes the solid at once (remembered; the panel's\n"
        "                context menu turns it off)\n"
        "  -h, --help    show this text and exit\n"
        "  --version     show the version and exit\n"
        "\n"
        "Files:\n"
        "  Run from its build folder, the program works in the folders obj/ (pictures),\n"
        "  haikei/ (backgrounds) and pic_hozon/ (snapshots) beside its executable.\n"
        "  Installed, it works in the same folders under the per-user data folder\n"
        "  (~/.local/share/vonnik), which the first start fills with sample pictures.\n"
        "\n"
        "See also vonnik-cli(1), the command-line tool.\n");
}

QString VersionText() {
    return QStringLiteral("vonnik " VONNIK_VERSION "\n");
}

}  // namespace vonnik

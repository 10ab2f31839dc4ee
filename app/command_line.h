#pragma once

#include <QString>
#include <QStringList>

namespace vonnik {

// What the desktop program was asked to do on its command line.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // "ja" or "en" when --lang was given, else empty (the remembered choice stands).
    QString language;
    // --live: live shaping on from start-up (and remembered).
    bool live = false;
    // Pictures named on the command line, in order (as a file manager passes them).
    QStringList pictures;
    // For Action::Error: what is wrong, naming the option.
    QString error;
};

// Reads the arguments after the program's name. Parsing needs no application object, so
// --help and --version work without a display.
CommandLine ParseCommandLine(const QStringList& arguments);

// The text of --help and of --version (with its line end).
QString HelpText();
QString VersionText();

}  // namespace vonnik

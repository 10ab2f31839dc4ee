#pragma once

#include <QString>

namespace vonnik {

// The folder that holds obj/ (pictures), haikei/ (backgrounds) and pic_hozon/ (snapshots).
struct DataFolder {
    QString path;
    // Empty when the folder is ready; else a message for the user, naming the folder and
    // the reason.
    QString problem;
};

// True when obj/, haikei/ and pic_hozon/ are all folders in `folder`.
bool HasProgramFolders(const QString& folder);

// Where the installed samples are, relative to the executable's folder:
// ../share/vonnik/samples, holding obj/ and haikei/.
QString InstalledSamplesFolder(const QString& executableFolder);

// Chooses the folder the program works in. Run from a folder that has obj/, haikei/ and
// pic_hozon/ beside the executable (the build folder), that folder, untouched. Otherwise
// `userFolder` (the per-user data folder): obj/, haikei/ and pic_hozon/ are created in it
// as needed, and an obj/ or haikei/ created now receives the installed samples; no existing
// file is ever replaced. A folder that cannot be created or written is named in `problem`;
// the path is returned all the same.
DataFolder PrepareDataFolder(const QString& executableFolder, const QString& userFolder);

}  // namespace vonnik

#include "app/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace vonnik {

namespace {

const char* const kFolders[] = {"obj", "haikei", "pic_hozon"};

// A file can be made in `folder` (tried, not guessed from permission bits).
bool CanWriteIn(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vonnik-probe-XXXXXX")));
    return probe.open();
}

// Copies the samples of `from` into `to`, skipping every name that is already there.
QString CopySamples(const QString& from, const QString& to) {
    const QDir source(from);
    for (const QString& name : source.entryList(QDir::Files, QDir::Name)) {
        const QString target = QDir(to).filePath(name);
        if (QFileInfo::exists(target)) continue;
        // QFile::copy writes a temporary file and renames it, and never replaces a file.
        QFile file(source.filePath(name));
        if (!file.copy(target))
            return QCoreApplication::translate("DataFolder",
                                               "サンプル %1 を %2 にコピーできません：%3")
                .arg(name, QDir::toNativeSeparators(to), file.errorString());
    }
    return QString();
}

}  // namespace

bool HasProgramFolders(const QString& folder) {
    const QDir dir(folder);
    for (const char* name : kFolders)
        if (!QFileInfo(dir.filePath(QString::fromLatin1(name))).isDir()) return false;
    return true;
}

QString InstalledSamplesFolder(const QString& executableFolder) {
    return QDir::cleanPath(
        QDir(executableFolder).filePath(QStringLiteral("../share/vonnik/samples")));
}

DataFolder PrepareDataFolder(const QString& executableFolder, const QString& userFolder) {
    if (HasProgramFolders(executableFolder)) return {executableFolder, QString()};
    DataFolder result{userFolder, QString()};
    if (userFolder.isEmpty()) {
        // No home: nothing is made, least of all in the current folder.
        result.problem = QCoreApplication::translate(
            "DataFolder", "ユーザーのデータフォルダがありません（HOME が設定されていません）。");
        return result;
    }
    const QString samples = InstalledSamplesFolder(executableFolder);
    for (const char* name : kFolders) {
        const QString sub = QDir(userFolder).filePath(QString::fromLatin1(name));
        const bool existed = QFileInfo(sub).isDir();
        if (!existed && !QDir().mkpath(sub)) {
            result.problem =
                QCoreApplication::translate("DataFolder", "フォルダ %1 を作成できません。")
                    .arg(QDir::toNativeSeparators(sub));
            return result;
        }
        if (!CanWriteIn(sub)) {
            result.problem =
                QCoreApplication::translate("DataFolder", "フォルダ %1 に書き込めません。")
                    .arg(QDir::toNativeSeparators(sub));
            return result;
        }
        const QString from = QDir(samples).filePath(QString::fromLatin1(name));
        if (!existed && QFileInfo(from).isDir()) {
            result.problem = CopySamples(from, sub);
            if (!result.problem.isEmpty()) return result;
        }
    }
    return result;
}

}  // namespace vonnik

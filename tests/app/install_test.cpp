// The program installed like a desktop program: its command line, and the folder it works
// in, the build folder's or the per-user one seeded with the installed samples.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

#include "app/command_line.h"
#include "app/data_folder.h"
#include "cli/cli.h"
#include "core/version.h"
#include "render/render_frame.h"

namespace vonnik::test {
namespace {

bool WriteText(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Names(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace

class InstallTest : public QObject {
    Q_OBJECT

    // An unpacked package: usr/bin/ with no folders beside it, usr/share/vonnik/samples
    // with obj/ and haikei/; and a home whose data folder does not exist yet.
    std::unique_ptr<QTemporaryDir> root;
    QString Bin() const { return root->filePath(QStringLiteral("usr/bin")); }
    QString Samples() const { return root->filePath(QStringLiteral("usr/share/vonnik/samples")); }
    QString User() const { return root->filePath(QStringLiteral("home/.local/share/vonnik")); }

  private slots:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(Bin()));
        for (const char* name : {"disc.bmp", "ring.bmp"})
            QVERIFY(WriteText(Samples() + QStringLiteral("/obj/") + QLatin1String(name),
                              QByteArray("sample ") + name));
        QVERIFY(WriteText(Samples() + QStringLiteral("/haikei/sky.bmp"), "sample sky"));
    }
    void cleanup() { root.reset(); }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<QString>("error");
        using A = CommandLine::Action;
        const auto row = [](const char* name, QStringList args, A action, QString language,
                            QStringList pictures, QString error) {
            QTest::newRow(name) << args << static_cast<int>(action) << language << pictures
                                << error;
        };
        row("nothing", {}, A::Run, {}, {}, {});
        row("help", {"--help"}, A::Help, {}, {}, {});
        row("-h after others", {"a.bmp", "-h"}, A::Help, {}, {}, {});
        row("version", {"--version"}, A::Version, {}, {}, {});
        row("lang en", {"--lang", "en"}, A::Run, "en", {}, {});
        row("lang=ja", {"--lang=ja"}, A::Run, "ja", {}, {});
        row("last lang wins", {"--lang", "en", "--lang=ja"}, A::Run, "ja", {}, {});
        // A file manager passes the pictures (Exec=vonnik %F); they are accepted.
        row("pictures", {"a.bmp", "--lang", "en", "/tmp/b c.bmp"}, A::Run, "en",
            {"a.bmp", "/tmp/b c.bmp"}, {});
        row("after --", {"--", "--help"}, A::Run, {}, {"--help"}, {});
        row("unknown language", {"--lang", "fr"}, A::Error, {}, {},
            "--lang: 'fr' is not a language of the program (ja, en)");
        row("empty language", {"--lang="}, A::Error, {}, {},
            "--lang: '' is not a language of the program (ja, en)");
        row("lang without value", {"--lang"}, A::Error, {}, {}, "--lang needs a value");
        row("unknown option", {"--frobnicate"}, A::Error, {}, {}, "unknown option --frobnicate");
    }

    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, language);
        QFETCH(QStringList, pictures);
        QFETCH(QString, error);
        const CommandLine line = ParseCommandLine(arguments);
        QCOMPARE(static_cast<int>(line.action), action);
        QCOMPARE(line.error, error);
        if (line.action != CommandLine::Action::Run) return;
        QCOMPARE(line.language, language);
        QCOMPARE(line.pictures, pictures);
    }

    void versionsFromTheProject() {
        QCOMPARE(VersionText(), QStringLiteral("vonnik " VONNIK_VERSION "\n"));
        QVERIFY(
            QStringLiteral(VONNIK_VERSION).contains(QRegularExpression("^\\d+\\.\\d+\\.\\d+$")));
        std::ostringstream out, err;
        QCOMPARE(RunCli({"--version"}, out, err), 0);
        QCOMPARE(out.str(),
                 std::string("vonnik-cli " VONNIK_VERSION "\nfill kernels on this processor: ") +
                     DescribeFillKernels() + "\n");
        // help2man makes the man page from these.
        QVERIFY(HelpText().startsWith(QStringLiteral("Usage: vonnik ")));
        QVERIFY(HelpText().contains(QStringLiteral("--lang")));
        QVERIFY(HelpText().contains(QStringLiteral("--version")));
    }

    void buildFolderStaysAsItIs() {
        for (const char* name : {"obj", "haikei", "pic_hozon"})
            QVERIFY(QDir(Bin()).mkdir(QLatin1String(name)));
        const DataFolder folder = PrepareDataFolder(Bin(), User());
        QCOMPARE(folder.path, Bin());
        QVERIFY(folder.problem.isEmpty());
        QVERIFY(!QFileInfo::exists(User()));
        QVERIFY(Names(Bin() + QStringLiteral("/obj")).isEmpty());
    }

    void oneFolderBesideTheProgramIsNotEnough() {
        // obj/ alone is no build folder: the per-user folder is used.
        QVERIFY(QDir(Bin()).mkdir(QStringLiteral("obj")));
        QCOMPARE(PrepareDataFolder(Bin(), User()).path, User());
    }

    void firstStartSeedsTheUserFolder() {
        QCOMPARE(InstalledSamplesFolder(Bin()), Samples());
        const DataFolder folder = PrepareDataFolder(Bin(), User());
        QCOMPARE(folder.path, User());
        QVERIFY2(folder.problem.isEmpty(), qPrintable(folder.problem));
        QVERIFY(HasProgramFolders(User()));
        QCOMPARE(Names(User() + QStringLiteral("/obj")), QStringList({"disc.bmp", "ring.bmp"}));
        QCOMPARE(ReadBytes(User() + QStringLiteral("/obj/ring.bmp")),
                 QByteArray("sample ring.bmp"));
        QCOMPARE(Names(User() + QStringLiteral("/haikei")), QStringList({"sky.bmp"}));
        QCOMPARE(ReadBytes(User() + QStringLiteral("/haikei/sky.bmp")), QByteArray("sample sky"));
        // Snapshots start empty; no probe or temporary file is left anywhere.
        QVERIFY(Names(User() + QStringLiteral("/pic_hozon")).isEmpty());
    }

    void laterStartsKeepTheUsersFiles() {
        QVERIFY(PrepareDataFolder(Bin(), User()).problem.isEmpty());
        // The user edits one sample, deletes another and adds a picture of their own.
        QVERIFY(WriteText(User() + QStringLiteral("/obj/disc.bmp"), "edited"));
        QVERIFY(QFile::remove(User() + QStringLiteral("/obj/ring.bmp")));
        QVERIFY(WriteText(User() + QStringLiteral("/obj/mine.bmp"), "mine"));
        QVERIFY(WriteText(User() + QStringLiteral("/pic_hozon/0000.bmp"), "snapshot"));
        const DataFolder again = PrepareDataFolder(Bin(), User());
        QVERIFY(again.problem.isEmpty());
        QCOMPARE(Names(User() + QStringLiteral("/obj")), QStringList({"disc.bmp", "mine.bmp"}));
        QCOMPARE(ReadBytes(User() + QStringLiteral("/obj/disc.bmp")), QByteArray("edited"));
        QCOMPARE(ReadBytes(User() + QStringLiteral("/pic_hozon/0000.bmp")), QByteArray("snapshot"));
    }

    void aFolderMadeAgainIsSeededWithoutReplacingAnything() {
        // The user already has obj/disc.bmp of their own, but no haikei/ yet.
        QVERIFY(WriteText(User() + QStringLiteral("/obj/disc.bmp"), "my disc"));
        QVERIFY(PrepareDataFolder(Bin(), User()).problem.isEmpty());
        QCOMPARE(ReadBytes(User() + QStringLiteral("/obj/disc.bmp")), QByteArray("my disc"));
        QCOMPARE(Names(User() + QStringLiteral("/obj")), QStringList({"disc.bmp"}));
        QCOMPARE(Names(User() + QStringLiteral("/haikei")), QStringList({"sky.bmp"}));
        // Deleting haikei/ brings the sample back at the next start.
        QVERIFY(QDir(User() + QStringLiteral("/haikei")).removeRecursively());
        QVERIFY(PrepareDataFolder(Bin(), User()).problem.isEmpty());
        QCOMPARE(Names(User() + QStringLiteral("/haikei")), QStringList({"sky.bmp"}));
    }

    void withoutInstalledSamplesTheFoldersAreEmpty() {
        QVERIFY(QDir(Samples()).removeRecursively());
        const DataFolder folder = PrepareDataFolder(Bin(), User());
        QVERIFY(folder.problem.isEmpty());
        QVERIFY(HasProgramFolders(User()));
        QVERIFY(Names(User() + QStringLiteral("/obj")).isEmpty());
    }

    void noUserFolderMakesNothing() {
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root->path()));
        const DataFolder folder = PrepareDataFolder(Bin(), QString());
        QVERIFY(QDir::setCurrent(here));
        QVERIFY(!folder.problem.isEmpty());
        QVERIFY(!QFileInfo::exists(root->filePath(QStringLiteral("obj"))));
        QVERIFY(!QFileInfo::exists(root->filePath(QStringLiteral("pic_hozon"))));
    }

    void aFolderThatCannotBeMadeIsReported() {
        // A file where the data folder should be: nothing can be created below it, even
        // for root.
        const QString blocked = root->filePath(QStringLiteral("home/.local/share"));
        QVERIFY(WriteText(blocked, "a file"));
        const DataFolder folder = PrepareDataFolder(Bin(), User());
        QCOMPARE(folder.path, User());
        QVERIFY(folder.problem.contains(QDir::toNativeSeparators(User() + QStringLiteral("/obj"))));
        QVERIFY(folder.problem.contains(QStringLiteral("作成できません")));
        QCOMPARE(ReadBytes(blocked), QByteArray("a file"));
    }
};

}  // namespace vonnik::test

QTEST_MAIN(vonnik::test::InstallTest)
#include "install_test.moc"

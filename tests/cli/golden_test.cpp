// Every case of the golden set (testdata/golden: cases.txt and the expected outputs, made by
// a separate program that keeps the same rules), run through the vonnik-cli program and
// compared with the expected outputs: exit status, the model dump bit for bit, and the low
// 24 bits of every frame pixel.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/picture_io.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

struct GoldenCase {
    std::string name;
    std::vector<std::string> words;  // picture and options, split as a POSIX shell does
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<std::string> ShellWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : line) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::vector<GoldenCase> LoadCases() {
    std::vector<GoldenCase> cases;
    std::ifstream in(test::TestData("golden/cases.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> words = ShellWords(line);
        if (words.size() < 2) continue;
        GoldenCase c{words[0], {words.begin() + 1, words.end()}};
        cases.push_back(c);
    }
    return cases;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::uint64_t Bits(double v) {
    if (v == 0.0) v = 0.0;  // -0.0 and 0.0 count as equal
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

void ExpectSameJson(const QJsonValue& actual, const QJsonValue& expected,
                    const std::string& where) {
    ASSERT_EQ(actual.type(), expected.type()) << where;
    if (expected.isArray()) {
        const QJsonArray a = actual.toArray(), e = expected.toArray();
        ASSERT_EQ(a.size(), e.size()) << where;
        int reported = 0;
        for (qsizetype n = 0; n < e.size() && reported < 3; ++n) {
            if (a[n].type() != e[n].type() ||
                (e[n].isDouble() ? Bits(a[n].toDouble()) != Bits(e[n].toDouble()) : a[n] != e[n])) {
                ADD_FAILURE() << where << "[" << n << "]: " << a[n].toDouble() << " vs "
                              << e[n].toDouble();
                ++reported;
            }
        }
    } else if (expected.isDouble()) {
        EXPECT_EQ(Bits(actual.toDouble()), Bits(expected.toDouble()))
            << where << ": " << actual.toDouble() << " vs " << expected.toDouble();
    } else {
        EXPECT_EQ(actual, expected) << where;
    }
}

class Golden : public testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, MatchesTheExpectedOutputs) {
    const GoldenCase& c = GetParam();
    const test::TempDir tmp("golden");
    const std::string dir = tmp.Path();
    const std::string frame = dir + "/" + c.name + ".bmp";
    const std::string dump = dir + "/" + c.name + ".json";
    std::vector<std::string> args;
    for (std::size_t n = 0; n < c.words.size(); ++n) {
        const bool isFile =
            n == 0 || c.words[n - 1] == "--back" || c.words[n - 1] == "--background";
        args.push_back(isFile ? test::TestData("golden/pictures/" + c.words[n]) : c.words[n]);
    }
    args.insert(args.end(), {"--frame", frame, "--dump-model", dump});
    QStringList arguments;
    for (const std::string& a : args) arguments << QString::fromStdString(a);
    QProcess cli;
    cli.start(QStringLiteral(VONNIK_CLI), arguments);
    ASSERT_TRUE(cli.waitForFinished(-1)) << VONNIK_CLI << ": " << cli.errorString().toStdString();
    const std::string err = cli.readAllStandardError().toStdString();
    ASSERT_EQ(cli.exitStatus(), QProcess::NormalExit) << err;
    const int rc = cli.exitCode();
    const std::string expectedBase = test::TestData("golden/expected/" + c.name);
    ASSERT_EQ(rc, std::stoi(Read(expectedBase + ".rc"))) << err;
    if (rc != 0) {
        EXPECT_FALSE(QFile::exists(QString::fromStdString(frame)));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(dump)));
        return;
    }

    QJsonParseError parsed;
    const QJsonObject actual =
        QJsonDocument::fromJson(QByteArray::fromStdString(Read(dump)), &parsed).object();
    ASSERT_EQ(parsed.error, QJsonParseError::NoError) << parsed.errorString().toStdString();
    const QJsonObject expected =
        QJsonDocument::fromJson(QByteArray::fromStdString(Read(expectedBase + ".json"))).object();
    ASSERT_FALSE(expected.isEmpty());
    for (const QString& key : expected.keys()) {
        ASSERT_TRUE(actual.contains(key)) << key.toStdString();
        ExpectSameJson(actual[key], expected[key], key.toStdString());
    }

    const Raster mine = LoadPicture(frame);
    const Raster theirs = LoadPicture(expectedBase + ".bmp");
    ASSERT_EQ(mine.Width(), theirs.Width());
    ASSERT_EQ(mine.Height(), theirs.Height());
    int differing = 0;
    for (int y = 0; y < mine.Height(); ++y)
        for (int x = 0; x < mine.Width(); ++x)
            differing += ColourOf(mine.At(x, y)) != ColourOf(theirs.At(x, y)) ? 1 : 0;
    EXPECT_EQ(differing, 0) << "pixels that differ";
}

// Every expected exit status has its case, so that no case is dropped unread.
TEST(GoldenSet, EveryExpectedOutputHasItsCase) {
    const QStringList statuses = QDir(QString::fromStdString(test::TestData("golden/expected")))
                                     .entryList({QStringLiteral("*.rc")}, QDir::Files);
    EXPECT_GT(statuses.size(), 0);
    EXPECT_EQ(static_cast<std::size_t>(statuses.size()), LoadCases().size());
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(LoadCases()),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace vonnik

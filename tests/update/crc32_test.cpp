#include "update/crc32.h"
#include "update/updatenames.h"

#include <QBuffer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace {

TEST(Crc32, KnownVectors)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"123456789", "cbf43926"},
        {"", "0"},
        {"a", "e8b7be43"},
        {"The quick brown fox jumps over the lazy dog", "414fa339"},
        {QByteArray(3 << 20, '\0'), "79724fc6"},
    };
    for (const auto &[bytes, expected] : cases) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        EXPECT_EQ(update::checksumText(*update::crc32Of(buffer)), expected) << expected.toStdString();
    }
}

TEST(Crc32, MatchesPythonZlibOnRandomFiles)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not installed";
    QTemporaryDir dir;
    QStringList paths;
    for (int size : {1, 4095, (1 << 20) + 7, 5 << 20}) {
        QFile file(dir.path() + QStringLiteral("/f%1").arg(size));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes(size, '\0');
        QRandomGenerator(size).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
        file.write(bytes);
        paths << file.fileName();
    }
    QProcess py;
    py.start(python, QStringList{"-c",
                                 "import sys, zlib\n"
                                 "for p in sys.argv[1:]: print('%x' % zlib.crc32(open(p, 'rb').read()))"}
                         + paths);
    ASSERT_TRUE(py.waitForFinished(30000));
    const QStringList expected = QString::fromLatin1(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(expected.size(), paths.size());
    for (int i = 0; i < paths.size(); ++i)
        EXPECT_EQ(update::fileChecksum(paths.at(i)), expected.at(i)) << paths.at(i).toStdString();
    EXPECT_EQ(update::fileChecksum(dir.path() + "/missing"), QString());
}

TEST(Crc32, ServerTextsAreMatchedWhateverTheirCaseOrZeros)
{
    const std::tuple<const char *, quint32, bool> cases[] = {
        {"cbf43926", 0xcbf43926u, true}, {"CBF43926", 0xcbf43926u, true}, {" cbf43926 ", 0xcbf43926u, true},
        {"0000abcd", 0xabcdu, true},     {"abcd", 0xabcdu, true},          {"", 0u, false},
        {"0cbf43926", 0xcbf43926u, false}, {"xyz", 0u, false},             {"-1", 0xffffffffu, false},
    };
    for (const auto &[text, crc, matches] : cases)
        EXPECT_EQ(update::checksumMatches(QString::fromLatin1(text), crc), matches) << text;
}

TEST(UpdateNames, OnlyPlainRelativeNamesAreSafe)
{
    for (const char *name : {"Kerfloom", "lib/libQt5Core.so.5", "translations/kerfloom_it.qm", "a.b/c..d"})
        EXPECT_TRUE(update::isSafeName(QString::fromLatin1(name))) << name;
    for (const char *name : {"", "/etc/passwd", "../x", "a/../../x", "a/..", "./a", "a//b", "a/", "a\\b",
                             "C:/x", "c:x", "update", "update/x"})
        EXPECT_FALSE(update::isSafeName(QString::fromLatin1(name))) << name;
}

} // namespace

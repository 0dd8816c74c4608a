#include "support/brdodatkirozn.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, QByteArrayView content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content.data(), content.size());
}

TEST(Files, SizeByNameWithAndWithoutWildcards) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path() + QLatin1Char('/');
    writeFile(d + "empty.kwl", "");
    writeFile(d + "b_plan.kwl", "12345");
    writeFile(d + "a_plan.kwl", "123");
    QDir(d).mkdir("folder.kwl");

    EXPECT_EQ(FileSizeByName(d + "missing.kwl"), -1);
    EXPECT_EQ(FileSizeByName(""), -1);
    EXPECT_EQ(FileSizeByName(d + "empty.kwl"), 0);
    EXPECT_EQ(FileSizeByName(d + "b_plan.kwl"), 5);
    EXPECT_EQ(FileSizeByName(d + "?_plan.kwl"), 3); // the first match by name
    EXPECT_EQ(FileSizeByName(d + "b_*"), 5);
    EXPECT_EQ(FileSizeByName(d + "*.txt"), -1);
    EXPECT_EQ(FileSizeByName(d + "folder.kwl"), 0); // an entry of any kind
    EXPECT_EQ(FileSizeByName(d + "no_such_folder/*.kwl"), -1);
}

TEST(Files, SizeOfAFileOver2GiBIsExact) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/big.kwl";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(5'000'000'123LL)); // sparse: takes no disk space
    }
    EXPECT_EQ(FileSizeByName(path), 5'000'000'123LL);
}

TEST(Files, CanBeOpenedOnlyForReadableFiles) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/plan.kwl";
    writeFile(file, "x");
    EXPECT_TRUE(FileCanBeOpened(file));
    EXPECT_FALSE(FileCanBeOpened(""));
    EXPECT_FALSE(FileCanBeOpened(dir.path()));
    EXPECT_FALSE(FileCanBeOpened(dir.path() + "/missing.kwl"));
}

TEST(Files, StripExtensionCutsAtTheLastDotAnywhere) {
    EXPECT_EQ(StripExtension("/home/jan/plan.kwl"), "/home/jan/plan");
    EXPECT_EQ(StripExtension("/home/jan/drogi.2024/plan"), "/home/jan/drogi");
    EXPECT_EQ(StripExtension("plan."), "plan");
    EXPECT_EQ(StripExtension("plan.tar.gz"), "plan.tar");
    EXPECT_EQ(StripExtension("plan"), "plan");
    EXPECT_EQ(StripExtension(""), "");
}

TEST(Files, LastPosOfAnyIsOneBasedOr255) {
    EXPECT_EQ(LastPosOfAny("/", "/a/b/c.kwl"), 5);
    EXPECT_EQ(LastPosOfAny("\\/", "C:\\x/y\\z"), 7);
    EXPECT_EQ(LastPosOfAny("/", "abc"), 255);
    EXPECT_EQ(LastPosOfAny("/", ""), 255);
    EXPECT_EQ(LastPosOfAny("", "a/b"), 255);
}

} // namespace

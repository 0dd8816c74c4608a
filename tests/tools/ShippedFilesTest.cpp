// The samples and the files shipped beside the program are Windows-1250 text, as the program
// reads them: decoded so, they hold Polish letters, never the remains of UTF-8 ("Ä…" for "ą").
#include "support/Cp1250.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kTop = QStringLiteral(KWL_SOURCE_DIR);

// The characters a Windows-1250 file of ours may hold beyond ASCII (control bytes of the
// drawings' records included).
bool allowed(QChar c) {
    static const QString kPolish = QString::fromUtf8(u8"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ–°§\u00A0„”");
    return c.unicode() < 0x80 || kPolish.contains(c);
}

// Every shipped sample and data file, the road-sign sources (written in UTF-8 for people, and
// not shipped) and the notes for people aside.
QStringList shippedFiles() {
    QStringList files;
    for (const char* folder : {"samples", "data"}) {
        QDirIterator it(kTop + QLatin1Char('/') + QString::fromLatin1(folder), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (file.contains(QStringLiteral("/data/signs/")) ||
                file.endsWith(QStringLiteral(".md")) ||
                file.endsWith(QStringLiteral("CMakeLists.txt")))
                continue;
            files << file;
        }
    }
    files << kTop + QStringLiteral("/windows/kwl_OPIS.rtf");
    files.sort();
    return files;
}

TEST(ShippedFiles, AreWindows1250WithoutUtf8) {
    const QStringList files = shippedFiles();
    ASSERT_GE(files.size(), 8) << "samples and data found";
    for (const QString& name : files) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        const QString text = FromCp1250(std::string_view(bytes.constData(), bytes.size()));
        qsizetype line = 1;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('\n'))
                ++line;
            if (!allowed(text[i])) {
                ADD_FAILURE() << name.toStdString() << ", line " << line << ": "
                              << text.mid(std::max<qsizetype>(0, i - 20), 40).toStdString();
                break;
            }
        }
    }
}

TEST(ShippedFiles, ThePolishLettersOfTheSamplesAreReadAsSuch) {
    QFile plan(kTop + QStringLiteral("/samples/plan.kwl"));
    ASSERT_TRUE(plan.open(QIODevice::ReadOnly));
    const QByteArray bytes = plan.readAll();
    const QString text = FromCp1250(std::string_view(bytes.constData(), bytes.size()));
    EXPECT_TRUE(text.contains(QString::fromUtf8(u8"kąt="))) << "the arc data";
    EXPECT_TRUE(text.contains(QString::fromUtf8(u8"Rów przydrożny")));
}

} // namespace

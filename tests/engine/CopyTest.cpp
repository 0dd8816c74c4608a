// Copies of documents written in the background, the stamp that tells whether a document
// changed since its last copy, and opening a copy as a modified document under its own name.
#include "tests/engine/EngineTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <fstream>

namespace {

class Copies : public EngineTest {
protected:
    void TearDown() override {
        cadWaitForCopies();
        EngineTest::TearDown();
    }
    // Lets the event loop run until the finished function of the copies started has run.
    void waitForFinished(std::size_t count) {
        QElapsedTimer clock;
        clock.start();
        while (finished.size() < count && clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_EQ(finished.size(), count);
    }
    CadCopyFinished recordFinished() {
        return [this](int document, const std::string& error) {
            finished.emplace_back(document, error);
        };
    }
    std::vector<std::pair<int, std::string>> finished;
};

int entityCount() {
    int n = 0;
    for (int e = cadGetEntity(CAD_GET_FIRST, 0, 0); e >= 0; e = cadGetEntity(CAD_GET_NEXT, 0, 0))
        ++n;
    return n;
}

TEST_F(Copies, TheCopyHoldsTheDrawingAsItWasWhenAskedFor) {
    const int doc = cadFileNew(0, "");
    addPolyline({0, 0, 10, 0, 10, 10});
    cadAddLine(0, 0, 5, 5);
    const std::string copy = path("1.rdw");
    ASSERT_TRUE(cadDocWriteCopy(doc, copy, recordFinished()));
    // What follows is no part of the copy.
    cadAddCircle(1, 1, 1);
    waitForFinished(1);
    EXPECT_EQ(finished[0], (std::pair<int, std::string>{doc, ""}));

    const int recovered = cadFileOpen(0, copy);
    ASSERT_GT(recovered, 0);
    EXPECT_EQ(entityCount(), 2);
    // Only the copy itself is left in the folder: no temporary file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("1.rdw")});
}

TEST_F(Copies, OneDocumentHasOneCopyBeingWrittenAtATime) {
    const int a = cadFileNew(0, "");
    const int b = cadFileNew(0, "");
    ASSERT_TRUE(cadDocWriteCopy(a, path("a.rdw"), recordFinished()));
    EXPECT_TRUE(cadDocCopyPending(a));
    EXPECT_FALSE(cadDocWriteCopy(a, path("a2.rdw"), recordFinished()));
    EXPECT_TRUE(cadDocWriteCopy(b, path("b.rdw"), recordFinished()));
    EXPECT_FALSE(cadDocWriteCopy(12345, path("c.rdw"), recordFinished()));
    cadWaitForCopies();
    EXPECT_EQ(finished.size(), 2u);
    EXPECT_FALSE(cadDocCopyPending(a));
    // Announced once: the event that the worker posted finds nothing more to do.
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 2u);
    EXPECT_TRUE(cadDocWriteCopy(a, path("a2.rdw"), recordFinished()));
}

TEST_F(Copies, AFailedCopyIsReportedToTheCallerAlone) {
    const int doc = cadFileNew(0, "");
    ASSERT_TRUE(cadDocWriteCopy(doc, path("missing/folder/1.rdw"), recordFinished()));
    waitForFinished(1);
    EXPECT_FALSE(finished[0].second.empty());
    EXPECT_TRUE(responder->messages.empty());
}

TEST_F(Copies, TheStampChangesWithTheContentAndNotWithTheSelection) {
    const int doc = cadFileNew(0, "");
    const auto empty = cadDocChangeStamp(doc);
    ASSERT_TRUE(empty);
    const int line = cadAddLine(0, 0, 1, 1);
    const auto drawn = cadDocChangeStamp(-1);
    EXPECT_NE(drawn, empty);
    cadSelect(1, line);
    EXPECT_EQ(cadDocChangeStamp(doc), drawn);
    cadPropPutInt(CAD_PROP_DOC_BACKCOLOR, doc, 0x123456);
    EXPECT_NE(cadDocChangeStamp(doc), drawn);
    // Another document of the same content is still another drawing.
    const int other = cadFileNew(0, "");
    EXPECT_NE(cadDocChangeStamp(other), empty);
    EXPECT_FALSE(cadDocChangeStamp(12345));
}

TEST_F(Copies, ARecoveredCopyIsAModifiedDocumentUnderItsOwnName) {
    cadFileNew(0, "");
    cadAddLine(0, 0, 5, 5);
    const std::string copy = path("7.rdw");
    ASSERT_EQ(cadFileSave(copy, CAD_FORMAT_NATIVE), 1);
    cadDocClose(-1);

    const std::string own = path("plan.rdw");
    const int doc = cadFileRecover(0, copy, own);
    ASSERT_GT(doc, 0);
    EXPECT_EQ(cadDocGetActive(), doc);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, doc), own);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, doc), 1);
    EXPECT_EQ(entityCount(), 1);
    // Saving writes it under its own name.
    ASSERT_EQ(cadExecute(CAD_CMD_SAVE), 1);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(own)));
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, doc), 0);

    // An untitled one stays untitled.
    const int untitled = cadFileRecover(0, copy, "");
    ASSERT_GT(untitled, 0);
    EXPECT_EQ(cadPropGet(CAD_PROP_DOC_PATH, untitled), "");
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, untitled), 1);
}

TEST_F(Copies, ADamagedCopyOpensNothing) {
    const std::string copy = path("3.rdw");
    std::ofstream(copy, std::ios::binary) << "\x89RDW\r\n\x1a\n cut short";
    std::string error;
    EXPECT_EQ(cadFileRecover(0, copy, path("plan.rdw"), &error), 0);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(responder->messages.empty());
    EXPECT_EQ(cadDocList().size(), 0u);
    // Without a place for the reason, the person is told.
    EXPECT_EQ(cadFileRecover(0, copy, path("plan.rdw")), 0);
    EXPECT_EQ(responder->messages.size(), 1u);
}

} // namespace

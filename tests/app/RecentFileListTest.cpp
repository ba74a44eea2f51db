// The recent-file list: order, no duplicates, eight entries, the stored values and the
// shortened menu texts.
#include "app/RecentFileList.h"

#include <QtTest>

class RecentFileListTest : public QObject {
    Q_OBJECT

private slots:
    void newestFirstWithoutDuplicates();
    void keepsEightAndDropsTheOldest();
    void storesFile1ToFile8AndReadsThemBack();
    void menuTextsAreShortenedToThirtyCharacters();
    void shortenKeepsTheFileNameWhole();
};

void RecentFileListTest::newestFirstWithoutDuplicates() {
    CRecentFileList list;
    list.Add("/a/ONE.PXM");
    list.Add("/a/TWO.PXM");
    list.Add("/a/ONE.PXM");
    list.Add("");
    QCOMPARE(list.GetCount(), 2);
    QCOMPARE(list.GetPath(0), std::string("/a/ONE.PXM"));
    QCOMPARE(list.GetPath(1), std::string("/a/TWO.PXM"));
    QCOMPARE(list.GetPath(2), std::string());
    QCOMPARE(list.GetPath(-1), std::string());
    // Paths are compared exactly: a different letter case is another file.
    list.Add("/a/one.PXM");
    QCOMPARE(list.GetCount(), 3);
}

void RecentFileListTest::keepsEightAndDropsTheOldest() {
    CRecentFileList list;
    for (int i = 1; i <= 10; ++i)
        list.Add("/db/" + std::to_string(i) + ".PXM");
    QCOMPARE(list.GetCount(), 8);
    QCOMPARE(list.GetPath(0), std::string("/db/10.PXM"));
    QCOMPARE(list.GetPath(7), std::string("/db/3.PXM"));
    // Moving an old entry to the front does not drop anything.
    list.Add("/db/3.PXM");
    QCOMPARE(list.GetCount(), 8);
    QCOMPARE(list.GetPath(0), std::string("/db/3.PXM"));
    QCOMPARE(list.GetPath(7), std::string("/db/4.PXM"));
}

void RecentFileListTest::storesFile1ToFile8AndReadsThemBack() {
    CMemorySettings settings;
    CRecentFileList list;
    list.Add("/x/OLD.PXM");
    list.Add("/x/NEW.PXM");
    list.Write(settings);
    QCOMPARE(settings.GetProfileString("Recent File List", "File1", "?"), "/x/NEW.PXM");
    QCOMPARE(settings.GetProfileString("Recent File List", "File2", "?"), "/x/OLD.PXM");
    QCOMPARE(settings.GetProfileString("Recent File List", "File8", "?"), "");

    settings.WriteProfileString("Recent File List", "File4", "/x/FOURTH.PXM");
    CRecentFileList read;
    read.Add("/stale.PXM");
    read.Read(settings);
    QCOMPARE(read.GetCount(), 3);
    QCOMPARE(read.GetPath(0), std::string("/x/NEW.PXM"));
    QCOMPARE(read.GetPath(2), std::string("/x/FOURTH.PXM"));
}

void RecentFileListTest::menuTextsAreShortenedToThirtyCharacters() {
    CRecentFileList list;
    list.Add("/home/user/pictures/holidays/2019/summer/BEACH.PXM");
    list.Add("/p/A&B.PXM");
    QCOMPARE(list.GetMenuText(0), QString("&1 /p/A&&B.PXM"));
    const QString second = list.GetMenuText(1);
    QVERIFY(second.startsWith("&2 "));
    QCOMPARE(second.mid(3), QString("/home/user/.../BEACH.PXM"));
    QVERIFY(second.size() - 3 <= CRecentFileList::maxMenuTextLength);
}

void RecentFileListTest::shortenKeepsTheFileNameWhole() {
    QCOMPARE(CRecentFileList::ShortenPath("/short/A.PXM", 30), QString("/short/A.PXM"));
    const QString exact = "/" + QString(24, 'f') + "/A.PXM";
    QCOMPARE(exact.size(), 31);
    QCOMPARE(CRecentFileList::ShortenPath(exact, 30), QString(".../A.PXM").prepend("/"));
    const QString longName = "/a/" + QString(40, 'n') + ".PXM";
    const QString cut = CRecentFileList::ShortenPath(longName, 30);
    QCOMPARE(cut.size(), 30);
    QVERIFY(cut.endsWith("..."));
    QVERIFY(cut.startsWith("nnn"));
}

QTEST_MAIN(RecentFileListTest)
#include "RecentFileListTest.moc"

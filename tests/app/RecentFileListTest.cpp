// The recent-file list: order, no duplicates, eight entries, the stored values and the
// menu texts.
#include "app/RecentFileList.h"

#include <QtTest>

class RecentFileListTest : public QObject {
    Q_OBJECT

private slots:

    // Newest first, no duplicates (compared exactly), at most eight; moving an old entry to
    // the front drops nothing.
    void newestFirstWithoutDuplicatesKeepingEight() {
        CRecentFileList list;
        for (int i = 1; i <= 10; ++i)
            list.Add("/db/" + std::to_string(i) + ".PXM");
        list.Add("/db/3.PXM");
        list.Add("");
        QCOMPARE(list.GetCount(), 8);
        QCOMPARE(list.GetPath(0) + list.GetPath(1) + list.GetPath(7),
                 "/db/3.PXM/db/10.PXM/db/4.PXM");
        QCOMPARE(list.GetPath(8) + list.GetPath(-1), std::string());
        list.Add("/db/10.pxm");
        QCOMPARE(list.GetPath(2), std::string("/db/10.PXM"));
        list.Add("/p/A&B.PXM"); // an ampersand is no mnemonic
        QCOMPARE(list.GetMenuText(0), QString("&1 /p/A&&B.PXM"));
    }

    void storesFile1ToFile8AndReadsThemBack() {
        CMemorySettings settings;
        CRecentFileList list;
        list.Add("/x/OLD.PXM");
        list.Add("/x/NEW.PXM");
        list.Write(settings);
        QCOMPARE(settings.GetProfileString("Recent File List", "File8", "?"), "");
        settings.WriteProfileString("Recent File List", "File4", "/x/FOURTH.PXM");
        CRecentFileList read;
        read.Add("/stale.PXM");
        read.Read(settings);
        QCOMPARE(read.GetCount(), 3);
        QCOMPARE(read.GetPath(0), std::string("/x/NEW.PXM"));
        QCOMPARE(read.GetPath(2), std::string("/x/FOURTH.PXM"));
    }
};

QTEST_MAIN(RecentFileListTest)
#include "RecentFileListTest.moc"

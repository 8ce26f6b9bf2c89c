// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"
#include "ownedworker.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {
AppFlowDateParameter figures(const QString &desktop, double recv, double send)
{
    return {desktop, QString(), QString(), recv, send, recv + send};
}

QStringList names(const WardenDisplayList &rows)
{
    QStringList names;
    for (const WardenDisplay &row : rows)
        names << row.appName;
    return names;
}
} // namespace

// No launcher is on the test bus: the cases hand in its answer themselves.
class TestDisplayLists : public QObject
{
    Q_OBJECT

    OwnedWorker worker;
    std::unique_ptr<WardenHandleThread> display;
    std::unique_ptr<QSignalSpy> speed, flow;

    static WardenDisplayList last(const std::unique_ptr<QSignalSpy> &spy)
    {
        return spy->last().first().value<WardenDisplayList>();
    }

private slots:
    void initTestCase() { registerWardenDisplayMetaType(); }
    void init()
    {
        worker.reset(new TrafficDetailsWorker);
        display = std::make_unique<WardenHandleThread>(worker.get(), nullptr);
        connect(worker.get(), &TrafficDetailsWorker::DesktopUpdate, display.get(),
                &WardenHandleThread::UpdateAllProcPid);
        display->takeLauncherItems({{"/apps/mail.desktop", "Mail", "", "mail-icon"},
                                    {"/opt/player.desktop", "Player", "", "player-icon"},
                                    {"/apps/office-writer.desktop", "Writer", "", "writer-icon"},
                                    {"/apps/office-sheets.desktop", "Sheets", "", "sheets-icon"}});
        speed = std::make_unique<QSignalSpy>(display.get(), &WardenHandleThread::SendSpeedData);
        flow = std::make_unique<QSignalSpy>(display.get(), &WardenHandleThread::SendFlowData);
    }
    void cleanup()
    {
        display.reset();
        worker.reset();
    }

    void launcher_failure_warns_and_leaves_only_the_web_pseudo_application()
    {
        QTest::ignoreMessage(QtWarningMsg, "data is empty, quit!!");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QDBusError"));
        WardenHandleThread failed(worker.get(), nullptr);
        // The launcher's error answer comes through the event loop; a retry comes later.
        QTest::qWait(300);
        QVERIFY(failed.applications().isEmpty());
        QSignalSpy failedSpeed(&failed, &WardenHandleThread::SendSpeedData);
        worker->Getdesktoplist({"/usr/share/applications/"});
        failed.UpdateAllProcPid();
        QCOMPARE(names(failedSpeed.last().first().value<WardenDisplayList>()),
                 QStringList{"https"});
    }

    void speed_rows_follow_the_applications_matching_the_desktop_list_data()
    {
        QTest::addColumn<QStringList>("desktops");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("application-major")
            << QStringList{"/usr/share/applications/player.desktop", "/opt/mail.desktop"}
            << QStringList{"Mail", "Player"};
        QTest::newRow("ending in slash: every application")
            << QStringList{"/usr/share/applications/"}
            << QStringList{"Mail", "Player", "Writer", "Sheets", "https"};
        QTest::newRow("web") << QStringList{"/opt/web/http"} << QStringList{"https"};
        QTest::newRow("short name in no path") << QStringList{"/opt/xy"} << QStringList{};
    }
    void speed_rows_follow_the_applications_matching_the_desktop_list()
    {
        QFETCH(QStringList, desktops);
        QFETCH(QStringList, rows);
        worker->Getdesktoplist(desktops);
        QCOMPARE(speed->count(), 1); // one update for each desktop list
        QCOMPARE(names(last(speed)), rows);
    }

    // The speeds stay one more cycle, so that rows do not blink; the sums add them once. A row
    // goes on with the desktop it took: once it took ail.desktop, mail.desktop is not within.
    void speed_rows_are_zero_until_a_sample_then_texts_follow_it_and_sums_add_it_once()
    {
        worker->Getdesktoplist({"/usr/share/applications/player.desktop", "/opt/mail.desktop"});
        QCOMPARE(last(speed)[1].totalText, QStringLiteral("0.00"));
        worker->Getallproclist(
            {{100, "mail", "/apps/mail.desktop"}, {101, "sync", "/ail.desktop"}});
        worker->Getallprocpid({100, 101});
        worker->onAppMonitorNetFlowDetailData("sync", 3.5, 4, 101, "eth0", "kb/s");
        worker->onAppMonitorNetFlowDetailData("mail", 1, 2, 100, "eth0", "kb/s");
        display->onUpdate();
        display->onUpdate();
        const WardenDisplayList rows = last(speed);
        QCOMPARE(rows[0].recvText, QStringLiteral("3.50"));
        QCOMPARE(rows[0].recvSum + rows[0].sendSum, 3.5 + 4);
    }

    void flow_rows_pair_each_history_record_with_every_matching_application()
    {
        worker->Getdesktoplist({"/opt/web/http"});
        // "s/opt": each three-letter piece stands in some path, the whole in none.
        worker->onReceiveFlowDate({figures("office", 1.5, 2.25), figures("mail.desktop", 7, 0),
                                   figures("", 9, 9), figures("https", 1, 1),
                                   figures("s/opt", 1, 1)});
        display->onUpdate();
        const WardenDisplayList rows = last(flow);
        QCOMPARE(names(rows), QStringList({"Writer", "Sheets", "Mail"})); // no web row
        QCOMPARE(rows[1].totalText, QStringLiteral("3.75"));
        // A new launcher list of the same length is matched afresh.
        display->takeLauncherItems({{"/apps/office.desktop", "Office", "", ""}, {}, {}, {}});
        display->onUpdate();
        QCOMPARE(names(last(flow)), QStringList({"Office"}));
    }
};

QTEST_GUILESS_MAIN(TestDisplayLists)
#include "tst_displaylists.moc"

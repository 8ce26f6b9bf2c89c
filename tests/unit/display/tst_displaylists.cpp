// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"
#include "ownedworker.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {
AppParameter figures(const QString &desktop, double recv, double send)
{
    return {QString(), recv, send, 0, QString(), QString(), desktop, 0, QString()};
}

QStringList names(const WardenDisplayList &rows)
{
    QStringList names;
    for (const WardenDisplay &row : rows)
        names << row.appName;
    return names;
}
} // namespace

// No launcher is on the test bus: the cases put their applications before the web one.
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
        display->m_appList = {{"/apps/mail.desktop", "Mail", "", "mail-icon"},
                              {"/apps/player.desktop", "Player", "", "player-icon"},
                              {"/apps/office-writer.desktop", "Writer", "", "writer-icon"},
                              {"/apps/office-sheets.desktop", "Sheets", "", "sheets-icon"}};
        display->m_allAppList = display->m_appList + display->m_allAppList;
        speed = std::make_unique<QSignalSpy>(display.get(), &WardenHandleThread::SendSpeedData);
        flow = std::make_unique<QSignalSpy>(display.get(), &WardenHandleThread::SendFlowData);
    }
    void cleanup()
    {
        delete display->m_updateTimer;
        display.reset();
        worker.reset();
    }

    void launcher_failure_warns_and_leaves_only_the_web_pseudo_application()
    {
        QTest::ignoreMessage(QtWarningMsg, "data is empty, quit!!");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QDBusError"));
        WardenHandleThread failed(worker.get(), nullptr);
        delete failed.m_updateTimer;
        QCOMPARE(failed.m_allAppList.size(), 1);
        QCOMPARE(failed.m_allAppList.first().appName, QStringLiteral("https"));
        // The launcher's error answer comes through the event loop; a retry comes later.
        QTest::qWait(300);
        QCOMPARE(failed.m_allAppList.size(), 1);
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
    }
    void speed_rows_follow_the_applications_matching_the_desktop_list()
    {
        QFETCH(QStringList, desktops);
        QFETCH(QStringList, rows);
        worker->Getdesktoplist(desktops);
        QCOMPARE(speed->count(), 1); // one update for each desktop list
        QCOMPARE(names(last(speed)), rows);
    }

    // The speeds stay one more cycle, so that rows do not blink; the sums add them once.
    void speed_rows_are_zero_until_a_sample_then_texts_follow_it_and_sums_add_it_once()
    {
        worker->Getdesktoplist({"/usr/share/applications/player.desktop", "/opt/mail.desktop"});
        QCOMPARE(last(speed)[1].totalText, QStringLiteral("0.00"));
        worker->Getallproclist(
            {{100, "mail", "/apps/mail.desktop"}, {101, "sync", "/mail.desktop"}});
        worker->Getallprocpid({100, 101});
        worker->onAppMonitorNetFlowDetailData("mail", 1, 2, 100, "eth0", "kb/s");
        worker->onAppMonitorNetFlowDetailData("sync", 3.5, 4, 101, "eth0", "kb/s");
        display->onUpdate();
        display->onUpdate();
        const WardenDisplayList rows = last(speed);
        QCOMPARE(rows[0].recvText, QStringLiteral("4.50"));
        QCOMPARE(rows[0].recvSum + rows[0].sendSum, 4.5 + 6);
    }

    void flow_rows_pair_each_history_record_with_every_matching_application()
    {
        worker->Getdesktoplist({"/opt/web/http"});
        worker->m_historyList = {figures("office", 1.5, 2.25), figures("mail.desktop", 7, 0),
                                 figures("", 9, 9), figures("https", 1, 1)};
        display->onUpdate();
        const WardenDisplayList rows = last(flow);
        QCOMPARE(names(rows), QStringList({"Writer", "Sheets", "Mail"})); // no web row
        QCOMPARE(rows[1].totalText, QStringLiteral("3.75"));
    }
};

QTEST_GUILESS_MAIN(TestDisplayLists)
#include "tst_displaylists.moc"

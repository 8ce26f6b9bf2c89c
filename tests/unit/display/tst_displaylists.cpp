#include "display/wardenhandlethread.h"
#include "ownedworker.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {
AppParameter figures(const QString &desktop, double recv, double send, int pid = 0)
{
    AppParameter entry;
    entry.desktop = desktop;
    entry.recv = recv;
    entry.send = send;
    entry.pid = pid;
    return entry;
}

WardenDisplayList last(const QSignalSpy &spy)
{
    return spy.last().first().value<WardenDisplayList>();
}
} // namespace

// No launcher is on the test bus: each display thread starts with the web
// pseudo-application only, and the cases put their applications in front.
class TestDisplayLists : public QObject
{
    Q_OBJECT

    OwnedWorker worker;
    std::unique_ptr<WardenHandleThread> display;

private slots:
    void initTestCase() { registerWardenDisplayMetaType(); }
    void init()
    {
        worker = makeWorker();
        display = std::make_unique<WardenHandleThread>(worker.get(), nullptr);
        connect(worker.get(), &TrafficDetailsWorker::DesktopUpdate, display.get(),
                &WardenHandleThread::UpdateAllProcPid);
        display->m_appList = {{"/apps/mail.desktop", "Mail", "", "mail-icon"},
                              {"/apps/player.desktop", "Player", "", "player-icon"},
                              {"/apps/office-writer.desktop", "Writer", "", "writer-icon"},
                              {"/apps/office-sheets.desktop", "Sheets", "", "sheets-icon"}};
        display->m_allAppList = display->m_appList + display->m_allAppList;
    }
    void cleanup()
    {
        delete display->m_updateTimer;
        display.reset();
        worker.reset();
    }

    void launcher_failure_leaves_only_the_web_pseudo_application()
    {
        QTest::ignoreMessage(QtWarningMsg, "data is empty, quit!!");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QDBusError"));
        WardenHandleThread failed(worker.get(), nullptr);
        delete failed.m_updateTimer;
        QVERIFY(failed.m_appList.isEmpty());
        QCOMPARE(failed.m_allAppList.size(), 1);
        QCOMPARE(failed.m_allAppList.first().appName, QStringLiteral("https"));
    }

    void run_returns_at_once_and_the_timer_keeps_cycling()
    {
        QSignalSpy speed(display.get(), &WardenHandleThread::SendSpeedData);
        display->start(QThread::InheritPriority);
        QVERIFY(display->wait(500));
        QTRY_VERIFY_WITH_TIMEOUT(speed.count() >= 1, 3000);
    }

    void speed_rows_are_zero_until_a_sample_then_texts_follow_it_and_sums_grow()
    {
        QSignalSpy speed(display.get(), &WardenHandleThread::SendSpeedData);
        worker->Getdesktoplist({"/usr/share/applications/player.desktop", "/opt/mail.desktop"});
        WardenDisplayList rows = last(speed);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].appName, QStringLiteral("Mail")); // application-major
        QCOMPARE(rows[0].desktopName, QStringLiteral("mail.desktop"));
        QCOMPARE(rows[1].appName, QStringLiteral("Player"));
        QCOMPARE(rows[1].icon, QStringLiteral("player-icon"));
        QCOMPARE(rows[1].totalText, QStringLiteral("0.00"));

        worker->m_speedList = {figures("mail.desktop", 1, 2, 11),
                               figures("mail.desktop", 3.5, 4, 12)};
        display->onUpdate();
        display->onUpdate();
        rows = last(speed);
        QCOMPARE(rows[0].recvText, QStringLiteral("3.50"));
        QCOMPARE(rows[0].sendText, QStringLiteral("4.00"));
        QCOMPARE(rows[0].pid, 12);
        QCOMPARE(rows[0].recvSum, 9.0);
        QCOMPARE(rows[0].sendSum, 12.0);
        QCOMPARE(rows[1].recvText, QStringLiteral("0.00"));
        QCOMPARE(rows[1].recvSum + rows[1].sendSum + rows[1].extraSum, 0.0);

        display->UpdateAllProcPid(); // rebuilt rows start their sums again
        QCOMPARE(last(speed)[0].recvSum, 4.5);
    }

    void desktop_entry_ending_in_slash_gives_a_row_for_every_application()
    {
        QSignalSpy speed(display.get(), &WardenHandleThread::SendSpeedData);
        worker->Getdesktoplist({"/usr/share/applications/"});
        QCOMPARE(last(speed).size(), 5);
        QCOMPARE(last(speed).last().appName, QStringLiteral("https"));
    }

    void web_pseudo_application_shows_in_speed_rows_only()
    {
        QSignalSpy speed(display.get(), &WardenHandleThread::SendSpeedData);
        QSignalSpy flow(display.get(), &WardenHandleThread::SendFlowData);
        worker->Getdesktoplist({"/opt/web/http"});
        worker->m_historyList = {figures("https", 1, 1)};
        display->onUpdate();
        QCOMPARE(last(speed).size(), 1);
        QCOMPARE(last(speed).first().appName, QStringLiteral("https"));
        QVERIFY(last(flow).isEmpty());
    }

    void flow_rows_pair_each_history_record_with_every_matching_application()
    {
        QSignalSpy flow(display.get(), &WardenHandleThread::SendFlowData);
        worker->m_historyList = {figures("office", 1.5, 2.25), figures("mail.desktop", 7, 0),
                                 figures("", 9, 9)};
        display->onUpdate();
        const WardenDisplayList rows = last(flow);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].appName, QStringLiteral("Writer"));
        QCOMPARE(rows[1].appName, QStringLiteral("Sheets"));
        QCOMPARE(rows[2].appName, QStringLiteral("Mail"));
        QCOMPARE(rows[1].totalText, QStringLiteral("3.75"));
        QCOMPARE(rows[1].recvSum, 1.5);
        QCOMPARE(rows[1].desktopName, QStringLiteral("office"));

        worker->m_historyList.clear();
        display->onUpdate();
        QVERIFY(last(flow).isEmpty());
    }

    void save_list_takes_the_name_of_the_last_matching_application()
    {
        connect(display.get(), &WardenHandleThread::setSaveFlowList, worker.get(),
                &TrafficDetailsWorker::onSetSvaeFLowList);
        AppParameter office = figures("office", 10, 1);
        AppParameter tool = figures("tool.desktop", 2, 2);
        tool.sName = QStringLiteral("tool");
        worker->m_totalList = {office, tool};
        display->onUpdate();
        QCOMPARE(worker->m_saveFlowList.size(), 2);
        QCOMPARE(worker->m_saveFlowList[0].sName, QStringLiteral("Sheets"));
        QCOMPARE(worker->m_saveFlowList[1].sName, QStringLiteral("tool"));
    }
};

QTEST_GUILESS_MAIN(TestDisplayLists)
#include "tst_displaylists.moc"

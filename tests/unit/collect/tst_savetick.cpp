#include "ownedworker.h"

#include <QSignalSpy>
#include <QTest>

class TestSaveTick : public QObject
{
    Q_OBJECT

    OwnedWorker worker;

private slots:
    void init() { worker = makeWorker(); }
    void cleanup() { worker.reset(); }

    void empty_save_list_still_clears_saves_and_asks_again_for_the_period()
    {
        QCOMPARE(worker->m_saveTimer->interval(), 5000);
        QSignalSpy queued(worker->m_useData, &UseData::reqSendSignal);
        QSignalSpy today(worker->m_useData, &UseData::notifyGetTodayFlowData);
        QSignalSpy lastMonth(worker->m_useData, &UseData::notifyGetLastMonthFlowData);
        worker->saveFlowData();
        QCOMPARE(queued.count(), 3); // clear, save, the period
        QCOMPARE(today.count(), 1);

        worker->requestLastMonthFlowData();
        worker->saveFlowData();
        QCOMPARE(lastMonth.count(), 2);
        QCOMPARE(today.count(), 1);
    }

    void history_answer_replaces_the_history_list()
    {
        worker->onReceiveFlowDate({{"a.desktop", "A", "2024/02/29/11", 1, 2, 3}});
        worker->onReceiveFlowDate({{"c.desktop", "C", "2024/02/29/12", 6, 7, 13}});
        QCOMPARE(worker->m_historyList.size(), 1);
        const AppParameter row = worker->m_historyList.first();
        QCOMPARE(row.desktop, QStringLiteral("c.desktop"));
        QCOMPARE(row.sName, QStringLiteral("C"));
        QCOMPARE(row.recv + row.send + row.total, 26.0);
        QCOMPARE(row.pid, 0);
    }
};

QTEST_GUILESS_MAIN(TestSaveTick)
#include "tst_savetick.moc"

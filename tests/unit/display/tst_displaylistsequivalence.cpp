// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"
#include "nestedscanlists.h"
#include "ownedworker.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <tuple>

namespace {
// Names chosen so that many are substrings of others, the alias keys
// included; "" stands for a desktop entry or sample without a name.
const QStringList kNames =
    QStringLiteral("mail.desktop|gmail.desktop|mail|ail.desktop|.desktop|player.desktop|"
                   "video-player.desktop|writer.desktop|office-writer.desktop|"
                   "cn.360.browser-cn.desktop|browser360-cn.desktop|"
                   "org.midori_browser.Midori.desktop|org.midori.browser.desktop|https|http|ps|p|")
        .split(QLatin1Char('|'));
const QStringList kFolders = {"/usr/share/applications/", "/opt/apps/", "", "/a/b/"};

QString pick(QRandomGenerator &random, const QStringList &from)
{
    return from.at(random.bounded(from.size()));
}

QList<allApp> generatedApplications(QRandomGenerator &random)
{
    QList<allApp> apps;
    const int count = random.bounded(1, 30);
    for (int i = 0; i < count; ++i) {
        // Some paths end in "/" or are bare names; names repeat under other folders.
        const QString path = pick(random, kFolders) + pick(random, kNames);
        apps.append(
            {path, QStringLiteral("App %1").arg(i), QString(), QStringLiteral("icon-%1").arg(i)});
    }
    return apps;
}

QStringList generatedDesktopList(QRandomGenerator &random)
{
    QStringList entries;
    const int count = random.bounded(12);
    for (int i = 0; i < count; ++i)
        entries.append(pick(random, kFolders) + pick(random, kNames));
    return entries;
}

AppParameter generatedSample(QRandomGenerator &random)
{
    AppParameter sample;
    sample.recv = random.bounded(10000) / 64.0;
    sample.send = random.bounded(10000) / 64.0;
    sample.total = random.bounded(100000) / 8.0;
    sample.pid = random.bounded(40);
    sample.desktop = pick(random, kNames);
    sample.sName = pick(random, {"mail", "player", ""});
    return sample;
}

// The lists as they come again a second later: pids change, entries move to
// other applications, new ones join.
QList<AppParameter> evolved(QRandomGenerator &random, QList<AppParameter> samples)
{
    for (AppParameter &sample : samples) {
        if (random.bounded(4) == 0)
            sample.pid = random.bounded(40);
        if (random.bounded(8) == 0)
            sample.desktop = pick(random, kNames);
        sample.recv = random.bounded(10000) / 64.0;
        sample.send = random.bounded(10000) / 64.0;
        sample.freshRecv = random.bounded(2) * sample.recv;
        sample.freshSend = sample.freshRecv / 2;
    }
    const int added = random.bounded(4);
    for (int i = 0; i < added; ++i)
        samples.append(generatedSample(random));
    return samples;
}

bool sameEntry(const AppParameter &x, const AppParameter &y)
{
    return std::tie(x.name, x.recv, x.send, x.pid, x.device, x.type, x.desktop, x.total, x.sName) ==
           std::tie(y.name, y.recv, y.send, y.pid, y.device, y.type, y.desktop, y.total, y.sName);
}

template <typename List, typename Same> bool sameLists(const List &a, const List &b, Same same)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), same);
}
} // namespace

class TestDisplayListsEquivalence : public QObject
{
    Q_OBJECT

    OwnedWorker worker;
    std::unique_ptr<WardenHandleThread> display;
    NestedScanLists reference;
    NestedScanLists::Cycle sent;

    void useApplications(const QList<allApp> &apps)
    {
        display->m_appList = apps;
        display->m_allAppList = apps;
        display->m_allAppList.append({"https", "https", "https", "web-icon"});
        reference.apps = display->m_appList;
        reference.allApps = display->m_allAppList;
    }

    // One cycle of each: the indexed lists as sent must equal the nested scans'.
    void compareCycle(const char *step)
    {
        const NestedScanLists::Cycle expected = reference.runCycle(
            display->m_speedSampleList, display->m_totalSampleList, display->m_historyFlowList);
        const auto sameRow = [](const WardenDisplay &x, const WardenDisplay &y) {
            return !(x != y);
        };
        QVERIFY2(sameLists(sent.saveList, expected.saveList, sameEntry), step);
        QVERIFY2(sameLists(sent.speedRows, expected.speedRows, sameRow), step);
        QVERIFY2(sameLists(sent.flowRows, expected.flowRows, sameRow), step);
    }

private slots:
    void init()
    {
        worker.reset(new TrafficDetailsWorker);
        display = std::make_unique<WardenHandleThread>(worker.get(), nullptr);
        connect(display.get(), &WardenHandleThread::setSaveFlowList,
                [this](const QList<AppParameter> &list) { sent.saveList = list; });
        connect(display.get(), &WardenHandleThread::SendFlowData,
                [this](const WardenDisplayList &rows) { sent.flowRows = rows; });
        connect(display.get(), &WardenHandleThread::SendSpeedData,
                [this](const WardenDisplayList &rows) { sent.speedRows = rows; });
        reference = NestedScanLists();
    }
    void cleanup()
    {
        delete display->m_updateTimer;
        display.reset();
        worker.reset();
    }

    void indexed_lists_equal_nested_scans_over_generated_cycles_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }
    void indexed_lists_equal_nested_scans_over_generated_cycles()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        useApplications(generatedApplications(random));
        for (int step = 0; step < 40; ++step) {
            const int event = random.bounded(10);
            if (event == 0) {
                worker->m_desktoplist = generatedDesktopList(random);
                reference.rebuildSpeedRows(worker->m_desktoplist);
                display->UpdateAllProcPid();
            } else if (event == 1) {
                useApplications(generatedApplications(random));
                continue; // the lists are read again at the next cycle
            } else if (event == 2 && !display->m_appList.isEmpty()) {
                // Changed in place, as no new list: the kept lookups must notice.
                const int at = random.bounded(display->m_appList.size());
                display->m_appList[at].desktopPath = pick(random, kFolders) + pick(random, kNames);
                display->m_allAppList[at] = display->m_appList.at(at);
                reference.apps = display->m_appList;
                reference.allApps = display->m_allAppList;
                continue;
            } else {
                worker->m_speedList = evolved(random, worker->m_speedList);
                worker->m_totalList = evolved(random, worker->m_totalList);
                worker->m_historyList = evolved(random, worker->m_historyList);
                display->onUpdate();
            }
            compareCycle(qPrintable(QStringLiteral("step %1").arg(step)));
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_GUILESS_MAIN(TestDisplayListsEquivalence)
#include "tst_displaylistsequivalence.moc"

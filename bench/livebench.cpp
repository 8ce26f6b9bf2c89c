// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Times the live side without a bus: the worker's sample intake and the display
// cycle at growing numbers of applications (two processes each, each sending a
// speed and a total sample a second), the scanning baseline beside the code in use.
// Usage: live-bench [APPLICATIONS...]   (10 100 1000 5000 when none are given)
#include "collect/trafficdetailsworker.h"
#include "display/wardenhandlethread.h"
#include "nestedscanlists.h"
#include "scanningintake.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
const QString kSpeedType = QStringLiteral("kb/s");
const QString kTotalType = QStringLiteral("total_kb");
// Intake timings stop after this many signals: the baseline is slow at thousands.
const int kTimedSignals = 2000;
const int kLargestScanned = 1000;

struct Load
{
    LauncherItemInfoList apps;
    WardenProcessInfoList processes;
    QStringList desktops;
    QList<AppFlowDateParameter> history;
};

Load loadOf(int applications)
{
    Load load;
    for (int i = 0; i < applications; ++i) {
        const QString file = QStringLiteral("org.example.Net%1.desktop").arg(i);
        const QString path = QStringLiteral("/usr/share/applications/") + file;
        load.apps.append({path, QStringLiteral("Net %1").arg(i), QString(), QStringLiteral("net")});
        load.desktops.append(path);
        for (int process = 0; process < 2; ++process)
            load.processes.append({1000 + 2 * i + process, QStringLiteral("net%1").arg(i), path});
        const double recv = 1000 + i, send = 10 + i;
        load.history.append({file, load.apps.last().appName, QString(), recv, send, recv + send});
    }
    return load;
}

using Delivery = std::function<void(const WardenProcessInfo &, double, double, const QString &)>;

// One second of the monitor's signals, each delivered twice as the worker's
// two connections do; returns the signals delivered.
int feedSecond(const Load &load, int second, int limit, int processStep, const Delivery &deliver)
{
    int delivered = 0;
    for (int i = 0; i < load.processes.size() && delivered < limit; i += processStep) {
        const WardenProcessInfo &process = load.processes.at(i);
        const double recv = 5 + process.pid % 7, send = 1 + process.pid % 3;
        for (int run = 0; run < 2; ++run)
            deliver(process, recv, send, kSpeedType);
        for (int run = 0; run < 2; ++run)
            deliver(process, recv * second, send * second, kTotalType);
        delivered += 2;
    }
    return delivered;
}

double microsecondsPerSignal(const Load &load, const Delivery &deliver)
{
    // Each application's first process makes its entries; the baseline takes
    // minutes for a whole second at 5,000 applications.
    feedSecond(load, 1, INT_MAX, 2, deliver);
    QElapsedTimer timer;
    timer.start();
    const int signalsSent = feedSecond(load, 2, kTimedSignals, 1, deliver);
    return timer.nsecsElapsed() / 1e3 / signalsSent;
}

double medianMs(int rounds, const std::function<void()> &work)
{
    QVector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("unknown\n");
}

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtWarningMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void measure(int applications)
{
    const Load load = loadOf(applications);
    WardenProcessList pids;
    for (const WardenProcessInfo &process : load.processes)
        pids.append(process.pid);

    ScanningIntake scanning;
    scanning.m_procInfoList = load.processes;
    scanning.m_procPidList = pids;
    const double intakeScan = microsecondsPerSignal(
        load, [&](const WardenProcessInfo &p, double recv, double send, const QString &type) {
            scanning.take(p.procName, recv, send, p.pid, QStringLiteral("eth0"), type);
        });

    // Never torn down, as in the service; the benchmark ends soon after.
    auto *worker = new TrafficDetailsWorker;
    worker->Getallproclist(load.processes);
    worker->Getallprocpid(pids);
    worker->Getdesktoplist(load.desktops);
    const double intakeNow = microsecondsPerSignal(
        load, [&](const WardenProcessInfo &p, double recv, double send, const QString &type) {
            worker->onAppMonitorNetFlowDetailData(p.procName, recv, send, p.pid,
                                                  QStringLiteral("eth0"), type);
        });
    worker->onReceiveFlowDate(load.history);

    auto *display = new WardenHandleThread(worker, nullptr);
    QObject::connect(display, &WardenHandleThread::setSaveFlowList, worker,
                     &TrafficDetailsWorker::onSetSvaeFLowList);
    // The launcher's first answer rebuilds the speed rows at once: the real list comes second.
    display->takeLauncherItems({});
    display->takeLauncherItems(load.apps);
    display->onUpdate(); // takes the worker's lists
    // The first rebuild after a new launcher list also builds the lookups.
    const double firstRebuildNow = medianMs(1, [&] { display->UpdateAllProcPid(); });
    const double rebuildNow = medianMs(3, [&] { display->UpdateAllProcPid(); });
    const QList<AppParameter> speeds = worker->speedFigures();
    const QList<AppParameter> totals = worker->totalFigures();
    const double cycleNow = medianMs(5, [&] { display->onUpdate(); });
    // Kept only now: a copy held during the timed cycles would make each of them copy the rows.
    WardenDisplayList speedRows;
    QObject::connect(display, &WardenHandleThread::SendSpeedData,
                     [&speedRows](const WardenDisplayList &rows) { speedRows = rows; });
    display->onUpdate();

    NestedScanLists nested;
    nested.apps = display->applications();
    nested.allApps = nested.apps;
    nested.allApps.append({"https", "https", "https", "web"});
    const int rounds = applications > kLargestScanned ? 1 : 3;
    // The scanning rebuild splits every desktop entry once per application, which takes
    // minutes at 5,000; there it starts from the rows the indexed rebuild made, the same rows.
    QString rebuildScan = QStringLiteral("-");
    if (applications > kLargestScanned) {
        nested.speedRows = speedRows;
    } else {
        const double ms = medianMs(1, [&] {
            nested.rebuildSpeedRows(worker->desktops());
            nested.runCycle(speeds, totals, worker->historyFigures());
        });
        rebuildScan = QString::number(ms, 'f', 2);
    }
    const double cycleScan =
        medianMs(rounds, [&] { nested.runCycle(speeds, totals, worker->historyFigures()); });

    std::printf("| %5d | %5d | %9.2f | %9.2f | %5.1f%% | %10s | %8.2f / %6.2f | %10.2f | %10.2f | "
                "%5d |\n",
                applications, int(load.processes.size()), intakeScan, intakeNow,
                intakeNow * 4 * applications / 1e4, qPrintable(rebuildScan), firstRebuildNow,
                rebuildNow, cycleScan, cycleNow, int(speedRows.size()));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    // No peers: the proxies must not reach any bus the caller runs in.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/session");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietMessages);
    registerWardenDisplayMetaType();

    QList<int> sizes;
    for (const QString &argument : app.arguments().mid(1))
        sizes.append(argument.toInt());
    if (sizes.isEmpty())
        sizes = {10, 100, 1000, 5000};

    // Times are wall time: on a busy machine the load shows how much of it was waiting.
    std::printf("load average before: %s", loadAverage().constData());
    std::printf("intake: microseconds per monitor signal (two runs each, first %d signals of a "
                "second); intake share: of one core at 4 signals per application a second\n"
                "rebuild: new desktop list (speed rows and one cycle; indexed: first after a new "
                "launcher list / later ones); cycle: one display cycle; all of both under the "
                "lock (ms, median)\n\n",
                kTimedSignals);
    std::printf(
        "| apps  | procs | intake    | intake    | intake | rebuild    | rebuild           | "
        "cycle      | cycle      | speed |\n"
        "|       |       | scanning  | in use    | share  | scanning   | indexed           | "
        "scanning   | indexed    | rows  |\n"
        "|-------|-------|-----------|-----------|--------|------------|-------------------|"
        "------------|------------|-------|\n");
    for (int applications : qAsConst(sizes))
        measure(applications);
    std::printf("load average after: %s", loadAverage().constData());
    return 0;
}

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "historyfile.h"
#include "records/wardenrecords.h"
#include "rootfixtures.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace TestSupport;

namespace {

const QString appName = QStringLiteral("Traffic Maker");
const QString desktopName = QStringLiteral("nwt-traffic-maker.desktop");

double savedDownloads(const QString &appname)
{
    for (const QString &row : HistoryFile().sums())
        if (row.section('|', 0, 0) == appname)
            return row.section('|', 1, 1).toDouble();
    return 0;
}

std::unique_ptr<QProcess> startDaemon(const QString &program, const QStringList &arguments,
                                      const QProcessEnvironment &environment)
{
    auto daemon = std::make_unique<QProcess>();
    daemon->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon->setProcessEnvironment(environment);
    daemon->start(program, arguments);
    return daemon;
}

} // namespace

// The network monitor, procmap and the service on private buses: a process's real traffic
// reaches the speed list under its application's name and the saved history.
class RealDaemonsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString why = m_cgroup.create();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        registerWardenDisplayMetaType();

        // The traffic maker is an installed application, known by its program.
        QVERIFY(QDir().mkpath(m_data.filePath(QStringLiteral("share/applications"))));
        QFile entry(m_data.filePath(QStringLiteral("share/applications/") + desktopName));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=" + appName.toUtf8() +
                    "\nExec=traffic-maker\nIcon=network-transmit-receive\n");
        entry.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_DIRS"),
                           m_data.filePath(QStringLiteral("share")));
        environment.insert(QStringLiteral("PATH"),
                           QFileInfo(QStringLiteral(NWT_TRAFFIC_MAKER_BINARY)).path() +
                               QStringLiteral(":/usr/bin:/bin"));

        m_daemons.push_back(
            startDaemon(QStringLiteral(NWT_NETMONITOR_BINARY),
                        {QStringLiteral("--cgroup"), m_cgroup.path(), QStringLiteral("--loopback")},
                        environment));
        if (!waitForBusName(QDBusConnection::systemBus(),
                            QStringLiteral("com.nimbra.warden.MonitorNetFlow")))
            QSKIP("the network monitor cannot run here (see its message above)");
        m_daemons.push_back(startDaemon(QStringLiteral(NWT_PROCMAP_BINARY), {}, environment));
        QVERIFY(waitForBusName(QDBusConnection::sessionBus(),
                               QStringLiteral("com.nimbra.ndesk.daemon.Launcher")));
        m_daemons.push_back(startDaemon(serviceBinary(), {}, environment));
        QVERIFY(waitForBusName(QDBusConnection::sessionBus(), kService));
    }

    void cleanupTestCase()
    {
        for (auto daemon = m_daemons.rbegin(); daemon != m_daemons.rend(); ++daemon) {
            (*daemon)->terminate();
            (*daemon)->waitForFinished();
        }
    }

    void a_process_traffic_shows_under_its_application_and_is_saved()
    {
        DBusSignalRecorder speeds(QDBusConnection::sessionBus(), kService, kPath, kService,
                                  QStringLiteral("displayspped"));
        TrafficMaker maker(
            {QStringLiteral("tcp4"), QStringLiteral("200000"), QStringLiteral("50000")});
        QVERIFY(maker.start(m_cgroup));
        QTimer traffic;
        connect(&traffic, &QTimer::timeout, [&] { maker.exchange(); });
        traffic.start(250);

        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         if (speeds.messages().isEmpty())
                             return false;
                         for (const WardenDisplay &row :
                              listOf<WardenDisplayList>(speeds.messages().last())) {
                             if (row.appName == appName && row.recvSum > 0)
                                 return true;
                         }
                         return false;
                     },
                     15000),
                 "no speed row for the application");
        QTRY_VERIFY_WITH_TIMEOUT(savedDownloads(desktopName) > 0, 15000);
    }

private:
    TestCgroup m_cgroup;
    QTemporaryDir m_data;
    std::vector<std::unique_ptr<QProcess>> m_daemons;
};

QTEST_GUILESS_MAIN(RealDaemonsTest)
#include "tst_realdaemons.moc"

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "launcherdinterface.h"
#include "testsupport.h"
#include "untrustedfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <utility>

#include <sys/stat.h>

namespace {

const QString analysisService = QStringLiteral("com.nimbra.warden.analysisapp");
const QString analysisPath = QStringLiteral("/com/nimbra/warden/analysisapp");
const QString launcherService = QStringLiteral("com.nimbra.ndesk.daemon.Launcher");
const QString launcherPath = QStringLiteral("/com/nimbra/ndesk/daemon/Launcher");

} // namespace

// The real procmap on the private session bus, reading a temporary data folder.
class ProcmapTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_data.filePath(QStringLiteral("bin"))));
        // Programs under names of their own, so that no other process on the machine matches.
        // GIO lists an entry only when its program is found.
        for (const auto &copy :
             {std::make_pair("sh", "alpha-shell"), std::make_pair("sleep", "beta-app"),
              std::make_pair("sleep", "unlisted-sleeper")})
            QVERIFY(QFile::copy(QStringLiteral("/bin/") + copy.first,
                                m_data.filePath(QStringLiteral("bin/") + copy.second)));
        const std::pair<const char *, const char *> entries[] = {
            {"alpha", "Name=Alpha\nName[de]=Alfa\nExec=alpha-shell %U\nIcon=alpha-icon\n"},
            {"beta", "Name=Beta\nExec=beta-app\nIcon=beta-icon\n"},
            {"hidden", "Name=Hidden\nExec=true\nHidden=true\n"},
            {"helper", "Name=Helper\nExec=true\nNoDisplay=true\n"},
            {"elsewhere", "Name=Elsewhere\nExec=true\nOnlyShowIn=OtherDesk;\n"}};
        for (const auto &entry : entries)
            writeEntry(QLatin1String(entry.first) + QStringLiteral(".desktop"),
                       QString::fromUtf8(entry.second));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_DIRS"),
                           m_data.filePath(QStringLiteral("share")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           m_data.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("TestDesk"));
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
        environment.insert(QStringLiteral("PATH"), m_data.filePath(QStringLiteral("bin")) +
                                                       QStringLiteral(":/usr/bin:/bin"));
        m_procmap.reset(new QProcess);
        m_procmap->setProcessChannelMode(QProcess::ForwardedChannels);
        m_procmap->setProcessEnvironment(environment);

        const QDBusConnection bus = QDBusConnection::sessionBus();
        const auto record = [&](const char *signal) {
            return new DBusSignalRecorder(bus, analysisService, analysisPath, analysisService,
                                          QLatin1String(signal));
        };
        m_processLists.reset(record("processInfoList"));
        m_desktopLists.reset(record("singleProcDesktopList"));
        m_launcherChanges.reset(record("notifyUpdateLauncherList"));
        m_procmap->start(QStringLiteral(NWT_PROCMAP_BINARY), QStringList());
        QVERIFY(TestSupport::waitForBusName(bus, analysisService));
        QVERIFY(TestSupport::waitForBusName(bus, launcherService));
    }

    void cleanupTestCase()
    {
        m_started.clear();
        if (m_procmap) {
            m_procmap->terminate();
            m_procmap->waitForFinished();
        }
    }

    void launcher_lists_shown_entries_by_localized_name_and_announces_new_ones()
    {
        QStringList names;
        for (const LauncherItemInfo &item : launcherItems()) {
            names.append(item.appName);
            if (item.appName == QLatin1String("Alfa")) {
                QCOMPARE(item.desktopPath, entryPath(QStringLiteral("alpha.desktop")));
                QCOMPARE(item.icon, QStringLiteral("alpha-icon"));
            }
        }
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("Alfa"), QStringLiteral("Beta")}));
        m_launcherChanges->clear();
        writeEntry(QStringLiteral("gamma.desktop"), QStringLiteral("Name=Gamma\nExec=true\n"));
        QVERIFY(m_launcherChanges->waitForCount(1, 10000));
        const LauncherItemInfoList items = launcherItems();
        QVERIFY(std::any_of(items.cbegin(), items.cend(),
                            [](const LauncherItemInfo &item) { return item.appName == "Gamma"; }));
    }

    void a_process_started_with_the_launch_variable_maps_to_its_entry()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE"),
                           entryPath(QStringLiteral("beta.desktop")));
        QProcess *beta = startTracked(m_data.filePath(QStringLiteral("bin/unlisted-sleeper")),
                                      {QStringLiteral("600")}, environment);
        QVERIFY(waitForMapping(int(beta->processId()), entryPath(QStringLiteral("beta.desktop"))));
        QVERIFY(QTest::qWaitFor([&] {
            return !m_desktopLists->messages().isEmpty() &&
                   m_desktopLists->messages().last().arguments().at(0).toStringList().contains(
                       entryPath(QStringLiteral("beta.desktop")));
        }));
    }

    void a_child_inherits_the_application_its_parent_runs_as_program()
    {
        // The shell waits for its child, so the child stays a child rather than replacing it.
        QProcess *alpha = startTracked(m_data.filePath(QStringLiteral("bin/alpha-shell")),
                                       {QStringLiteral("-c"), QStringLiteral("sleep 600; true")});
        const QString alphaPath = entryPath(QStringLiteral("alpha.desktop"));
        QVERIFY(waitForMapping(int(alpha->processId()), alphaPath));
        int child = 0;
        QVERIFY(QTest::qWaitFor([&] {
            child = TestSupport::readFile(
                        QStringLiteral("/proc/%1/task/%1/children").arg(alpha->processId()))
                        .trimmed()
                        .toInt();
            return child != 0;
        }));
        QVERIFY(waitForMapping(child, alphaPath));
    }

    void a_service_that_starts_later_gets_every_list_at_once()
    {
        // The lists go out only when they change; a fresh consumer would otherwise wait for that.
        QTest::qWait(1500);
        m_processLists->clear();
        m_desktopLists->clear();
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(QStringLiteral("com.nimbra.warden.trafficdetails")));
        QVERIFY(m_processLists->waitForCount(1));
        QVERIFY(m_desktopLists->waitForCount(1));
        QVERIFY(bus.unregisterService(QStringLiteral("com.nimbra.warden.trafficdetails")));
    }

    void a_settled_process_that_runs_exec_maps_to_its_new_program()
    {
        // Past the settling time, only a changed program makes the map read a process again.
        QProcess *process = startTracked(
            m_data.filePath(QStringLiteral("bin/alpha-shell")),
            {QStringLiteral("-c"), QStringLiteral("sleep 3; exec %1 600")
                                       .arg(m_data.filePath(QStringLiteral("bin/beta-app")))});
        const int pid = int(process->processId());
        QVERIFY(waitForMapping(pid, entryPath(QStringLiteral("alpha.desktop"))));
        QVERIFY(QTest::qWaitFor(
            [&] { return waitForMapping(pid, entryPath(QStringLiteral("beta.desktop"))); }, 15000));
    }

    void only_a_small_regular_file_is_read_as_sandbox_records_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("regular") << "regular";
        QTest::newRow("fifo, never waited on") << "fifo";
        QTest::newRow("symbolic link") << "symlink";
        QTest::newRow("over the limit") << "oversized";
    }

    void only_a_small_regular_file_is_read_as_sandbox_records()
    {
        QFETCH(QString, kind);
        constexpr qint64 limit = 1024;
        const QByteArray records = "[Application]\nname=org.example.App\n";
        const QTemporaryDir root;
        const QString path = root.filePath(QStringLiteral(".flatpak-info"));
        const QString target = kind == "symlink" ? root.filePath(QStringLiteral("target")) : path;
        if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            TestSupport::writeFile(target,
                                   kind == "oversized" ? QByteArray(limit + 1, 'x') : records);
        if (kind == "symlink")
            QVERIFY(QFile::link(target, path));
        QCOMPARE(UntrustedFile::read(path, limit), kind == "regular" ? records : QByteArray());
    }

private:
    void writeEntry(const QString &file, const QString &body)
    {
        TestSupport::writeFile(entryPath(file),
                               "[Desktop Entry]\nType=Application\n" + body.toUtf8());
    }

    QString entryPath(const QString &file) const
    {
        return m_data.filePath(QStringLiteral("share/applications/") + file);
    }

    // Starts a program that is killed with the test.
    QProcess *startTracked(const QString &program, const QStringList &arguments,
                           const QProcessEnvironment &environment = {})
    {
        return m_started.emplace_back(TestSupport::startProgram(program, arguments, environment))
            .get();
    }

    // Waits for a process list that maps `pid` to `desktopPath`.
    bool waitForMapping(int pid, const QString &desktopPath)
    {
        return QTest::qWaitFor(
            [&] {
                for (const QDBusMessage &message : m_processLists->messages()) {
                    for (const WardenProcessInfo &info :
                         TestSupport::listOf<WardenProcessInfoList>(message)) {
                        if (info.pid == pid && info.desktopPath == desktopPath)
                            return true;
                    }
                }
                return false;
            },
            5000);
    }

    LauncherItemInfoList launcherItems()
    {
        __Launcherd launcher(launcherService, launcherPath, QDBusConnection::sessionBus());
        QDBusPendingReply<LauncherItemInfoList> reply = launcher.GetAllItemInfos();
        reply.waitForFinished();
        return reply.isError() ? LauncherItemInfoList() : reply.value();
    }

    QTemporaryDir m_data;
    QScopedPointer<QProcess> m_procmap;
    QScopedPointer<DBusSignalRecorder> m_processLists;
    QScopedPointer<DBusSignalRecorder> m_desktopLists;
    QScopedPointer<DBusSignalRecorder> m_launcherChanges;
    std::vector<std::unique_ptr<QProcess>> m_started; // killed when destroyed
};

QTEST_GUILESS_MAIN(ProcmapTest)
#include "tst_procmap.moc"

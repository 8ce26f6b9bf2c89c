// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include "historyfile.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>
#include <memory>

namespace TestSupport {

QString serviceBinary()
{
    return QStringLiteral(NWT_SERVICE_BINARY);
}

QString simulatorBinary()
{
    return QStringLiteral(NWT_SIMULATOR_BINARY);
}

QString fixturePath(const QString &name)
{
    return QStringLiteral(NWT_TESTS_DIR "/fixtures/") + name;
}

static bool waitForOwnership(const QDBusConnection &bus, const QString &name, bool owned,
                             int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (bus.interface()->isServiceRegistered(name).value() == owned)
            return true;
        QTest::qWait(20);
    }
    return bus.interface()->isServiceRegistered(name).value() == owned;
}

bool waitForBusName(const QDBusConnection &bus, const QString &name, int timeoutMs)
{
    return waitForOwnership(bus, name, true, timeoutMs);
}

bool waitForBusNameGone(const QDBusConnection &bus, const QString &name, int timeoutMs)
{
    return waitForOwnership(bus, name, false, timeoutMs);
}

QProcess *startProgram(const QString &program, const QStringList &arguments)
{
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(program, arguments);
    process->waitForStarted();
    return process;
}

QProcess *startSimulator(const QString &scenario, bool manual)
{
    QStringList arguments{QStringLiteral("--scenario"), fixturePath(scenario)};
    if (manual)
        arguments.prepend(QStringLiteral("--manual"));
    std::unique_ptr<QProcess> simulator(startProgram(simulatorBinary(), arguments));
    if (!waitForBusName(QDBusConnection::sessionBus(), kControl))
        return nullptr;
    return simulator.release();
}

QString databasePath()
{
    return HistoryFile::defaultPath();
}

QString logFilePath()
{
    return QDir::homePath() + QStringLiteral("/.cache/nimbra/nimbra-warden-trafficdetails/"
                                             "nimbra-warden-trafficdetails.log");
}

bool createHistory(const QStringList &rows)
{
    return HistoryFile::create(rows);
}

} // namespace TestSupport

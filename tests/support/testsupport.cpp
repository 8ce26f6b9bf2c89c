// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>

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

QString logFilePath()
{
    return QDir::homePath() + QStringLiteral("/.cache/nimbra/nimbra-warden-trafficdetails/"
                                             "nimbra-warden-trafficdetails.log");
}

} // namespace TestSupport

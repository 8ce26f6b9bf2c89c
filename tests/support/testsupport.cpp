// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    return QTest::qWaitFor(
        [&] { return bus.interface()->isServiceRegistered(name).value() == owned; }, timeoutMs);
}

bool waitForBusName(const QDBusConnection &bus, const QString &name, int timeoutMs)
{
    return waitForOwnership(bus, name, true, timeoutMs);
}

bool waitForBusNameGone(const QDBusConnection &bus, const QString &name, int timeoutMs)
{
    return waitForOwnership(bus, name, false, timeoutMs);
}

QProcess *startProgram(const QString &program, const QStringList &arguments,
                       const QProcessEnvironment &environment)
{
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
    if (!environment.isEmpty())
        process->setProcessEnvironment(environment);
    process->start(program, arguments);
    process->waitForStarted();
    return process;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QString logFilePath()
{
    return QDir::homePath() + QStringLiteral("/.cache/nimbra/nimbra-warden-trafficdetails/"
                                             "nimbra-warden-trafficdetails.log");
}

} // namespace TestSupport

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <memory>

namespace TestSupport {

QString serviceBinary()
{
    return QStringLiteral(NWT_SERVICE_BINARY);
}

QString simulatorBinary()
{
#ifdef NWT_SIMULATOR_BINARY
    return QStringLiteral(NWT_SIMULATOR_BINARY);
#else
    return {};
#endif
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

QProcess *startSimulator(const QString &scenario)
{
    std::unique_ptr<QProcess> simulator(
        startProgram(simulatorBinary(), {QStringLiteral("--manual"), QStringLiteral("--scenario"),
                                         fixturePath(scenario)}));
    if (!waitForBusName(QDBusConnection::sessionBus(), kControl))
        return nullptr;
    return simulator.release();
}

QProcess *startServiceAt(const QString &clock)
{
    // The boot clock stays the machine's: a later start at another moment is a clock set anew
    // within one boot.
    return startProgram(QStringLiteral("faketime"), {QStringLiteral("--exclude-monotonic"),
                                                     QStringLiteral("-f"), clock, serviceBinary()});
}

QString databasePath()
{
    return QDir::homePath() + QStringLiteral("/.nimbra-warden/warden.db");
}

QString logFilePath()
{
    return QDir::homePath() + QStringLiteral("/.cache/nimbra/nimbra-warden-trafficdetails/"
                                             "nimbra-warden-trafficdetails.log");
}

bool createHistory(const QStringList &rows)
{
    QDir().mkpath(QDir::homePath() + QStringLiteral("/.nimbra-warden"));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "history-setup");
        db.setDatabaseName(databasePath());
        if (db.open()) {
            QSqlQuery query(db);
            ok = query.exec(QStringLiteral("CREATE TABLE flowDetail (appname text, sName text, "
                                           "dataymdh text, totalFlow real, downloadedFlow real, "
                                           "uploadedFlow);")) &&
                 (rows.isEmpty() ||
                  query.exec(QStringLiteral("INSERT INTO flowDetail VALUES ") + rows.join(',')));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("history-setup"));
    return ok;
}

} // namespace TestSupport

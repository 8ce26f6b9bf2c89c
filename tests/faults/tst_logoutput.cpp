// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using namespace TestSupport;

namespace {
const qint64 kCapBytes = 4 * 1024 * 1024;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
} // namespace

// What the service's log costs the disk, and how it reads in the journal.
class TestLogOutput : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> service;

    void startService(const QString &program, const QStringList &arguments)
    {
        service.reset(startProgram(program, arguments));
        QVERIFY(waitForBusName(QDBusConnection::sessionBus(), kService, 10000));
        QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("StartApp")));
    }

    void stopService()
    {
        QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("ExitApp")));
        QVERIFY(service->waitForFinished(10000));
    }

private slots:
    void cleanup()
    {
        if (service && service->state() != QProcess::NotRunning) {
            service->kill();
            service->waitForFinished();
        }
    }

    void full_log_file_is_rotated_keeping_one_old_file()
    {
        QDir().mkpath(QFileInfo(logFilePath()).path());
        const QByteArray full = QByteArray(kCapBytes - 10, 'x') + '\n';
        writeFile(logFilePath(), full);
        writeFile(logFilePath() + QStringLiteral(".1"), "older\n");

        startService(serviceBinary(), {});
        stopService();

        QCOMPARE(readFile(logFilePath() + QStringLiteral(".1")), full);
        const QByteArray fresh = readFile(logFilePath());
        QVERIFY(fresh.size() < 64 * 1024);
        QVERIFY(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d\\.\\d{3} \\[Debug\\] void "
                                                  "OperateDBusData::StartApp\\(\\)  Start "
                                                  "TrafficDetailis\\.\n"))
                    .match(QString::fromUtf8(fresh))
                    .hasMatch());
    }

    void journal_gets_levels_per_line_and_no_time_stamp()
    {
        // systemd names the stream it gave as stderr; here that is the test's pipe.
        startService(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("JOURNAL_STREAM=$(stat -L -c %d:%i /proc/self/fd/2) "
                                     "exec \"$0\""),
                      serviceBinary()});
        stopService();

        const QString output = QString::fromUtf8(service->readAll());
        QVERIFY2(output.contains(QStringLiteral(
                     "\n<7>void OperateDBusData::StartApp()  Start TrafficDetailis.\n")),
                 qPrintable(output));
        // No launcher is on the bus: its failure is a warning.
        QVERIFY(output.contains(QStringLiteral("<4>data is empty, quit!!\n")));
        QVERIFY(!output.contains(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d"))));
        QVERIFY(readFile(logFilePath()).contains("[Debug] void OperateDBusData::StartApp()"));
    }
};

QTEST_GUILESS_MAIN(TestLogOutput)
#include "tst_logoutput.moc"

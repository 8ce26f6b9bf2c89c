// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "servicerig.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>
#include <memory>

using namespace TestSupport;

namespace {

// The interface element of an introspection text, reduced to one line per
// element and attribute, so that layout and comments do not matter.
QStringList interfaceShape(const QString &xml, const QString &interfaceName)
{
    QStringList shape;
    QXmlStreamReader reader(xml);
    bool inside = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("interface"))
            inside = reader.attributes().value(QLatin1String("name")) == interfaceName;
        else if (reader.isEndElement() && reader.name() == QLatin1String("interface"))
            inside = false;
        else if (inside && reader.isStartElement()) {
            QStringList attributes;
            for (const QXmlStreamAttribute &a : reader.attributes())
                attributes << a.name() + QLatin1Char('=') + a.value();
            attributes.sort();
            shape << reader.name() + QLatin1Char(' ') + attributes.join(QLatin1Char(' '));
        }
    }
    return shape;
}

} // namespace

// The bare service on the private buses: its interface, its instance, its end and its log.
class TestServiceFront : public QObject
{
    Q_OBJECT

    ServiceRig m_rig;

    // Runs the service from StartApp to ExitApp; everything it wrote.
    QByteArray runOnce(const QString &program, const QStringList &arguments = {})
    {
        std::unique_ptr<QProcess> service(startProgram(program, arguments));
        if (!QTest::qVerify(waitForBusName(QDBusConnection::sessionBus(), kService, 10000),
                            "on the bus", "", __FILE__, __LINE__))
            return service->readAll();
        m_rig.call(QStringLiteral("StartApp"));
        m_rig.call(QStringLiteral("ExitApp"));
        QTest::qVerify(service->waitForFinished(10000) && service->exitCode() == 0,
                       "ended with status zero", "", __FILE__, __LINE__);
        return service->readAll();
    }

private slots:
    void initTestCase() { QVERIFY2(m_rig.startService(), m_rig.serviceOutput().constData()); }

    void introspection_shows_exactly_the_declared_interface()
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, kPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
            QStringLiteral("Introspect"));
        const QDBusReply<QString> reply = QDBusConnection::sessionBus().call(call);
        QVERIFY(reply.isValid());

        QFile declared(QStringLiteral(NWT_INTERFACE_XML));
        QVERIFY(declared.open(QIODevice::ReadOnly));
        const QStringList expected =
            interfaceShape(QString::fromUtf8(declared.readAll()), kService);
        QCOMPARE(expected.size(), 32);
        QCOMPARE(interfaceShape(reply.value(), kService), expected);

        // Beside it only the queries interface and the standard ones.
        auto names = QRegularExpression("<interface name=\"([^\"]+)\"").globalMatch(reply.value());
        while (names.hasNext()) {
            const QString name = names.next().captured(1);
            QVERIFY2(name == kService || name == kService + QLatin1String(".Queries") ||
                         name.startsWith(QLatin1String("org.freedesktop.DBus.")),
                     qPrintable(name));
        }
    }

    void start_app_replies_empty_and_logs_a_stamped_line_to_file_and_stderr()
    {
        const QDBusMessage reply = m_rig.call(QStringLiteral("StartApp"));
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(reply.signature(), QString());

        const QRegularExpression line(
            QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[Debug\\] "
                           "void OperateDBusData::StartApp\\(\\)  Start TrafficDetailis\\.\n"));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return line.match(QString::fromUtf8(readFile(logFilePath()))).hasMatch() &&
                       line.match(QString::fromUtf8(m_rig.serviceOutput())).hasMatch();
            },
            5000));
    }

    void second_instance_logs_and_exits_zero_while_first_runs_on_until_exit_app()
    {
        std::unique_ptr<QProcess> second(startProgram(serviceBinary()));
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAll().contains(
            "dbus service already registered!  \"com.nimbra.warden.trafficdetails\""));

        QCOMPARE(m_rig.call(QStringLiteral("StartApp")).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_rig.service().state(), QProcess::Running);

        QVERIFY(m_rig.exitService());
        QCOMPARE(m_rig.service().exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_rig.service().exitCode(), 0);
        QVERIFY(waitForBusNameGone(QDBusConnection::sessionBus(), kService));
    }

    void full_log_file_is_rotated_keeping_one_old_file()
    {
        const QByteArray full = QByteArray(4 * 1024 * 1024 - 10, 'x') + '\n';
        writeFile(logFilePath(), full);
        writeFile(logFilePath() + QStringLiteral(".1"), "older\n");
        runOnce(serviceBinary());

        QCOMPARE(readFile(logFilePath() + QStringLiteral(".1")), full);
        const QByteArray fresh = readFile(logFilePath());
        QVERIFY(fresh.size() < 64 * 1024);
        QVERIFY(fresh.contains("[Debug] void OperateDBusData::StartApp()  Start TrafficDetailis."));
    }

    void journal_gets_levels_per_line_and_no_time_stamp()
    {
        // systemd names the stream it gave as stderr; here that is the test's pipe.
        const QString output = QString::fromUtf8(runOnce(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("JOURNAL_STREAM=$(stat -L -c %d:%i /proc/self/fd/2) exec \"$0\""),
             serviceBinary()}));
        QVERIFY2(output.contains(QStringLiteral(
                     "\n<7>void OperateDBusData::StartApp()  Start TrafficDetailis.\n")),
                 qPrintable(output));
        // No launcher is on the bus: its failure is a warning.
        QVERIFY(output.contains(QStringLiteral("<4>data is empty, quit!!\n")));
        QVERIFY(!output.contains(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d"))));
        QVERIFY(readFile(logFilePath()).contains("[Debug] void OperateDBusData::StartApp()"));
    }

    void unwritable_log_file_costs_a_warning_not_the_service()
    {
        // A plain file where the log directory should be.
        const QString directory = QFileInfo(logFilePath()).path();
        QDir(directory).removeRecursively();
        writeFile(directory, {});

        const QByteArray output = runOnce(serviceBinary());
        QVERIFY(output.contains("cannot open the log file"));
        QVERIFY(output.contains("Start TrafficDetailis."));
        QFile::remove(directory);
    }
};

QTEST_GUILESS_MAIN(TestServiceFront)
#include "tst_servicefront.moc"

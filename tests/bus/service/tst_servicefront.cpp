// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/wardenrecords.h"
#include "testsupport.h"
#include "trafficdetailsinterface.h"

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

QStringList interfaceNames(const QString &xml)
{
    QStringList names;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("interface"))
            names << reader.attributes().value(QLatin1String("name")).toString();
    }
    return names;
}
} // namespace

class TestServiceFront : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> m_service;
    QByteArray m_serviceOutput;

    static QDBusMessage callService(const QString &method)
    {
        return QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(kService, kPath, kService, method));
    }

    std::unique_ptr<QProcess> startService()
    {
        std::unique_ptr<QProcess> process(startProgram(serviceBinary()));
        return process;
    }

private slots:
    void initTestCase()
    {
        registerWardenDisplayMetaType();
        registerWardenAppFlowMetaType();
        m_service = startService();
        QVERIFY2(waitForBusName(QDBusConnection::sessionBus(), kService),
                 m_service->readAll().constData());
    }

    void cleanupTestCase()
    {
        if (m_service->state() != QProcess::NotRunning) {
            m_service->kill();
            m_service->waitForFinished();
        }
    }

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
        for (const QString &name : interfaceNames(reply.value()))
            QVERIFY2(name == kService || name == kService + QLatin1String(".Queries") ||
                         name.startsWith(QLatin1String("org.freedesktop.DBus.")),
                     qPrintable(name));
    }

    void properties_read_as_empty_records()
    {
        ComNimbraWardenTrafficdetailsInterface client(kService, kPath,
                                                      QDBusConnection::sessionBus());
        QVERIFY(!(client.display() != WardenDisplay()));
        const WardenAppFlow flow = client.wardenAppFlow();
        QVERIFY(flow.index == 0 && flow.appname.isEmpty() && flow.sname.isEmpty() &&
                flow.date.isEmpty() && flow.downloaded == 0 && flow.uploaded == 0 &&
                flow.total == 0);
    }

    void start_app_replies_empty_and_logs_a_stamped_line_to_file_and_stderr()
    {
        const QDBusMessage reply = callService(QStringLiteral("StartApp"));
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(reply.signature(), QString());

        const QRegularExpression line(
            QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[Debug\\] "
                           "void OperateDBusData::StartApp\\(\\)  Start TrafficDetailis\\.\n"));
        QVERIFY(QTest::qWaitFor(
            [&] {
                QFile log(logFilePath());
                return log.open(QIODevice::ReadOnly) &&
                       line.match(QString::fromUtf8(log.readAll())).hasMatch() &&
                       line.match(QString::fromUtf8(m_serviceOutput += m_service->readAll()))
                           .hasMatch();
            },
            5000));
    }

    void second_instance_logs_and_exits_zero_while_first_runs_on()
    {
        std::unique_ptr<QProcess> second = startService();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAll().contains(
            "dbus service already registered!  \"com.nimbra.warden.trafficdetails\""));

        QCOMPARE(callService(QStringLiteral("StartApp")).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_service->state(), QProcess::Running);
    }

    void exit_app_ends_the_process_with_status_zero()
    {
        callService(QStringLiteral("ExitApp"));
        QVERIFY(m_service->waitForFinished(10000));
        QCOMPARE(m_service->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_service->exitCode(), 0);
        QVERIFY(waitForBusNameGone(QDBusConnection::sessionBus(), kService));
    }

    void unwritable_log_file_costs_a_warning_not_the_service()
    {
        // A plain file where the log directory should be.
        QDir().mkpath(QDir::homePath() + QStringLiteral("/.cache/nimbra"));
        const QString directory = QFileInfo(logFilePath()).path();
        QDir(directory).removeRecursively();
        QFile blocker(directory);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        std::unique_ptr<QProcess> service = startService();
        QVERIFY(waitForBusName(QDBusConnection::sessionBus(), kService));
        QCOMPARE(callService(QStringLiteral("StartApp")).type(), QDBusMessage::ReplyMessage);
        callService(QStringLiteral("ExitApp"));
        QVERIFY(service->waitForFinished(10000));
        QCOMPARE(service->exitCode(), 0);
        const QByteArray output = service->readAll();
        QVERIFY(output.contains("cannot open the log file"));
        QVERIFY(output.contains("Start TrafficDetailis."));
        QFile::remove(directory);
    }
};

QTEST_GUILESS_MAIN(TestServiceFront)
#include "tst_servicefront.moc"

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"
#include "records/wardenrecords.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

namespace {
const QString kPath = QStringLiteral("/test/records");
const QString kInterface = QStringLiteral("test.records");

WardenDisplay sampleDisplay()
{
    return {"Mail",         "mail-client", "/usr/share/applications/mail.desktop",
            "1.50",         "2.25",        "3.75",
            "mail.desktop", 2.25,          1.5,
            0.125,          4242,          true};
}
} // namespace

// Records go through a real (private) bus: what a client receives is what counts.
class TestWardenRecords : public QObject
{
    Q_OBJECT

    QDBusMessage sendThroughBus(const QVariant &argument)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        DBusSignalRecorder recorder(bus, QString(), kPath, kInterface, QStringLiteral("Probe"));
        QDBusMessage signal =
            QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Probe"));
        signal << argument;
        bus.send(signal);
        if (!recorder.waitForCount(1))
            return {};
        return recorder.messages().first();
    }

private slots:
    void initTestCase()
    {
        registerWardenDisplayMetaType();
        registerWardenAppFlowMetaType();
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void display_travels_pid_first_and_icon_before_app_name_and_reads_back_equal()
    {
        const QDBusMessage message = sendThroughBus(QVariant::fromValue(sampleDisplay()));
        QCOMPARE(message.signature(), QStringLiteral("(isssbssssddd)"));
        const QDBusArgument argument = message.arguments().first().value<QDBusArgument>();
        int pid = 0;
        QString icon, appName, desktopPath, desktopName, totalText, sendText, recvText;
        bool isDefault = false;
        double sendSum = 0, recvSum = 0, extraSum = 0;
        argument.beginStructure();
        argument >> pid >> icon >> appName >> desktopPath >> isDefault >> desktopName >>
            totalText >> sendText >> recvText >> sendSum >> recvSum >> extraSum;
        argument.endStructure();
        QCOMPARE(QVariantList({pid, icon, appName, desktopPath, isDefault, desktopName, totalText,
                               sendText, recvText, sendSum, recvSum, extraSum}),
                 QVariantList({4242, "mail-client", "Mail", "/usr/share/applications/mail.desktop",
                               true, "mail.desktop", "3.75", "2.25", "1.50", 2.25, 1.5, 0.125}));

        WardenDisplay received;
        message.arguments().first().value<QDBusArgument>() >> received;
        QVERIFY(!(received != sampleDisplay()));
    }

    void empty_lists_keep_their_element_signature()
    {
        QCOMPARE(sendThroughBus(QVariant::fromValue(WardenDisplayList())).signature(),
                 QStringLiteral("a(isssbssssddd)"));
        QCOMPARE(sendThroughBus(QVariant::fromValue(WardenAppFlowList())).signature(),
                 QStringLiteral("a(isssddd)"));
    }
};

QTEST_GUILESS_MAIN(TestWardenRecords)
#include "tst_wardenrecords.moc"

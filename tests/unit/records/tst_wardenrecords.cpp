#include "dbussignalrecorder.h"
#include "records/wardenrecords.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>
#include <functional>

namespace {
const QString kPath = QStringLiteral("/test/records");
const QString kInterface = QStringLiteral("test.records");

WardenDisplay sampleDisplay()
{
    WardenDisplay d;
    d.appName = QStringLiteral("Mail");
    d.icon = QStringLiteral("mail-client");
    d.desktopPath = QStringLiteral("/usr/share/applications/mail.desktop");
    d.recvText = QStringLiteral("1.50");
    d.sendText = QStringLiteral("2.25");
    d.totalText = QStringLiteral("3.75");
    d.desktopName = QStringLiteral("mail.desktop");
    d.sendSum = 2.25;
    d.recvSum = 1.5;
    d.extraSum = 0.125;
    d.pid = 4242;
    d.isDefault = true;
    return d;
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
        QCOMPARE(pid, 4242);
        QCOMPARE(icon, QStringLiteral("mail-client"));
        QCOMPARE(appName, QStringLiteral("Mail"));
        QCOMPARE(isDefault, true);
        QCOMPARE(desktopName, QStringLiteral("mail.desktop"));
        QCOMPARE(totalText, QStringLiteral("3.75"));
        QCOMPARE(sendText, QStringLiteral("2.25"));
        QCOMPARE(recvText, QStringLiteral("1.50"));
        QCOMPARE(sendSum, 2.25);
        QCOMPARE(recvSum, 1.5);
        QCOMPARE(extraSum, 0.125);

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

    void default_app_flow_marshals_as_zero_empty_texts_and_zero_amounts()
    {
        const QDBusMessage message = sendThroughBus(QVariant::fromValue(WardenAppFlow()));
        QCOMPARE(message.signature(), QStringLiteral("(isssddd)"));
        const QDBusArgument argument = message.arguments().first().value<QDBusArgument>();
        int index = -1;
        QString appname = QStringLiteral("x"), sname = QStringLiteral("x"),
                date = QStringLiteral("x");
        double downloaded = -1, uploaded = -1, total = -1;
        argument.beginStructure();
        argument >> index >> appname >> sname >> date >> downloaded >> uploaded >> total;
        argument.endStructure();
        QCOMPARE(index, 0);
        QVERIFY(appname.isEmpty() && sname.isEmpty() && date.isEmpty());
        QCOMPARE(downloaded, 0.0);
        QCOMPARE(uploaded, 0.0);
        QCOMPARE(total, 0.0);
    }

    void display_inequality_sees_every_member()
    {
        const WardenDisplay base = sampleDisplay();
        QVERIFY(!(base != base));
        const QList<std::function<void(WardenDisplay &)>> changes = {
            [](WardenDisplay &d) { d.appName += 'x'; },
            [](WardenDisplay &d) { d.icon += 'x'; },
            [](WardenDisplay &d) { d.desktopPath += 'x'; },
            [](WardenDisplay &d) { d.recvText += 'x'; },
            [](WardenDisplay &d) { d.sendText += 'x'; },
            [](WardenDisplay &d) { d.totalText += 'x'; },
            [](WardenDisplay &d) { d.desktopName += 'x'; },
            [](WardenDisplay &d) { d.sendSum += 1; },
            [](WardenDisplay &d) { d.recvSum += 1; },
            [](WardenDisplay &d) { d.extraSum += 1; },
            [](WardenDisplay &d) { d.pid += 1; },
            [](WardenDisplay &d) { d.isDefault = !d.isDefault; },
        };
        for (const auto &change : changes) {
            WardenDisplay changed = base;
            change(changed);
            QVERIFY(changed != base);
        }
    }

    void app_flow_inequality_compares_index_only()
    {
        WardenAppFlow a, b;
        a.appname = QStringLiteral("one.desktop");
        b.appname = QStringLiteral("two.desktop");
        b.total = 5;
        QVERIFY(!(a != b));
        b.index = 1;
        QVERIFY(a != b);
    }
};

QTEST_GUILESS_MAIN(TestWardenRecords)
#include "tst_wardenrecords.moc"

#include "faketrafficservice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

struct ClientRun
{
    int exitCode;
    QString out, err;
};

WardenDisplay row(const QString &appName, const QString &recv, const QString &send,
                  const QString &total)
{
    WardenDisplay display;
    display.appName = appName;
    display.recvText = recv;
    display.sendText = send;
    display.totalText = total;
    return display;
}

// Runs the client while this process's event loop keeps the fake service answering.
ClientRun runClient(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(NWT_CLIENT_BINARY), arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 15000))
        process.kill(); // hung
    process.waitForFinished();
    const bool exited = process.exitStatus() == QProcess::NormalExit;
    return {exited ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

WardenAppFlowList hourRows(const QString &app, const QMap<int, double> &totalByHour)
{
    WardenAppFlowList rows;
    for (int hour = 0; hour < 24; ++hour) {
        const double total = totalByHour.value(hour);
        const QString name = total > 0 ? QStringLiteral("Firefox") : QString();
        const QString date = QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
        rows << WardenAppFlow{hour, app, name, date, total * 3 / 4, total / 4, total};
    }
    return rows;
}

QString lineStartingWith(const QString &text, const QString &start)
{
    return text.split(QLatin1Char('\n')).filter(QRegularExpression('^' + start)).value(0);
}

const QString kApp = QStringLiteral("firefox-esr.desktop");
const QString kBar = QString(40, QLatin1Char('#'));

} // namespace

class TestTrafficClient : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeTrafficService> m_service;

private slots:
    void init()
    {
        m_service = std::make_unique<FakeTrafficService>();
        QVERIFY(m_service->start());
    }
    void cleanup() { m_service.reset(); }

    void history_shows_its_application_hours_with_bars_scaled_to_the_largest_and_sums()
    {
        m_service->appAnswers = {hourRows("other.desktop", {{1, 99}}),
                                 hourRows(kApp, {{9, 10}, {14, 40}, {23, 20}})};
        const ClientRun run = runClient({"history", kApp, "today"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetAppTodayFlowData " + kApp});
        QVERIFY(run.out.startsWith(kApp + " (Firefox), today, in kB\n"));
        QCOMPARE(run.out.count(QRegularExpression(QStringLiteral("(?m)^\\d\\d:00 "))), 24);
        QVERIFY(lineStartingWith(run.out, "14:00").endsWith("  " + kBar));
        QVERIFY(lineStartingWith(run.out, "23:00").endsWith("  " + kBar.left(20)));
        QVERIFY(lineStartingWith(run.out, "09:00").endsWith("  " + kBar.left(10)));
        QVERIFY(!lineStartingWith(run.out, "01:00").contains('#')); // the other application's
        QCOMPARE(lineStartingWith(run.out, "sum").split(' ', Qt::SkipEmptyParts),
                 (QStringList{"sum", "52.50", "17.50", "70.00"}));
    }

    void history_as_json_lists_every_row_and_the_sums()
    {
        m_service->appAnswers = {hourRows(kApp, {{1, 8}, {2, 4}})};
        const ClientRun run = runClient({"history", kApp, "last-month", "--json"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetAppLastMonthFlowData " + kApp});
        const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(json.value("appname").toString(), kApp);
        QCOMPARE(json.value("period").toString(), QStringLiteral("last-month"));
        QCOMPARE(json.value("rows").toArray().size(), 24);
        QCOMPARE(json.value("sums").toObject(),
                 QJsonObject({{"downloaded", 9.0}, {"uploaded", 3.0}, {"total", 12.0}}));
    }

    void watch_asks_for_the_period_and_prints_count_blocks()
    {
        const WardenDisplayList speed = {row("Firefox", "1.50", "0.25", "9.00")};
        const WardenDisplayList flow = {row("Firefox", "100.00", "20.50", "120.50"),
                                        row("Terminal", "3.00", "1.00", "4.00")};
        QTimer lists;
        connect(&lists, &QTimer::timeout, this, [&] {
            m_service->sendSignal("displayflow", QVariant::fromValue(flow));
            m_service->sendSignal("displayspped", QVariant::fromValue(speed));
        });
        lists.start(100);
        const ClientRun run = runClient({"watch", "--period", "yesterday", "--count", "2"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetYesterdayFlowData"});
        QVERIFY(run.out.contains("period: yesterday   refresh 2 at "));
        QVERIFY(!run.out.contains("refresh 3"));
        QVERIFY(!run.out.contains('\033'));
        QCOMPARE(run.out.count("speed (kB/s)\napplication  received  sent  total\n"
                               "Firefox          1.50  0.25   1.75\n\n"
                               "flow (kB)\napplication  received   sent   total\n"
                               "Firefox        100.00  20.50  120.50\n"
                               "Terminal         3.00   1.00    4.00\n"),
                 2);
    }

    // The rows are named by the client's arguments.
    void period_and_quit_call_the_matching_method_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("period today") << "notifyGetTodayFlowData";
        QTest::newRow("period yesterday") << "notifyGetYesterdayFlowData";
        QTest::newRow("period month") << "notifyGetThisMonthFlowData";
        QTest::newRow("period last-month") << "notifyGetLastMonthFlowData";
        QTest::newRow("quit") << "ExitApp";
    }
    void period_and_quit_call_the_matching_method()
    {
        QFETCH(QString, method);
        const QStringList arguments = QString(QTest::currentDataTag()).split(' ');
        const ClientRun run = runClient(arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{method});
        if (arguments.first() == QLatin1String("period"))
            QCOMPARE(run.out, "flow list period: " + arguments.last() + "\n");
    }

    void refused_commands_call_nothing_and_exit_saying_why_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        const QString absent = QStringLiteral("nimbra-warden-traffic: the service "
                                              "com.nimbra.warden.trafficdetails is not on the "
                                              "session bus\n");
        QTest::newRow("watch") << 1 << absent;
        QTest::newRow("history firefox-esr.desktop today") << 1 << absent;
        QTest::newRow("period someday") << 2 << "nimbra-warden-traffic: ";
        QTest::newRow("watch --count 0") << 2 << "nimbra-warden-traffic: ";
    }
    void refused_commands_call_nothing_and_exit_saying_why()
    {
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        if (exitCode == 1) // the rows of the absent service
            m_service->stop();
        const ClientRun run = runClient(QString(QTest::currentDataTag()).split(' '));
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.startsWith(error), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QVERIFY(m_service->calls.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTrafficClient)
#include "tst_trafficclient.moc"

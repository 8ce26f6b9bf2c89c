#include "dbussignalrecorder.h"
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
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the client while this process's event loop keeps the fake service answering.
ClientRun runClient(const QStringList &arguments, int timeoutMs = 15000)
{
    QProcess process;
    process.start(QStringLiteral(NWT_CLIENT_BINARY), arguments);
    process.waitForStarted();
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    ClientRun run;
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

WardenAppFlowList hourRows(const QString &app, const QMap<int, double> &totalByHour)
{
    WardenAppFlowList rows;
    for (int hour = 0; hour < 24; ++hour) {
        WardenAppFlow row;
        row.index = hour;
        row.appname = app;
        row.date = QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
        row.total = totalByHour.value(hour);
        row.downloaded = row.total * 3 / 4;
        row.uploaded = row.total / 4;
        row.sname = row.total > 0 ? QStringLiteral("Firefox") : QString();
        rows << row;
    }
    return rows;
}

WardenAppFlowList dayRows(const QString &app, const QString &month, int days)
{
    WardenAppFlowList rows;
    for (int day = 1; day <= days; ++day) {
        WardenAppFlow row;
        row.index = day - 1;
        row.appname = app;
        row.sname = app;
        row.date = QStringLiteral("%1-%2").arg(month).arg(day, 2, 10, QLatin1Char('0'));
        row.downloaded = day;
        row.uploaded = 0.5;
        row.total = row.downloaded + row.uploaded;
        rows << row;
    }
    return rows;
}

WardenDisplay displayRow(const QString &name, const QString &recv, const QString &send,
                         const QString &total)
{
    WardenDisplay row;
    row.appName = name;
    row.recvText = recv;
    row.sendText = send;
    row.totalText = total;
    return row;
}

QString lineStartingWith(const QString &text, const QString &start)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(start))
            return line;
    }
    return {};
}

const QString kApp = QStringLiteral("firefox-esr.desktop");

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

    void cleanup()
    {
        m_service->stop();
        m_service.reset();
    }

    void history_of_a_day_shows_hours_with_bars_scaled_to_the_largest_and_sums()
    {
        m_service->appAnswers = {hourRows(kApp, {{9, 10}, {14, 40}, {23, 20}})};

        const ClientRun run = runClient({QStringLiteral("history"), kApp, QStringLiteral("today")});

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetAppTodayFlowData " + kApp});
        QVERIFY(run.out.startsWith(kApp + " (Firefox), today, in kB\n"));
        QCOMPARE(run.out.count(QRegularExpression(QStringLiteral("(?m)^\\d\\d:00 "))), 24);
        const QString bar(40, QLatin1Char('#'));
        QVERIFY(lineStartingWith(run.out, "14:00").endsWith("  " + bar));
        QVERIFY(lineStartingWith(run.out, "23:00").endsWith("  " + bar.left(20)));
        QVERIFY(lineStartingWith(run.out, "09:00").endsWith("  " + bar.left(10)));
        QVERIFY(!lineStartingWith(run.out, "10:00").contains('#'));
        QCOMPARE(lineStartingWith(run.out, "sum").split(' ', Qt::SkipEmptyParts),
                 (QStringList{"sum", "52.50", "17.50", "70.00"}));
        QVERIFY(run.err.isEmpty());
    }

    void history_of_a_month_as_json_lists_every_day_and_the_sums()
    {
        m_service->appAnswers = {dayRows(kApp, QStringLiteral("02"), 29)};

        const ClientRun run =
            runClient({QStringLiteral("history"), kApp, QStringLiteral("last-month"), "--json"});

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetAppLastMonthFlowData " + kApp});
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json.value("appname").toString(), kApp);
        QCOMPARE(json.value("period").toString(), QStringLiteral("last-month"));
        const QJsonArray rows = json.value("rows").toArray();
        QCOMPARE(rows.size(), 29);
        QCOMPARE(rows.first().toObject().value("date").toString(), QStringLiteral("02-01"));
        QCOMPARE(rows.last().toObject().value("date").toString(), QStringLiteral("02-29"));
        QCOMPARE(rows.last().toObject().value("downloaded").toDouble(), 29.0);
        const QJsonObject sums = json.value("sums").toObject();
        QCOMPARE(sums.value("downloaded").toDouble(), 435.0); // 1 + 2 + ... + 29
        QCOMPARE(sums.value("uploaded").toDouble(), 14.5);
        QCOMPARE(sums.value("total").toDouble(), 449.5);
    }

    void history_skips_answers_for_other_applications()
    {
        m_service->appAnswers = {hourRows(QStringLiteral("other.desktop"), {{1, 99}}),
                                 hourRows(kApp, {{2, 5}})};

        const ClientRun run =
            runClient({QStringLiteral("history"), kApp, QStringLiteral("yesterday")});

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetAppYesterdayFlowData " + kApp});
        QVERIFY(!lineStartingWith(run.out, "01:00").contains('#'));
        QVERIFY(lineStartingWith(run.out, "02:00").endsWith(QString(40, '#')));
    }

    void watch_prints_each_refresh_as_a_block_and_stops_after_count()
    {
        DBusSignalRecorder flows(QDBusConnection::sessionBus(), QString(),
                                 "/com/nimbra/warden/trafficdetails",
                                 "com.nimbra.warden.trafficdetails", "displayflow");
        m_service->sendListsEvery(100, {displayRow("Firefox", "1.50", "0.25", "9.00")},
                                  {displayRow("Firefox", "100.00", "20.50", "120.50"),
                                   displayRow("Terminal", "3.00", "1.00", "4.00")});

        const ClientRun run =
            runClient({QStringLiteral("watch"), "--period", "yesterday", "--count", "2"});

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetYesterdayFlowData"});
        QVERIFY(run.out.contains("period: yesterday   refresh 1 at "));
        QVERIFY(run.out.contains("period: yesterday   refresh 2 at "));
        QVERIFY(!run.out.contains("refresh 3"));
        QVERIFY(!run.out.contains('\033'));
        QCOMPARE(run.out.count("speed (kB/s)\napplication  received  sent  total\n"
                               "Firefox          1.50  0.25   1.75\n"),
                 2);
        QCOMPARE(run.out.count("flow (kB)\napplication  received   sent   total\n"
                               "Firefox        100.00  20.50  120.50\n"
                               "Terminal         3.00   1.00    4.00\n"),
                 2);
        // The fake speaks the service's real wire form.
        QVERIFY(flows.waitForCount(1));
        QCOMPARE(flows.messages().first().signature(), QStringLiteral("a(isssbssssddd)"));
    }

    void watch_without_period_leaves_the_service_period_alone()
    {
        m_service->sendListsEvery(100, {}, {});

        const ClientRun run = runClient({QStringLiteral("watch"), "--count", "1"});

        QCOMPARE(run.exitCode, 0);
        QVERIFY(m_service->calls.isEmpty());
        QVERIFY(run.out.contains("period: as last chosen   refresh 1"));
        QCOMPARE(run.out.count("(no applications)"), 2);
    }

    void period_calls_the_matching_request_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("method");
        QTest::newRow("today") << "today"
                               << "notifyGetTodayFlowData";
        QTest::newRow("yesterday") << "yesterday"
                                   << "notifyGetYesterdayFlowData";
        QTest::newRow("month") << "month"
                               << "notifyGetThisMonthFlowData";
        QTest::newRow("last-month") << "last-month"
                                    << "notifyGetLastMonthFlowData";
    }

    void period_calls_the_matching_request()
    {
        QFETCH(QString, period);
        QFETCH(QString, method);

        const ClientRun run = runClient({QStringLiteral("period"), period});

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{method});
        QCOMPARE(run.out, "flow list period: " + period + "\n");
    }

    void quit_calls_ExitApp()
    {
        const ClientRun run = runClient({QStringLiteral("quit")});

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_service->calls, QStringList{"ExitApp"});
    }

    void without_service_every_command_exits_1_saying_so_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("watch") << QStringList{"watch"};
        QTest::newRow("history") << QStringList{"history", kApp, "today"};
        QTest::newRow("period") << QStringList{"period", "month"};
        QTest::newRow("quit") << QStringList{"quit"};
    }

    void without_service_every_command_exits_1_saying_so()
    {
        QFETCH(QStringList, arguments);
        m_service->stop();

        const ClientRun run = runClient(arguments);

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("nimbra-warden-traffic: the service "
                                         "com.nimbra.warden.trafficdetails is not on the "
                                         "session bus\n"));
        QVERIFY(run.out.isEmpty());
    }

    void history_without_an_answer_fails_after_a_few_seconds()
    {
        const ClientRun run = runClient({QStringLiteral("history"), kApp, "today"});

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("sent no history for " + kApp + " within 5 seconds"),
                 qPrintable(run.err));
    }

    void watch_fails_when_the_lists_stop()
    {
        const ClientRun run = runClient({QStringLiteral("watch")});

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("sent no lists for 5 seconds"), qPrintable(run.err));
    }

    void malformed_arguments_exit_2_without_calling_the_service_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown period") << QStringList{"period", "someday"};
        QTest::newRow("zero count") << QStringList{"watch", "--count", "0"};
    }

    void malformed_arguments_exit_2_without_calling_the_service()
    {
        QFETCH(QStringList, arguments);

        const ClientRun run = runClient(arguments);

        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith("nimbra-warden-traffic: "));
        QVERIFY(m_service->calls.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTrafficClient)
#include "tst_trafficclient.moc"

#include "faketrafficservice.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

const QString kApp = QStringLiteral("firefox-esr.desktop");

class TestTrafficClient : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeTrafficService> m_service;
    QString m_out, m_err;

    // Runs the client while this process's event loop keeps the fake service answering.
    int runClient(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(NWT_CLIENT_BINARY), arguments);
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 15000))
            process.kill(); // hung
        process.waitForFinished();
        m_out = QString::fromUtf8(process.readAllStandardOutput());
        m_err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private slots:
    void init()
    {
        m_service = std::make_unique<FakeTrafficService>(); // unregisters the last one
        QVERIFY(m_service->start());
    }

    void history_table_and_json_keep_their_application_with_bars_scaled_to_the_largest_and_sums()
    {
        m_service->appAnswers = {{{1, "other.desktop", "Other", "01:00", 99, 0, 99}},
                                 {{9, kApp, "Firefox", "09:00", 7.5, 2.5, 10},
                                  {14, kApp, "Firefox", "14:00", 30, 10, 40},
                                  {23, kApp, "Firefox", "23:00", 15, 5, 20}}};
        QCOMPARE(runClient({"history", kApp, "today"}), 0);
        QCOMPARE(m_out,
                 kApp + " (Firefox), today, in kB\n"
                        "hour   received   sent  total\n"
                        "09:00      7.50   2.50  10.00  ##########\n"
                        "14:00     30.00  10.00  40.00  ########################################\n"
                        "23:00     15.00   5.00  20.00  ####################\n"
                        "sum       52.50  17.50  70.00\n");

        QCOMPARE(runClient({"history", kApp, "last-month", "--json"}), 0);
        const QJsonObject json = QJsonDocument::fromJson(m_out.toUtf8()).object();
        QCOMPARE(json.value("sums").toObject(),
                 QJsonObject({{"downloaded", 52.5}, {"uploaded", 17.5}, {"total", 70.0}}));
        QCOMPARE(m_service->calls, QStringList({"notifyGetAppTodayFlowData " + kApp,
                                                "notifyGetAppLastMonthFlowData " + kApp}));
    }

    void watch_asks_for_the_period_and_prints_count_blocks()
    {
        // The speed list adds up its own totals.
        const WardenDisplay firefox{"Firefox", {}, {}, "1.50", "0.25", "9.00",
                                    {},        0,  0,  0,      0,      false};
        QTimer lists;
        connect(&lists, &QTimer::timeout, this, [&] {
            for (const char *list : {"displayflow", "displayspped"})
                m_service->sendSignal(list, QVariant::fromValue(WardenDisplayList{firefox}));
        });
        lists.start(100);
        QCOMPARE(runClient({"watch", "--period", "yesterday", "--count", "2"}), 0);
        QCOMPARE(m_service->calls, QStringList{"notifyGetYesterdayFlowData"});
        QVERIFY(m_out.contains("period: yesterday   refresh 2 at "));
        QCOMPARE(m_out.count("Firefox          1.50  0.25   1.75\n\nflow (kB)\n"
                             "application  received  sent  total\n"
                             "Firefox          1.50  0.25   9.00\n"),
                 2);
    }

    void commands_call_their_method_or_exit_saying_why_data()
    {
        QTest::addColumn<QString>("method"); // empty: nothing may be called
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // in stdout, or in stderr on failure
        const auto row = [](const char *tag, const char *method, int exitCode, const char *out) {
            QTest::newRow(tag) << QString(method) << exitCode << QString(out);
        };
        row("period today", "notifyGetTodayFlowData", 0, "flow list period: today\n");
        row("period month", "notifyGetThisMonthFlowData", 0, "flow list period: month\n");
        row("period last-month", "notifyGetLastMonthFlowData", 0, "flow list period: last-month");
        row("quit", "ExitApp", 0, "the service was asked to exit\n");
        row("watch", "", 1, "com.nimbra.warden.trafficdetails is not on the session bus");
        row("period someday", "", 2, "nimbra-warden-traffic: ");
        row("watch --count 0", "", 2, "nimbra-warden-traffic: ");
    }
    void commands_call_their_method_or_exit_saying_why()
    {
        QFETCH(QString, method);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        if (exitCode == 1) // the service is absent
            m_service->stop();
        // The rows are named by the client's arguments.
        QCOMPARE(runClient(QString(QTest::currentDataTag()).split(' ')), exitCode);
        QCOMPARE(m_service->calls, method.isEmpty() ? QStringList() : QStringList{method});
        QVERIFY2((exitCode == 0 ? m_out : m_err).contains(output), qPrintable(m_out + m_err));
    }
};

QTEST_GUILESS_MAIN(TestTrafficClient)
#include "tst_trafficclient.moc"

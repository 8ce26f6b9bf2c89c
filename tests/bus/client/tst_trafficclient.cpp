// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "faketrafficservice.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QString kFirefox = QStringLiteral("firefox-esr.desktop");
const QString kFirefoxPath = QStringLiteral("/usr/share/applications/firefox-esr.desktop");
const QRgb kReceived = qRgb(0x3a, 0x7b, 0xd5);
const QRgb kSent = qRgb(0xf2, 0x9e, 0x4c);

WardenDisplay flowRow(const QString &name, const QString &path, double recv, double send)
{
    WardenDisplay row;
    row.appName = name;
    row.desktopPath = path;
    row.desktopName = path.section('/', -1);
    row.recvText = QString::number(recv, 'f', 2);
    row.sendText = QString::number(send, 'f', 2);
    row.totalText = QString::number(recv + send, 'f', 2);
    row.recvSum = recv;
    row.sendSum = send;
    return row;
}

// The tallest unbroken run of bar colour in each column, for the runs of columns that hold
// one, left to right.
QList<int> barHeights(const QImage &image)
{
    const auto isBar = [&](int x, int y) {
        const QRgb pixel = image.pixel(x, y) & 0xffffff;
        return pixel == (kReceived & 0xffffff) || pixel == (kSent & 0xffffff);
    };
    QList<int> heights;
    bool inBar = false;
    for (int x = 0; x < image.width(); ++x) {
        int tallest = 0, run = 0;
        for (int y = 0; y < image.height(); ++y) {
            run = isBar(x, y) ? run + 1 : 0;
            tallest = std::max(tallest, run);
        }
        // The legend's swatches are 12 pixels high.
        const bool bar = tallest > 12;
        if (bar && !inBar)
            heights << tallest;
        else if (bar)
            heights.last() = std::max(heights.last(), tallest);
        inBar = bar;
    }
    return heights;
}
} // namespace

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
        m_service->applications = {
            {kFirefox, "Firefox ESR", "firefox-esr", kFirefoxPath},
            {"mail.desktop", "Mail", "mail", "/usr/share/applications/mail.desktop"}};
        m_service->histories[kFirefox] = {
            {0, kFirefox, "Firefox ESR", "09:00", 7500, 2500, 10000},
            {1, kFirefox, "Firefox ESR", "14:00", 0.1, 0.2, 0.3},
            {2, kFirefox, "Firefox ESR", "23:00", 30000, 10000, 40000}};
        m_service->totals = {flowRow("Mail", "/usr/share/applications/mail.desktop", 1500, 400),
                             flowRow("Firefox ESR", kFirefoxPath, 2500000, 500000)};
        m_service->budgets = {{kFirefox, "month", 5ull << 30, 4ull << 30, 90, 15, "2026-11-15"}};
    }

    void history_json_has_full_dates_names_on_rows_and_figures_without_noise()
    {
        m_service->histories["mail.desktop"] = {{0, "mail.desktop", "", "12-01", 0.1, 0.2, 0.3},
                                                {1, "mail.desktop", "", "12-02", 0.7, 0.1, 0.8}};
        QCOMPARE(runClient({"history", "mail.desktop", "month", "--json", "--sort", "total"}), 0);
        const QJsonObject json = QJsonDocument::fromJson(m_out.toUtf8()).object();
        QCOMPARE(json.value("unit").toString(), "KiB");
        QCOMPARE(json.value("firstDay").toString(), "2026-12-07");
        const QJsonArray rows = json.value("rows").toArray();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).toObject(), QJsonObject({{"appname", "mail.desktop"},
                                                     {"name", "Mail"},
                                                     {"date", "2026-12-02"},
                                                     {"downloaded", 0.7},
                                                     {"uploaded", 0.1},
                                                     {"total", 0.8}}));
        QCOMPARE(json.value("sums").toObject(),
                 QJsonObject({{"downloaded", 0.8}, {"uploaded", 0.3}, {"total", 1.1}}));
    }

    void history_png_draws_a_bar_per_hour_scaled_to_the_largest()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath("chart.png");
        QCOMPARE(runClient({"history", kFirefox, "today", "--png", png}), 0);
        const QImage image(png);
        QCOMPARE(image.size(), QSize(960, 480));
        const QList<int> heights = barHeights(image);
        QCOMPARE(heights.size(), 2); // 0.3 KiB next to 39 MiB is less than a pixel
        QVERIFY2(qAbs(heights.at(1) - 4 * heights.at(0)) <= 2,
                 qPrintable(QString("bar heights %1 %2").arg(heights.at(0)).arg(heights.at(1))));
    }

    void watch_shows_its_own_period_once_a_second_without_switching_the_shared_one()
    {
        m_service->totals = {flowRow("Firefox ESR", kFirefoxPath, 1500, 250)};
        QTimer speeds;
        connect(&speeds, &QTimer::timeout, this, [&] {
            for (int i = 0; i < 3; ++i) // three lists a second: still one view a second
                m_service->sendSignal("displayspped",
                                      QVariant::fromValue(WardenDisplayList{
                                          flowRow("Firefox ESR", kFirefoxPath, 12.5, 0.5)}));
        });
        speeds.start(300);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runClient({"watch", "--period", "yesterday", "--count", "2"}), 0);
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(m_out.count("traffic yesterday from 2026-12-07   at "), 2);
        QVERIFY(!m_service->calls.join(' ').contains("notifyGet"));
        QVERIFY(m_service->calls.contains("GetTotals yesterday"));
        QVERIFY2(m_out.contains("speed\napplication    received     sent       total\n"
                                "Firefox ESR  12.5 KiB/s  512 B/s  13.0 KiB/s\n\n"
                                "traffic yesterday\napplication  received     sent     total\n"
                                "Firefox ESR  1.46 MiB  250 KiB  1.71 MiB\n"),
                 qPrintable(m_out));
    }

    void watch_once_as_json_follows_the_shared_list_and_names_its_period()
    {
        m_service->currentPeriod = "month";
        QTimer lists;
        connect(&lists, &QTimer::timeout, this, [&] {
            const auto list = QVariant::fromValue(
                WardenDisplayList{flowRow("Firefox ESR", kFirefoxPath, 0.1, 0.2)});
            m_service->sendSignal("displayspped", list);
            m_service->sendSignal("displayflow", list);
        });
        lists.start(100);
        QCOMPARE(runClient({"watch", "--once", "--json"}), 0);
        const QJsonObject json = QJsonDocument::fromJson(m_out.toUtf8()).object();
        QCOMPARE(json.value("period").toString(), "month");
        QCOMPARE(json.value("flow").toArray().at(0).toObject().value("total").toDouble(), 0.3);
        QVERIFY(m_out.endsWith("}\n"));
    }

    void commands_call_their_method_and_answer_or_exit_saying_why_data()
    {
        QTest::addColumn<QString>("calls"); // every call made, in order
        QTest::addColumn<int>("exitCode");
        // In stdout, or in stderr on failure; all of it when it ends a line.
        QTest::addColumn<QString>("output");
        // The rows are named by the client's arguments.
        const auto row = [](const char *tag, const char *calls, int exitCode, const QString &out) {
            QTest::newRow(tag) << QString(calls) << exitCode << out;
        };
        // An application is found by its desktop id, path or name; figures in human units.
        const QString firefoxToday =
            "Firefox ESR (firefox-esr.desktop), today from 2026-12-07\n"
            "hour   received      sent     total\n"
            "09:00  7.32 MiB  2.44 MiB  9.77 MiB  ##########\n"
            "14:00     102 B     205 B     307 B  #\n"
            "23:00  29.3 MiB  9.77 MiB  39.1 MiB  ########################################\n"
            "sum    36.6 MiB  12.2 MiB  48.8 MiB\n";
        const char *historyCalls = "GetApplications, GetAppHistory firefox-esr.desktop today";
        row("history firefox-esr.desktop today", historyCalls, 0, firefoxToday);
        row("history /usr/share/applications/firefox-esr.desktop today", historyCalls, 0,
            firefoxToday);
        row("history \"firefox esr\" today", historyCalls, 0, firefoxToday);
        row("apps --sort total", "GetApplications, GetTotals today", 0,
            "applications, traffic today (2026-12-07)\n"
            "application  desktop id           received     sent     total\n"
            "Firefox ESR  firefox-esr.desktop  2.38 GiB  488 MiB  2.86 GiB\n"
            "Mail         mail.desktop         1.46 MiB  400 KiB  1.86 MiB\n"
            "sum                               2.39 GiB  489 MiB  2.86 GiB\n");
        row("period today", "notifyGetTodayFlowData", 0, "flow list period: today\n");
        row("period last-month", "notifyGetLastMonthFlowData", 0, "flow list period: last-month");
        row("quit", "ExitApp", 0, "the service was asked to exit\n");
        row("quit (service absent)", "", 0, "the service is not running\n");
        row("--version", "", 0, "nimbra-warden-traffic 1.0.0\n");
        row("watch (service absent)", "", 1,
            "com.nimbra.warden.trafficdetails is not on the session bus");
        // An unknown application, or one without any history, gets no table of zeros.
        row("history Nonesuch today", "GetApplications", 1, "no application \"Nonesuch\" is known");
        row("history gone.desktop month", "GetApplications, GetAppHistory gone.desktop month", 1,
            "no application \"gone.desktop\" is known");
        row("period someday", "", 2, "nimbra-warden-traffic: ");
        row("watch --count 0", "", 2, "nimbra-warden-traffic: ");
        row("apps --units furlongs", "", 2, "unknown unit \"furlongs\"");
        // Budgets are sent as typed, 5GB being 5 GiB, and the answer shown.
        row("budget set \"Firefox ESR\" month 5GB --warn 90 --cycle-start 15",
            "GetApplications, SetBudget firefox-esr.desktop month 5368709120 90 15", 0,
            "budget of firefox-esr.desktop: 5.00 GiB a month from day 15, warning at 90 %\n");
        row("budget set all day \"1.5 MiB\"", "SetBudget  day 1572864 80 1", 0, "1.50 MiB a day,");
        row("budget list", "GetBudgets", 0,
            "budgets\n"
            "application          period  cycle start      used     limit  percent  warn at\n"
            "firefox-esr.desktop  month   2026-11-15   4.00 GiB  5.00 GiB     80 %     90 %\n");
        row("budget clear firefox-esr.desktop month",
            "GetApplications, ClearBudget firefox-esr.desktop month", 0, "cleared");
        row("budget clear all day", "ClearBudget  day", 1,
            "failed: no such budget (org.freedesktop.DBus.Error.InvalidArgs)");
        row("budget set all month \"5 GB tomorrow\"", "", 2, "no size");
        row("budget set all month 5G --cycle-start 29", "", 2, "from 1 to 28");
    }
    void commands_call_their_method_and_answer_or_exit_saying_why()
    {
        QFETCH(QString, calls);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        const QString tag = QTest::currentDataTag();
        if (tag.endsWith(" (service absent)"))
            m_service->stop();
        QCOMPARE(runClient(QProcess::splitCommand(tag.section(" (", 0, 0))), exitCode);
        QCOMPARE(m_service->calls.join(", "), calls);
        const QString &shown = exitCode == 0 ? m_out : m_err;
        QVERIFY2(output.endsWith('\n') ? shown == output : shown.contains(output),
                 qPrintable(m_out + m_err));
        // What goes wrong goes to stderr alone.
        QVERIFY2(exitCode == 0 ? m_err.isEmpty() : m_out.isEmpty(), qPrintable(m_out + m_err));
    }

    void export_prints_today_month_and_cycle_bytes_as_openmetrics_and_csv()
    {
        m_service->totals = {flowRow("Firefox ESR", kFirefoxPath, 1.5, 0.25),
                             flowRow("Firefox ESR", kFirefoxPath, 1, 0)};
        m_service->budgets = {{"", "month", 1, 0, 80, 3, "2026-12-03"}};
        m_service->histories[kFirefox + " month"] = {{0, kFirefox, "", "12-02", 1, 1, 2},
                                                     {1, kFirefox, "", "12-03", 2, 0.5, 2.5}};
        m_service->histories[kFirefox + " last-month"] = {{0, kFirefox, "", "11-30", 1, 1, 2}};
        QCOMPARE(runClient({"export", "--openmetrics"}), 0);
        QCOMPARE(m_out, R"(# TYPE nimbra_warden_traffic_received_bytes counter
# UNIT nimbra_warden_traffic_received_bytes bytes
# HELP nimbra_warden_traffic_received_bytes Bytes an application received in the period.
nimbra_warden_traffic_received_bytes_total{desktop_id="firefox-esr.desktop",period="today"} 2560
nimbra_warden_traffic_received_bytes_total{desktop_id="firefox-esr.desktop",period="month"} 2560
nimbra_warden_traffic_received_bytes_total{desktop_id="firefox-esr.desktop",period="cycle",cycle_start="2026-12-03"} 2048
# TYPE nimbra_warden_traffic_sent_bytes counter
# UNIT nimbra_warden_traffic_sent_bytes bytes
# HELP nimbra_warden_traffic_sent_bytes Bytes an application sent in the period.
nimbra_warden_traffic_sent_bytes_total{desktop_id="firefox-esr.desktop",period="today"} 256
nimbra_warden_traffic_sent_bytes_total{desktop_id="firefox-esr.desktop",period="month"} 256
nimbra_warden_traffic_sent_bytes_total{desktop_id="firefox-esr.desktop",period="cycle",cycle_start="2026-12-03"} 512
# EOF
)");
        QCOMPARE(runClient({"export", "--csv"}), 0);
        QCOMPARE(m_out, "desktop_id,period,cycle_start,received_bytes,sent_bytes\n"
                        "firefox-esr.desktop,today,,2560,256\n"
                        "firefox-esr.desktop,month,,2560,256\n"
                        "firefox-esr.desktop,cycle,2026-12-03,2048,512\n");
    }
};

QTEST_GUILESS_MAIN(TestTrafficClient)
#include "tst_trafficclient.moc"

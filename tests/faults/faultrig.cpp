// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "faultrig.h"

#include "testsupport.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <cstdio>

// A lost display second shows as a gap of about 2 s. Sanitized builds run several times
// slower and share two cores with the store's build, so they get more room below that.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kLongestGapMs = 1500;
#else
constexpr qint64 kLongestGapMs = 1200;
#endif

using namespace TestSupport;

namespace {

// The processes of tests/fixtures/e2e/scenario.json.
QString desktopOf(int pid)
{
    return pid == 4100 ? QStringLiteral("mail.desktop") : QStringLiteral("web.desktop");
}

QString processNameOf(int pid)
{
    return pid == 4100 ? QStringLiteral("mail") : QStringLiteral("web");
}

void stop(std::unique_ptr<QProcess> &process)
{
    if (process && process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished();
    }
}
} // namespace

FaultRig::FaultRig()
{
    m_clock.start();
    m_bus.connect(kService, kPath, kService, QStringLiteral("displayspped"), this,
                  SLOT(onSpeedList()));
}

FaultRig::~FaultRig()
{
    stop(m_service);
    stop(m_simulator);
}

QString FaultRig::databasePath() const
{
    return m_home.path() + QStringLiteral("/.nimbra-warden/warden.db");
}

bool FaultRig::startSimulator()
{
    m_simulator.reset(TestSupport::startSimulator(QStringLiteral("e2e/scenario.json")));
    if (!m_simulator)
        return false;
    m_control = std::make_unique<PeerSimulatorInterface>(
        kControl, QStringLiteral("/com/nimbra/warden/PeerSimulator"), m_bus);
    return true;
}

void FaultRig::launchService(const QStringList &environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home.path());
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    m_output.clear();
    m_service = std::make_unique<QProcess>();
    m_service->setProcessChannelMode(QProcess::MergedChannels);
    m_service->setProcessEnvironment(env);
    m_service->start(serviceBinary(), QStringList());
    m_service->waitForStarted();
}

bool FaultRig::startService(const QStringList &environment)
{
    launchService(environment);
    if (!waitForBusName(m_bus, kService, 15000))
        return false;
    m_control->PublishProcesses().waitForFinished();
    return true;
}

QByteArray FaultRig::serviceOutput()
{
    if (m_service)
        m_output += m_service->readAll();
    return m_output;
}

QDBusMessage FaultRig::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, method);
    message.setArguments(arguments);
    return m_bus.call(message);
}

qint64 FaultRig::slowestAnswerMs(int durationMs)
{
    qint64 slowest = 0;
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < durationMs) {
        QElapsedTimer one;
        one.start();
        call(QStringLiteral("StartApp"));
        slowest = qMax(slowest, one.elapsed());
        QTest::qWait(250);
    }
    return slowest;
}

void FaultRig::sendTotal(int pid, double recv, double send)
{
    m_control
        ->SendSample(processNameOf(pid), recv, send, pid, QStringLiteral("eth0"),
                     QStringLiteral("total_kb"))
        .waitForFinished();
    m_sent[pid] = {recv, send};
}

QMap<QString, QPair<double, double>> FaultRig::sentTotals() const
{
    QMap<QString, QPair<double, double>> totals;
    for (auto it = m_sent.cbegin(); it != m_sent.cend(); ++it)
        totals[desktopOf(it.key())] = it.value();
    return totals;
}

QMap<QString, QPair<double, double>> FaultRig::savedGrowth(bool *readable) const
{
    QMap<QString, QPair<double, double>> growth;
    const QString connection = QStringLiteral("fault-rig-check");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (QFile::exists(databasePath()) && db.open()) {
            QSqlQuery query(db);
            ok = query.exec(QStringLiteral(
                "SELECT appname, total(downloadedFlow), total(uploadedFlow) FROM flowDetail "
                "WHERE appname IN ('mail.desktop', 'web.desktop') GROUP BY appname"));
            while (query.next())
                growth[query.value(0).toString()] = {query.value(1).toDouble(),
                                                     query.value(2).toDouble()};
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (readable)
        *readable = ok;
    return growth;
}

bool FaultRig::waitForSaved(int timeoutMs)
{
    return QTest::qWaitFor([this] { return unsavedGrowth() == 0; }, timeoutMs);
}

double FaultRig::unsavedGrowth() const
{
    const auto saved = savedGrowth();
    const auto sent = sentTotals();
    double missing = 0;
    for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
        const QPair<double, double> have = saved.value(it.key());
        missing += qAbs(it.value().first - have.first) + qAbs(it.value().second - have.second);
    }
    return missing;
}

void FaultRig::startGapWatch()
{
    m_gapsFrom = m_clock.elapsed();
    m_gapsTo = -1;
}

void FaultRig::stopGapWatch()
{
    m_gapsTo = m_clock.elapsed();
}

qint64 FaultRig::longestGapMs() const
{
    const qint64 end = m_gapsTo >= 0 ? m_gapsTo : m_clock.elapsed();
    qint64 longest = 0;
    qint64 previous = m_gapsFrom;
    for (qint64 at : m_speedTimes) {
        if (at < m_gapsFrom || at > end)
            continue;
        longest = qMax(longest, at - previous);
        previous = at;
    }
    // A list still missing at the end counts as a gap.
    return qMax(longest, end - previous);
}

int FaultRig::speedLists() const
{
    return m_speedTimes.size();
}

void FaultRig::report(const QString &caseName, bool withGrowth) const
{
    std::printf("FAULT %-62s longest display gap %5lld ms", qPrintable(caseName),
                static_cast<long long>(longestGapMs()));
    if (withGrowth)
        std::printf(", unsaved growth %.2f kB", unsavedGrowth());
    std::printf("\n");
    std::fflush(stdout);
    QVERIFY2(longestGapMs() <= kLongestGapMs, qPrintable(QString::number(longestGapMs())));
}

void FaultRig::onSpeedList()
{
    m_speedTimes.append(m_clock.elapsed());
}

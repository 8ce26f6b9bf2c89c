// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "faultrig.h"

#include "historyfile.h"
#include "testsupport.h"

#include <QFile>
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

FaultRig::~FaultRig()
{
    stopProcesses(); // before their home goes
}

FaultRig::FaultRig()
{
    setHome(m_home.path());
    m_clock.start();
    m_bus.connect(kService, kPath, kService, QStringLiteral("displayspped"), this,
                  SLOT(onSpeedList()));
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
    ServiceRig::sendTotal(pid, recv, send);
    m_sent[pid] = {recv, send};
}

QMap<QString, QPair<double, double>> FaultRig::savedGrowth() const
{
    QMap<QString, QPair<double, double>> growth;
    if (!QFile::exists(databasePath()))
        return growth;
    for (const QString &row : HistoryFile(databasePath()).sums()) {
        const QStringList columns = row.split('|');
        if (columns.size() == 3)
            growth[columns[0]] = {columns[1].toDouble(), columns[2].toDouble()};
    }
    return growth;
}

bool FaultRig::waitForSaved(int timeoutMs)
{
    return QTest::qWaitFor([this] { return unsavedGrowth() == 0; }, timeoutMs);
}

double FaultRig::unsavedGrowth() const
{
    const auto saved = savedGrowth();
    double missing = 0;
    for (auto it = m_sent.cbegin(); it != m_sent.cend(); ++it) {
        const QPair<double, double> have = saved.value(processName(it.key()) + ".desktop");
        missing += qAbs(it->first - have.first) + qAbs(it->second - have.second);
    }
    return missing;
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

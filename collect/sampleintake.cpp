#include "collect/trafficdetailsworker.h"

#include "display/desktopalias.h"
#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>
#include <cmath>

namespace {
const QString kSpeedType = QStringLiteral("kb/s");
const QString kTotalType = QStringLiteral("total_kb");
} // namespace

void TrafficDetailsWorker::onAppMonitorNetFlowDetailData(QString name, double recv, double send,
                                                         int pid, QString device, QString type)
{
    // One such figure would spoil every sum, text and saved row after it.
    if (!std::isfinite(recv) || !std::isfinite(send)) {
        qDebug() << "drop sample with figures that are not finite" << name << pid << type << recv
                 << send;
        return;
    }

    m_appParameter.name = name;
    m_appParameter.recv = recv;
    m_appParameter.send = send;
    m_appParameter.pid = pid;
    m_appParameter.device = device;
    m_appParameter.type = type;
    m_appParameter.desktop = QString();

    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        if (m_procPidList.isEmpty() || !m_procPidList.contains(pid))
            return;
    }
    if (pid == 0)
        return;

    const QPair<QString, QString> process = lookupProcess(pid);
    m_appParameter.sName = process.second;
    m_appParameter.desktop = desktopAlias(process.first.split(QLatin1Char('/')).last());
    if (m_appParameter.desktop.isEmpty())
        return;

    QMutexLocker locker(&CMutex::instance()->mutex);
    if ((type == kSpeedType || type == kTotalType) && m_flowMap.contains(type))
        scanEntries(m_flowMap[type]);
    if (m_matchState == 2) {
        m_matchState = 0;
        appendSample();
    }
    if (type == kTotalType)
        applyProcessTotals();
    m_speedList = m_flowMap[kSpeedType];
    m_totalList = m_flowMap[kTotalType];
}

void TrafficDetailsWorker::scanEntries(QList<AppParameter> &entries)
{
    const AppParameter &sample = m_appParameter;
    if (entries.isEmpty()) {
        m_matchState = 2;
        return;
    }
    for (AppParameter &entry : entries) {
        const bool samePid = entry.pid == sample.pid;
        const bool sameDesktop = entry.desktop == sample.desktop;
        if (samePid && sameDesktop) {
            entry.recv = sample.recv;
            entry.send = sample.send;
            m_matchState = 0;
            return;
        }
        if (samePid) {
            entry.desktop = sample.desktop;
            entry.recv = sample.recv;
            entry.send = sample.send;
            m_matchState = 0;
            return;
        }
        if (sameDesktop) {
            entry.pid = sample.pid;
            entry.recv += sample.recv;
            entry.send += sample.send;
            m_matchState = 0;
            return;
        }
        if (entry.sName == sample.sName) {
            entry.pid = sample.pid;
            entry.desktop = sample.desktop;
            entry.recv = sample.recv;
            entry.send = sample.send;
            m_matchState = 0;
            continue;
        }
        m_matchState = 2;
    }
}

void TrafficDetailsWorker::appendSample()
{
    const AppParameter &sample = m_appParameter;
    // The new entry joins the working list as it stands: rebuilding the list
    // from the entries as first appended would throw back every other
    // application's running total and make the next saves count growth twice.
    if (sample.type == kSpeedType) {
        qDebug() << "kb/s insert" << sample.pid << sample.sName << sample.desktop << sample.recv
                 << sample.send;
        m_speedEntries.append(sample);
        m_flowMap[kSpeedType].append(sample);
    } else if (sample.type == kTotalType) {
        qDebug() << "total_kb insert" << sample.pid << sample.sName << sample.desktop << sample.recv
                 << sample.send;
        m_totalEntries.append(sample);
        m_flowMap[kTotalType].append(sample);
    }
}

void TrafficDetailsWorker::applyProcessTotals()
{
    const AppParameter &sample = m_appParameter;
    m_processTotals.insert(sample.pid, sample);
    double recv = 0;
    double send = 0;
    for (const AppParameter &process : qAsConst(m_processTotals)) {
        if (process.desktop == sample.desktop) {
            recv += process.recv;
            send += process.send;
        }
    }
    for (AppParameter &entry : m_flowMap[kTotalType]) {
        if (entry.desktop == sample.desktop) {
            entry.recv = recv;
            entry.send = send;
        }
    }
}

void TrafficDetailsWorker::resetSpeedFigures()
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    if (m_speedEntries.isEmpty())
        return;
    for (AppParameter &entry : m_speedEntries) {
        entry.recv = 0;
        entry.send = 0;
    }
    m_flowMap[kSpeedType] = m_speedEntries;
    m_speedList = m_flowMap[kSpeedType];
}

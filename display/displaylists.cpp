#include "display/wardenhandlethread.h"

#include "collect/trafficdetailsworker.h"
#include "display/desktopalias.h"
#include "records/cmutex.h"

#include <QMutexLocker>

namespace {
const QString kZeroText = QStringLiteral("0.00");

QString figureText(double value)
{
    return QString::number(value, 'f', 2);
}

// Desktop names are matched as case-sensitive substrings of desktop paths.
bool containsName(const QString &text, const QString &name)
{
    return text.indexOf(name, 0, Qt::CaseSensitive) != -1;
}
} // namespace

void WardenHandleThread::UpdateAllProcPid()
{
    m_speedDisplayList.clear();
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        for (const allApp &app : qAsConst(m_allAppList)) {
            m_speedRow = WardenDisplay();
            m_speedRow.appName = app.appName;
            m_speedRow.icon = app.icon;
            m_speedRow.desktopPath = app.desktopPath;
            for (const QString &entry : qAsConst(m_worker->m_desktoplist)) {
                const QString name = desktopAlias(entry.split(QLatin1Char('/')).last());
                if (!containsName(app.desktopPath, name))
                    continue;
                m_speedRow.desktopName = name;
                m_speedRow.recvText = kZeroText;
                m_speedRow.sendText = kZeroText;
                m_speedRow.totalText = kZeroText;
                m_speedRow.sendSum = 0;
                m_speedRow.recvSum = 0;
                m_speedRow.isDefault = false;
                m_speedDisplayList.append(m_speedRow);
            }
        }
    }
    buildDisplayLists(m_speedSampleList, m_historyFlowList);
}

void WardenHandleThread::buildDisplayLists(QList<AppParameter> speedSamples,
                                           QList<AppParameter> historyRecords)
{
    nameSaveFlowList();

    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        for (WardenDisplay &row : m_speedDisplayList) {
            for (const AppParameter &sample : qAsConst(speedSamples)) {
                if (sample.desktop.isEmpty() || !containsName(row.desktopName, sample.desktop))
                    continue;
                row.recvText = figureText(sample.recv);
                row.sendText = figureText(sample.send);
                row.totalText = figureText(sample.total);
                row.pid = sample.pid;
                row.desktopName = sample.desktop;
                row.sendSum += sample.send;
                row.recvSum += sample.recv;
            }
        }
    }

    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        for (const AppParameter &record : qAsConst(historyRecords)) {
            for (const allApp &app : qAsConst(m_appList)) {
                if (record.desktop.isEmpty() || !containsName(app.desktopPath, record.desktop))
                    continue;
                m_flowRow = WardenDisplay();
                m_flowRow.appName = app.appName;
                m_flowRow.icon = app.icon;
                m_flowRow.desktopPath = app.desktopPath;
                m_flowRow.recvText = figureText(record.recv);
                m_flowRow.sendText = figureText(record.send);
                m_flowRow.totalText = figureText(record.recv + record.send);
                m_flowRow.desktopName = record.desktop;
                m_flowRow.pid = record.pid;
                m_flowRow.sendSum = record.send;
                m_flowRow.recvSum = record.recv;
                m_flowDisplayList.append(m_flowRow);
            }
        }
    }

    m_worker->resetSpeedFigures();
    emit SendFlowData(m_flowDisplayList);
    emit SendSpeedData(m_speedDisplayList);
    m_flowDisplayList.clear();
}

void WardenHandleThread::nameSaveFlowList()
{
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        m_saveList = m_totalSampleList;
        for (const allApp &app : qAsConst(m_appList)) {
            for (AppParameter &entry : m_saveList) {
                if (!entry.desktop.isEmpty() && containsName(app.desktopPath, entry.desktop))
                    entry.sName = app.appName;
            }
        }
    }
    emit setSaveFlowList(m_saveList);
}

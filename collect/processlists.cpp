#include "collect/trafficdetailsworker.h"

#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>

void TrafficDetailsWorker::Getallproclist(WardenProcessInfoList proclist)
{
    m_procInfoList = proclist;
    qDebug() << "processInfoList size =" << m_procInfoList.size();
    for (const WardenProcessInfo &info : qAsConst(m_procInfoList))
        qDebug() << info.pid << info.procName << info.desktopPath;
}

void TrafficDetailsWorker::Getallprocpid(WardenProcessList pid)
{
    m_procPidList = pid;
}

void TrafficDetailsWorker::Getdesktoplist(QStringList desktoplist)
{
    m_desktoplist = desktoplist;
    for (const QString &desktop : qAsConst(m_desktoplist))
        qDebug() << "desktop = " << desktop;
    emit DesktopUpdate();
}

void TrafficDetailsWorker::GetGuidesktop(QStringList guidesktop)
{
    m_guidesktop = guidesktop;
    for (const QString &desktop : qAsConst(m_guidesktop))
        qDebug() << "m_guidesktop = " << desktop;
}

QPair<QString, QString> TrafficDetailsWorker::lookupProcess(int pid)
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    for (const WardenProcessInfo &info : qAsConst(m_procInfoList)) {
        if (info.pid == pid)
            return {info.desktopPath, info.procName};
    }
    return {};
}

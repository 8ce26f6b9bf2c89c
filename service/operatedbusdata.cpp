#include "service/operatedbusdata.h"

#include "collect/trafficdetailsworker.h"
#include "display/wardenhandlethread.h"
#include "history/usedata.h"
#include "service/servicenames.h"
#include "trafficdetailsadaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDebug>
#include <cstdlib>

OperateDBusData::OperateDBusData(QObject *parent) : QObject(parent)
{
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();

    // Lives until the process ends, like the store and threads it brings.
    m_worker = new TrafficDetailsWorker;
    m_useData = m_worker->m_useData;

    m_adaptor = new TrafficdetailsAdaptor(this);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService(s_serviceName) ||
        !bus.registerObject(s_servicePath, this, QDBusConnection::ExportAdaptors)) {
        qDebug() << "dbus service already registered! " << s_serviceName;
        std::exit(0);
    }

    m_handleThread = new WardenHandleThread(m_worker, nullptr);
    m_handleThread->start(QThread::InheritPriority);

    qRegisterMetaType<QList<allApp>>("QList<allApp>");
    qRegisterMetaType<QList<AppParameter>>("QList<AppParameter>");

    connect(m_worker, &TrafficDetailsWorker::DesktopUpdate, m_handleThread,
            &WardenHandleThread::UpdateAllProcPid);
    connect(m_handleThread, &WardenHandleThread::setSaveFlowList, m_worker,
            &TrafficDetailsWorker::onSetSvaeFLowList);
    connect(m_handleThread, &WardenHandleThread::SendSpeedData, this,
            &OperateDBusData::SendDisplaySpeedlist);
    connect(m_handleThread, &WardenHandleThread::SendFlowData, this,
            &OperateDBusData::SendDisplayFlowlist);
    connect(
        m_worker->m_analysisApp, &__analysisapp::notifyUpdateLauncherList, m_worker->m_analysisApp,
        [this] {
            qDebug() << "notifyUpdateLauncherList";
            emit m_adaptor->updatedisplay();
        },
        Qt::DirectConnection);
    connect(m_useData, &UseData::sendAppYesterdayFlowData, this, &OperateDBusData::recAppFlowList);
    connect(m_useData, &UseData::sendAppTodayFlowData, this, &OperateDBusData::recAppFlowList);
    connect(m_useData, &UseData::sendAppLastMonthFlowData, this, &OperateDBusData::recAppFlowList);
    connect(m_useData, &UseData::sendAppThisMonthFlowData, this, &OperateDBusData::recAppFlowList);
}

void OperateDBusData::StartApp()
{
    qDebug() << "void OperateDBusData::StartApp()"
             << " Start TrafficDetailis.";
}

void OperateDBusData::ExitApp()
{
    QCoreApplication::quit();
}

void OperateDBusData::SendDisplayFlowlist(WardenDisplayList list)
{
    emit m_adaptor->displayflow(list);
}

void OperateDBusData::SendDisplaySpeedlist(WardenDisplayList list)
{
    emit m_adaptor->displayspped(list);
}

void OperateDBusData::notifyGetYesterdayFlowData()
{
    m_worker->requestYesterdayFlowData();
}

void OperateDBusData::notifyGetTodayFlowData()
{
    m_worker->requestTodayFlowData();
}

void OperateDBusData::notifyGetLastMonthFlowData()
{
    m_worker->requestLastMonthFlowData();
}

void OperateDBusData::notifyGetThisMonthFlowData()
{
    m_worker->requestThisMonthFlowData();
}

void OperateDBusData::notifyGetAppYesterdayFlowData(QString appname)
{
    emit m_useData->notifyGetAppYesterdayFlowData(appname);
}

void OperateDBusData::notifyGetAppTodayFlowData(QString appname)
{
    emit m_useData->notifyGetAppTodayFlowData(appname);
}

void OperateDBusData::notifyGetAppLastMonthFlowData(QString appname)
{
    emit m_useData->notifyGetAppLastMonthFlowData(appname);
}

void OperateDBusData::notifyGetAppThisMonthFlowData(QString appname)
{
    emit m_useData->notifyGetAppThisMonthFlowData(appname);
}

void OperateDBusData::recAppFlowList(QList<AppFlowDateParameter> appFlowLst)
{
    WardenAppFlowList list;
    for (int i = 0; i < appFlowLst.size(); ++i) {
        const AppFlowDateParameter &row = appFlowLst.at(i);
        WardenAppFlow flow;
        flow.index = i;
        flow.appname = row.appname;
        flow.sname = row.sname;
        flow.date = row.date;
        flow.downloaded = row.downloaded;
        flow.uploaded = row.uploaded;
        flow.total = row.total;
        list.append(flow);
    }
    emit m_adaptor->sendAppFlowData(list);
}

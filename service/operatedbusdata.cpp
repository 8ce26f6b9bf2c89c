#include "service/operatedbusdata.h"

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

    m_adaptor = new TrafficdetailsAdaptor(this);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService(s_serviceName) ||
        !bus.registerObject(s_servicePath, this, QDBusConnection::ExportAdaptors)) {
        qDebug() << "dbus service already registered! " << s_serviceName;
        std::exit(0);
    }
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

void OperateDBusData::SendDisplayFlowlist(WardenDisplayList) {}

void OperateDBusData::SendDisplaySpeedlist(WardenDisplayList) {}

void OperateDBusData::notifyGetYesterdayFlowData() {}

void OperateDBusData::notifyGetTodayFlowData() {}

void OperateDBusData::notifyGetLastMonthFlowData() {}

void OperateDBusData::notifyGetThisMonthFlowData() {}

void OperateDBusData::notifyGetAppYesterdayFlowData(QString) {}

void OperateDBusData::notifyGetAppTodayFlowData(QString) {}

void OperateDBusData::notifyGetAppLastMonthFlowData(QString) {}

void OperateDBusData::notifyGetAppThisMonthFlowData(QString) {}

void OperateDBusData::recAppFlowList(QList<AppFlowDateParameter>) {}

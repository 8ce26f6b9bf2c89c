#pragma once

#include "history/appflowdateparameter.h"
#include "records/wardenrecords.h"

#include <QList>
#include <QObject>
#include <QString>

class TrafficdetailsAdaptor;
class WardenHandleThread;
class TrafficDetailsWorker;
class UseData;

// The object behind "/com/nimbra/warden/trafficdetails". The bus sees only its
// adaptor; every bus method arrives here as a slot.
class OperateDBusData : public QObject
{
    Q_OBJECT
public:
    explicit OperateDBusData(QObject *parent = nullptr);

    TrafficdetailsAdaptor *m_adaptor = nullptr;
    WardenHandleThread *m_handleThread = nullptr;
    TrafficDetailsWorker *m_worker = nullptr;
    UseData *m_useData = nullptr;

public slots:
    void StartApp();
    void ExitApp();
    void SendDisplayFlowlist(WardenDisplayList list);
    void SendDisplaySpeedlist(WardenDisplayList list);
    void notifyGetYesterdayFlowData();
    void notifyGetTodayFlowData();
    void notifyGetLastMonthFlowData();
    void notifyGetThisMonthFlowData();
    void notifyGetAppYesterdayFlowData(QString appname);
    void notifyGetAppTodayFlowData(QString appname);
    void notifyGetAppLastMonthFlowData(QString appname);
    void notifyGetAppThisMonthFlowData(QString appname);
    void recAppFlowList(QList<AppFlowDateParameter> appFlowLst);
};

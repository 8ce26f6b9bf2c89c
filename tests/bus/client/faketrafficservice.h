#pragma once

#include "records/wardenrecords.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Stands in for the traffic details service on the private session bus: owns its name,
// answers its methods, and sends its signals in the forms the real service puts on the wire.
class FakeTrafficService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.nimbra.warden.trafficdetails")
public:
    bool start();
    void stop();

    // Every method call received, as "name" or "name argument".
    QStringList calls;
    // Sent, in order, in reply to any per-application request.
    QList<WardenAppFlowList> appAnswers;

    // Sends a flow list then a speed list every `intervalMs`.
    void sendListsEvery(int intervalMs, const WardenDisplayList &speed,
                        const WardenDisplayList &flow);

public slots:
    void StartApp() { record(QStringLiteral("StartApp")); }
    void ExitApp() { record(QStringLiteral("ExitApp")); }
    void notifyGetYesterdayFlowData() { record(QStringLiteral("notifyGetYesterdayFlowData")); }
    void notifyGetTodayFlowData() { record(QStringLiteral("notifyGetTodayFlowData")); }
    void notifyGetLastMonthFlowData() { record(QStringLiteral("notifyGetLastMonthFlowData")); }
    void notifyGetThisMonthFlowData() { record(QStringLiteral("notifyGetThisMonthFlowData")); }
    void notifyGetAppYesterdayFlowData(const QString &appname);
    void notifyGetAppTodayFlowData(const QString &appname);
    void notifyGetAppLastMonthFlowData(const QString &appname);
    void notifyGetAppThisMonthFlowData(const QString &appname);

private:
    void record(const QString &call);
    void answerApp(const QString &method, const QString &appname);
    void sendSignal(const QString &name, const QVariant &argument);

    QTimer m_listTimer;
};

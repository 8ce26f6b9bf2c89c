#pragma once

#include "period.h"
#include "records/wardenrecords.h"
#include "trafficdetailsinterface.h"

#include <QDBusPendingCall>
#include <QObject>
#include <QString>

// The client's side of the traffic details service on the session bus.
// Every operation gives up after answerTimeoutMs and then leaves its reason in errorText().
class TrafficService : public QObject
{
    Q_OBJECT
public:
    static constexpr int answerTimeoutMs = 5000;

    explicit TrafficService(QObject *parent = nullptr);

    // Whether the service is reachable; a service that is only activatable is started.
    bool ping();
    bool requestPeriod(Period period);
    // Asks for one application's history and waits for the first answer that is for it.
    bool requestAppHistory(const QString &app, Period period, WardenAppFlowList *rows);
    bool quit();

    QString errorText() const { return m_error; }

signals:
    void speedListArrived(const WardenDisplayList &rows);
    void flowListArrived(const WardenDisplayList &rows);

private:
    bool connectedToBus();
    bool finish(const QDBusPendingCall &call);

    ComNimbraWardenTrafficdetailsInterface m_proxy;
    QString m_error;
};

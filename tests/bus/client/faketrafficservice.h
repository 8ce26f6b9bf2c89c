#pragma once

#include "records/wardenrecords.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>

// Stands in for the traffic details service: records every method call and sends signals
// in the forms the real service puts on the wire.
class FakeTrafficService : public QDBusVirtualObject
{
public:
    QStringList calls;                   // every method call received, as "name" or "name argument"
    QList<WardenAppFlowList> appAnswers; // sent in order, a while after a per-application request

    ~FakeTrafficService() override { stop(); }
    bool start()
    {
        registerWardenDisplayMetaType();
        registerWardenAppFlowMetaType();
        return bus().registerVirtualObject(kPath, this) && bus().registerService(kService);
    }
    void stop()
    {
        bus().unregisterService(kService);
        bus().unregisterObject(kPath);
    }
    void sendSignal(const QString &name, const QVariant &argument)
    {
        bus().send(QDBusMessage::createSignal(kPath, kService, name) << argument);
    }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != kService)
            return false;
        calls << (message.member() + ' ' + QVariant(message.arguments()).toStringList().join(' '))
                     .trimmed();
        connection.send(message.createReply());
        // The real answer comes from the store's thread, after the method has returned.
        if (message.member().startsWith(QLatin1String("notifyGetApp")))
            QTimer::singleShot(50, this, [this, answers = appAnswers] {
                for (const WardenAppFlowList &answer : answers)
                    sendSignal(QStringLiteral("sendAppFlowData"), QVariant::fromValue(answer));
            });
        return true;
    }

private:
    static QDBusConnection bus() { return QDBusConnection::sessionBus(); }
    static inline const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
    static inline const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
};

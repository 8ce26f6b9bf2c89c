#pragma once

#include "records/wardenrecords.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>

// Stands in for the traffic details service on the private session bus: takes every method
// call of its interface and sends signals in the forms the real service puts on the wire.
class FakeTrafficService : public QDBusVirtualObject
{
public:
    // Every method call received, as "name" or "name argument".
    QStringList calls;
    // Sent, in order, some time after any per-application request.
    QList<WardenAppFlowList> appAnswers;

    ~FakeTrafficService() override { stop(); }

    bool start()
    {
        registerWardenDisplayMetaType();
        registerWardenAppFlowMetaType();
        return bus().registerVirtualObject(path(), this) && bus().registerService(service());
    }
    void stop()
    {
        bus().unregisterService(service());
        bus().unregisterObject(path());
    }
    void sendSignal(const QString &name, const QVariant &argument)
    {
        QDBusMessage message = QDBusMessage::createSignal(path(), service(), name);
        message << argument;
        bus().send(message);
    }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != service())
            return false;
        QStringList call{message.member()};
        for (const QVariant &argument : message.arguments())
            call << argument.toString();
        calls << call.join(QLatin1Char(' '));
        connection.send(message.createReply());
        // The real answer comes from the store's thread, after the method has returned.
        if (message.member().startsWith(QLatin1String("notifyGetApp"))) {
            QTimer::singleShot(50, this, [this, answers = appAnswers] {
                for (const WardenAppFlowList &answer : answers)
                    sendSignal(QStringLiteral("sendAppFlowData"), QVariant::fromValue(answer));
            });
        }
        return true;
    }

private:
    static QDBusConnection bus() { return QDBusConnection::sessionBus(); }
    static QString service() { return QStringLiteral("com.nimbra.warden.trafficdetails"); }
    static QString path() { return QStringLiteral("/com/nimbra/warden/trafficdetails"); }
};

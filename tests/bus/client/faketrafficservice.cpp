#include "faketrafficservice.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {
const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
} // namespace

bool FakeTrafficService::start()
{
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
           bus.registerService(kService);
}

void FakeTrafficService::stop()
{
    m_listTimer.stop();
    m_listTimer.disconnect();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kService);
    bus.unregisterObject(kPath);
}

void FakeTrafficService::sendListsEvery(int intervalMs, const WardenDisplayList &speed,
                                        const WardenDisplayList &flow)
{
    connect(&m_listTimer, &QTimer::timeout, this, [this, speed, flow] {
        sendSignal(QStringLiteral("displayflow"), QVariant::fromValue(flow));
        sendSignal(QStringLiteral("displayspped"), QVariant::fromValue(speed));
    });
    m_listTimer.start(intervalMs);
}

void FakeTrafficService::notifyGetAppYesterdayFlowData(const QString &appname)
{
    answerApp(QStringLiteral("notifyGetAppYesterdayFlowData"), appname);
}

void FakeTrafficService::notifyGetAppTodayFlowData(const QString &appname)
{
    answerApp(QStringLiteral("notifyGetAppTodayFlowData"), appname);
}

void FakeTrafficService::notifyGetAppLastMonthFlowData(const QString &appname)
{
    answerApp(QStringLiteral("notifyGetAppLastMonthFlowData"), appname);
}

void FakeTrafficService::notifyGetAppThisMonthFlowData(const QString &appname)
{
    answerApp(QStringLiteral("notifyGetAppThisMonthFlowData"), appname);
}

void FakeTrafficService::record(const QString &call)
{
    calls << call;
}

void FakeTrafficService::answerApp(const QString &method, const QString &appname)
{
    record(method + QLatin1Char(' ') + appname);
    // The real answer comes from the store's thread, after the method has returned.
    const QList<WardenAppFlowList> answers = appAnswers;
    QTimer::singleShot(50, this, [this, answers] {
        for (const WardenAppFlowList &answer : answers)
            sendSignal(QStringLiteral("sendAppFlowData"), QVariant::fromValue(answer));
    });
}

void FakeTrafficService::sendSignal(const QString &name, const QVariant &argument)
{
    QDBusMessage message = QDBusMessage::createSignal(kPath, kService, name);
    message << argument;
    QDBusConnection::sessionBus().send(message);
}

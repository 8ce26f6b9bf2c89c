// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/wardenapplication.h"
#include "records/wardenrecords.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMap>
#include <algorithm>

// Stands in for the traffic details service: records every method call, answers the queries
// interface from what the test set, and sends signals in the forms the real service uses.
class FakeTrafficService : public QDBusVirtualObject
{
public:
    QStringList calls; // every method call received, as "name" or "name arguments..."
    WardenApplicationList applications;
    QMap<QString, WardenAppFlowList> histories; // by "desktop-id period", else by desktop id
    WardenBudgetList budgets;                   // ClearBudget refuses any other
    WardenDisplayList totals;
    QString firstDay = QStringLiteral("2026-12-07");
    QString currentPeriod = QStringLiteral("today");

    ~FakeTrafficService() override { stop(); }
    bool start()
    {
        registerWardenDisplayMetaType();
        registerWardenAppFlowMetaType();
        registerWardenApplicationMetaType();
        registerWardenBudgetMetaType();
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
        if (message.interface() != kService && message.interface() != kQueries)
            return false;
        const QString member = message.member();
        const QStringList arguments = QVariant(message.arguments()).toStringList();
        calls << (member + ' ' + arguments.join(' ')).trimmed();
        const auto budget = std::find_if(budgets.cbegin(), budgets.cend(), [&](const auto &b) {
            return QStringList{b.desktopId, b.period} == arguments;
        });
        if (member == QLatin1String("GetBudgets"))
            connection.send(message.createReply(QVariant::fromValue(budgets)));
        else if (member == QLatin1String("ClearBudget") && budget == budgets.cend())
            connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                     QStringLiteral("no such budget")));
        else if (member == QLatin1String("GetApplications"))
            connection.send(message.createReply(QVariant::fromValue(applications)));
        else if (member == QLatin1String("GetAppHistory"))
            connection.send(
                message.createReply({QVariant::fromValue(histories.value(
                                         arguments.join(' '), histories.value(arguments.value(0)))),
                                     firstDay}));
        else if (member == QLatin1String("GetTotals"))
            connection.send(message.createReply({QVariant::fromValue(totals), firstDay}));
        else if (member == QLatin1String("GetCurrentPeriod"))
            connection.send(message.createReply(currentPeriod));
        else
            connection.send(message.createReply());
        return true;
    }

private:
    static QDBusConnection bus() { return QDBusConnection::sessionBus(); }
    static inline const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
    static inline const QString kQueries =
        QStringLiteral("com.nimbra.warden.trafficdetails.Queries");
    static inline const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
};

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

// One row of a per-application history answer.
struct WardenAppFlow
{
    int index = 0;
    QString appname;
    QString sname;
    QString date;
    double downloaded = 0;
    double uploaded = 0;
    double total = 0;

    // Rows are told apart by their position in the answer only.
    bool operator!=(const WardenAppFlow &other) const { return index != other.index; }
};

using WardenAppFlowList = QList<WardenAppFlow>;

QDBusArgument &operator<<(QDBusArgument &argument, const WardenAppFlow &flow);
const QDBusArgument &operator>>(const QDBusArgument &argument, WardenAppFlow &flow);

void registerWardenAppFlowMetaType();

Q_DECLARE_METATYPE(WardenAppFlow)
Q_DECLARE_METATYPE(WardenAppFlowList)

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/wardenappflow.h"

#include <QDBusMetaType>

QDBusArgument &operator<<(QDBusArgument &argument, const WardenAppFlow &flow)
{
    argument.beginStructure();
    argument << flow.index << flow.appname << flow.sname << flow.date << flow.downloaded
             << flow.uploaded << flow.total;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WardenAppFlow &flow)
{
    argument.beginStructure();
    argument >> flow.index >> flow.appname >> flow.sname >> flow.date >> flow.downloaded >>
        flow.uploaded >> flow.total;
    argument.endStructure();
    return argument;
}

void registerWardenAppFlowMetaType()
{
    qRegisterMetaType<WardenAppFlow>("WardenAppFlow");
    qDBusRegisterMetaType<WardenAppFlow>();
    qRegisterMetaType<WardenAppFlowList>("WardenAppFlowList");
    qDBusRegisterMetaType<WardenAppFlowList>();
}

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/flowrow.h"

#include <QVariant>

AppFlowDateParameter FlowRow::fromQuery(const QSqlQuery &query)
{
    AppFlowDateParameter record;
    record.appname = query.value(0).toString();
    record.sname = query.value(1).toString();
    record.date = query.value(2).toString();
    record.total = query.value(3).toDouble();
    record.downloaded = query.value(4).toDouble();
    record.uploaded = query.value(5).toDouble();
    return record;
}

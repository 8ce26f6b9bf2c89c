// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One history row: a stored sample, or one record of a period answer.
struct AppFlowDateParameter
{
    QString appname;
    QString sname;
    QString date;
    double downloaded = 0;
    double uploaded = 0;
    double total = 0;
};

Q_DECLARE_METATYPE(AppFlowDateParameter)
Q_DECLARE_METATYPE(QList<AppFlowDateParameter>)

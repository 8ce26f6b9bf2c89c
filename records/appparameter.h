// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One application's figures as the worker keeps them: a speed or total entry
// built from monitor samples, or a row of a history answer.
struct AppParameter
{
    QString name;
    double recv = 0;
    double send = 0;
    int pid = 0;
    QString device;
    QString type;
    QString desktop;
    double total = 0;
    QString sName;
    // In a speed entry, the part of recv and send whose samples came since the last display
    // cycle: the rows' sums add only this, so a speed kept one more cycle is added once.
    double freshRecv = 0;
    double freshSend = 0;
};

Q_DECLARE_METATYPE(AppParameter)
Q_DECLARE_METATYPE(QList<AppParameter>)

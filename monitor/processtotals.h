// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "socketledger.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// One process's traffic over the last interval and since counting began, in bytes.
struct ProcessTraffic
{
    quint32 pid = 0;
    quint32 uid = 0;
    quint64 start = 0;
    QString name;
    quint32 ifindex = 0;
    quint64 recvDelta = 0;
    quint64 sendDelta = 0;
    quint64 recvTotal = 0;
    quint64 sendTotal = 0;
};

// Adds up each process's growth into running totals, which only grow: a process's totals are
// let go only once it has ended and been quiet for some minutes.
class ProcessTotals
{
public:
    using StartLookup = std::function<quint64(quint32 pid)>; // 0: no such process

    explicit ProcessTotals(StartLookup processStart);

    // The processes with traffic since the previous update. `ifindex` of each is the
    // interface that carried most of its bytes in that interval.
    QList<ProcessTraffic> update(const QList<ProcessGrowth> &growth);

private:
    struct Totals
    {
        quint64 recv = 0;
        quint64 send = 0;
        quint64 lastGrowth = 0; // the update that last added to them
    };

    StartLookup m_processStart;
    QHash<QByteArray, Totals> m_totals; // by process: user, pid, start
    quint64 m_updates = 0;
};

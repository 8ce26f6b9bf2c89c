// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "commandline.h"
#include "trafficservice.h"

#include <QDate>
#include <QObject>
#include <QTimer>

// The watch command: the speed list and a flow list, redrawn once a second with the latest
// of each. The flow list is the service's shared one, or with a period of its own the totals
// asked for every second.
class LiveView : public QObject
{
public:
    LiveView(TrafficService &service, const Command &command);
    int run();

private:
    void ask();
    void draw();
    bool complete() const;

    TrafficService &m_service;
    const Command m_command;
    const bool m_terminal;
    WardenDisplayList m_speed;
    WardenDisplayList m_flow;
    FlowPeriod m_period;
    QDate m_firstDay;
    bool m_speedSeen = false;
    bool m_flowSeen = false;
    bool m_periodSeen = false;
    int m_draws = 0;
    QTimer m_tick;
    QTimer m_silence;
};

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "liveview.h"

#include "records/clock.h"
#include "records/periodnames.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <unistd.h>

LiveView::LiveView(TrafficService &service, const Command &command)
    : m_service(service), m_command(command), m_terminal(isatty(STDOUT_FILENO) == 1),
      m_period(command.period), m_periodSeen(command.periodGiven)
{
    connect(&service, &TrafficService::speedListArrived, this, [this](auto rows) {
        const bool first = !m_speedSeen;
        m_speed = rows;
        m_speedSeen = true;
        m_silence.start();
        // The first complete view is shown at once; then one a second.
        if (first && complete())
            draw();
    });
    const auto takeFlow = [this](const WardenDisplayList &rows) {
        const bool first = !m_flowSeen;
        m_flow = rows;
        m_flowSeen = true;
        if (first && complete())
            draw();
    };
    if (command.periodGiven) {
        connect(&service, &TrafficService::totalsArrived, this,
                [this, takeFlow](const PeriodTotals &totals) {
                    m_firstDay = totals.firstDay;
                    takeFlow(totals.rows);
                });
    } else {
        connect(&service, &TrafficService::flowListArrived, this, takeFlow);
        connect(&service, &TrafficService::currentPeriodArrived, this, [this](FlowPeriod period) {
            const bool first = !m_periodSeen;
            m_period = period;
            m_periodSeen = true;
            if (first && complete())
                draw();
        });
    }
    connect(&service, &TrafficService::failed, this, [](const QString &error) {
        QTextStream(stderr) << QCoreApplication::applicationName() << ": " << error << '\n';
        QCoreApplication::exit(ExitFailed);
    });

    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, [this] {
        ask();
        if (complete())
            draw();
    });
    // The service sends its lists every second; a long silence means it is gone.
    m_silence.setSingleShot(true);
    m_silence.setInterval(TrafficService::answerTimeoutMs);
    connect(&m_silence, &QTimer::timeout, this, [] {
        QTextStream(stderr) << QCoreApplication::applicationName()
                            << ": the service sent no lists for "
                            << TrafficService::answerTimeoutMs / 1000 << " seconds\n";
        QCoreApplication::exit(ExitFailed);
    });
}

int LiveView::run()
{
    ask();
    m_tick.start();
    m_silence.start();
    return QCoreApplication::exec();
}

void LiveView::ask()
{
    if (m_command.periodGiven)
        m_service.askTotals(m_command.period);
    else
        m_service.askCurrentPeriod();
}

bool LiveView::complete() const
{
    return m_speedSeen && m_flowSeen && m_periodSeen;
}

void LiveView::draw()
{
    const int limit = m_command.once ? 1 : m_command.seconds;
    if (limit > 0 && m_draws == limit)
        return; // answers already on their way when the loop was asked to end
    ++m_draws;
    m_tick.start(); // the next one a second from now
    const QDateTime now = Clock::now();
    QTextStream out(stdout);
    if (m_command.json) {
        QJsonObject view{{QStringLiteral("time"), now.toString(Qt::ISODate)},
                         {QStringLiteral("period"), periodName(m_period)},
                         {QStringLiteral("unit"), unitSymbol(m_command.show.units)},
                         {QStringLiteral("speedUnit"), unitSymbol(m_command.show.units) + "/s"},
                         {QStringLiteral("speed"), speedJson(m_speed, m_command.show)},
                         {QStringLiteral("flow"), flowJson(m_flow, m_command.show)}};
        if (m_firstDay.isValid())
            view.insert(QStringLiteral("firstDay"), m_firstDay.toString(Qt::ISODate));
        out << QJsonDocument(view).toJson(QJsonDocument::Compact) << '\n';
    } else {
        const QString period =
            m_firstDay.isValid() ? QStringLiteral("%1 from %2")
                                       .arg(periodName(m_period), m_firstDay.toString(Qt::ISODate))
                                 : QStringLiteral("%1 (shared)").arg(periodName(m_period));
        if (m_terminal)
            out << "\033[H\033[2J";
        out << "traffic " << period << "   at " << now.toString(QStringLiteral("hh:mm:ss"))
            << "\n\n"
            << speedTable(m_speed, m_command.show) << '\n'
            << flowTable(QStringLiteral("traffic ") + periodName(m_period), m_flow, m_command.show);
        if (!m_terminal)
            out << '\n';
    }
    out.flush();
    if (m_draws == limit)
        QCoreApplication::exit(ExitOk);
}

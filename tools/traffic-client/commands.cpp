#include "commands.h"
#include "records/clock.h"
#include "rendering.h"
#include "trafficservice.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <unistd.h>

namespace {

int fail(const TrafficService &service)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << service.errorText()
                        << '\n';
    return ExitServiceFailed;
}

// Shows the two live lists each time one arrives, once both have been seen.
class LiveView : public QObject
{
public:
    LiveView(TrafficService &service, const Command &command)
        : m_command(command), m_terminal(isatty(STDOUT_FILENO) == 1)
    {
        connect(&service, &TrafficService::speedListArrived, this, [this](auto rows) {
            m_speed = rows;
            m_speedSeen = true;
            refresh();
        });
        connect(&service, &TrafficService::flowListArrived, this, [this](auto rows) {
            m_flow = rows;
            m_flowSeen = true;
            refresh();
        });
        // The service sends its lists every second; a long silence means it is gone.
        m_silence.setSingleShot(true);
        m_silence.setInterval(TrafficService::answerTimeoutMs);
        connect(&m_silence, &QTimer::timeout, this, [] {
            QTextStream(stderr) << QCoreApplication::applicationName()
                                << ": the service sent no lists for "
                                << TrafficService::answerTimeoutMs / 1000 << " seconds\n";
            QCoreApplication::exit(ExitServiceFailed);
        });
    }

    int run()
    {
        m_silence.start();
        return QCoreApplication::exec();
    }

private:
    void refresh()
    {
        m_silence.start();
        // Lists already queued when the last refresh asked the loop to end still arrive.
        const bool done = m_command.count > 0 && m_refreshes == m_command.count;
        if (!m_speedSeen || !m_flowSeen || done)
            return;
        ++m_refreshes;
        const QString period =
            m_command.periodGiven ? periodName(m_command.period) : QStringLiteral("as last chosen");
        QTextStream out(stdout);
        if (m_terminal)
            out << "\033[H\033[2J";
        out << "period: " << period << "   refresh " << m_refreshes << " at "
            << Clock::now().toString(QStringLiteral("hh:mm:ss")) << "\n\n"
            << speedTable(m_speed) << '\n'
            << flowTable(m_flow) << '\n';
        out.flush();
        if (m_refreshes == m_command.count)
            QCoreApplication::exit(ExitOk);
    }

    const Command m_command;
    const bool m_terminal;
    WardenDisplayList m_speed;
    WardenDisplayList m_flow;
    bool m_speedSeen = false;
    bool m_flowSeen = false;
    int m_refreshes = 0;
    QTimer m_silence;
};

int watch(TrafficService &service, const Command &command)
{
    LiveView view(service, command);
    const bool reached =
        command.periodGiven ? service.requestPeriod(command.period) : service.ping();
    if (!reached)
        return fail(service);
    return view.run();
}

int history(TrafficService &service, const Command &command)
{
    WardenAppFlowList rows;
    if (!service.requestAppHistory(command.app, command.period, &rows))
        return fail(service);
    QTextStream out(stdout);
    if (command.json)
        out << historyJson(command.app, command.period, rows);
    else
        out << historyTable(command.app, command.period, rows);
    return ExitOk;
}

} // namespace

int runCommand(const Command &command)
{
    TrafficService service;
    switch (command.kind) {
    case CommandKind::Watch:
        return watch(service, command);
    case CommandKind::History:
        return history(service, command);
    case CommandKind::SetPeriod:
        if (!service.requestPeriod(command.period))
            return fail(service);
        QTextStream(stdout) << "flow list period: " << periodName(command.period) << '\n';
        return ExitOk;
    case CommandKind::Quit:
        if (!service.quit())
            return fail(service);
        QTextStream(stdout) << "the service was asked to exit\n";
        return ExitOk;
    }
    return ExitUsage;
}

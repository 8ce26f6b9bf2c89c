// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commands.h"

#include "exportfigures.h"
#include "liveview.h"
#include "presentation/historychart.h"
#include "rendering.h"
#include "records/periodnames.h"
#include "trafficservice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>

namespace {

int fail(const QString &problem)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << problem << '\n';
    return ExitFailed;
}

// The application `given` names: its desktop id, its desktop file's path or its name.
const WardenApplication *findApplication(const WardenApplicationList &applications,
                                         const QString &given)
{
    const QString fileName = QFileInfo(given).fileName();
    const auto matches = [&](auto test) {
        const auto found = std::find_if(applications.cbegin(), applications.cend(), test);
        return found == applications.cend() ? nullptr : &*found;
    };
    if (const auto *byId = matches([&](const auto &a) { return a.desktopId == given; }))
        return byId;
    if (const auto *byPath = matches([&](const auto &a) {
            return a.desktopPath == given || (given.contains('/') && a.desktopId == fileName);
        }))
        return byPath;
    return matches([&](const auto &a) { return a.name.compare(given, Qt::CaseInsensitive) == 0; });
}

bool hasTraffic(const WardenAppFlowList &rows)
{
    return std::any_of(rows.cbegin(), rows.cend(), [](const WardenAppFlow &row) {
        return row.downloaded != 0 || row.uploaded != 0 || row.total != 0;
    });
}

QString storedName(const WardenAppFlowList &rows)
{
    for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
        if (!row->sname.isEmpty())
            return row->sname;
    }
    return {};
}

int history(TrafficService &service, const Command &command)
{
    WardenApplicationList applications;
    if (!service.applications(&applications))
        return fail(service.errorText());
    const WardenApplication *application = findApplication(applications, command.app);
    // History outlives an application's removal: a desktop id is still worth asking for.
    const QString desktopId =
        application ? application->desktopId : QFileInfo(command.app).fileName();
    const QString unknown = QStringLiteral("no application \"%1\" is known to the service; "
                                           "\"%2 apps\" lists them")
                                .arg(command.app, QCoreApplication::applicationName());
    if (!application && !desktopId.endsWith(QLatin1String(".desktop")))
        return fail(unknown);

    AppHistory history;
    if (!service.appHistory(desktopId, command.period, &history))
        return fail(service.errorText());
    if (!application && !hasTraffic(history.rows))
        return fail(unknown);

    HistoryView view;
    view.appname = desktopId;
    view.name = application ? application->name : storedName(history.rows);
    if (view.name.isEmpty())
        view.name = desktopId;
    view.period = periodName(command.period);
    view.firstDay = history.firstDay;
    view.rows = history.rows;

    QTextStream out(stdout);
    out << (command.json ? historyJson(view, command.show) : historyTable(view, command.show));
    out.flush();
    if (!command.pngPath.isEmpty() &&
        !historyChart(view, command.show.units).save(command.pngPath, "PNG"))
        return fail(QStringLiteral("cannot write the chart to %1").arg(command.pngPath));
    return ExitOk;
}

int apps(TrafficService &service, const Command &command)
{
    WardenApplicationList applications;
    PeriodTotals totals;
    if (!service.applications(&applications) || !service.totals(FlowPeriod::Today, &totals))
        return fail(service.errorText());
    QList<ApplicationTotals> rows;
    for (const WardenApplication &application : qAsConst(applications)) {
        ApplicationTotals row{application, 0, 0};
        for (const WardenDisplay &flow : qAsConst(totals.rows)) {
            if (flow.desktopPath == application.desktopPath) {
                row.downloaded += flow.recvSum;
                row.uploaded += flow.sendSum;
            }
        }
        rows << row;
    }
    const QString period = periodName(FlowPeriod::Today);
    QTextStream out(stdout);
    if (command.json)
        out << applicationsJson(period, rows, command.show);
    else
        out << applicationsTable(QStringLiteral("applications, traffic %1 (%2)")
                                     .arg(period, totals.firstDay.toString(Qt::ISODate)),
                                 rows, command.show);
    return ExitOk;
}

int watch(TrafficService &service, const Command &command)
{
    LiveView view(service, command);
    if (!service.ping())
        return fail(service.errorText());
    return view.run();
}

int exportCommand(TrafficService &service, const Command &command)
{
    QList<ExportRow> rows;
    if (!exportFigures(service, &rows))
        return fail(service.errorText());
    QTextStream out(stdout);
    out << (command.csv ? csvExport(rows) : openMetricsExport(rows));
    return ExitOk;
}

// The desktop id a budget command names: empty for "all" or "", else as history finds it.
bool budgetDesktopId(TrafficService &service, const QString &given, QString *desktopId)
{
    if (given.isEmpty() || given == QLatin1String("all")) {
        desktopId->clear();
        return true;
    }
    WardenApplicationList applications;
    if (!service.applications(&applications)) {
        fail(service.errorText());
        return false;
    }
    if (const WardenApplication *application = findApplication(applications, given)) {
        *desktopId = application->desktopId;
        return true;
    }
    // The service judges a desktop id it knows from its history.
    *desktopId = QFileInfo(given).fileName();
    if (desktopId->endsWith(QLatin1String(".desktop")))
        return true;
    fail(QStringLiteral("no application \"%1\" is known to the service; \"%2 apps\" lists them")
             .arg(given, QCoreApplication::applicationName()));
    return false;
}

QString budgetTarget(const QString &desktopId)
{
    return desktopId.isEmpty() ? QStringLiteral("all traffic") : desktopId;
}

int budgetSet(TrafficService &service, const Command &command)
{
    WardenBudget budget = command.budget;
    if (!budgetDesktopId(service, command.app, &budget.desktopId))
        return ExitFailed;
    if (!service.setBudget(budget))
        return fail(service.errorText());
    QTextStream out(stdout);
    out << "budget of " << budgetTarget(budget.desktopId) << ": "
        << amountText(budget.limitBytes / 1024.0, Units::Human) << " a " << budget.period;
    if (budget.period == QLatin1String("month"))
        out << " from day " << budget.cycleStartDay;
    out << ", warning at " << budget.warnPercent << " %\n";
    return ExitOk;
}

int budgetList(TrafficService &service, const Command &command)
{
    WardenBudgetList budgets;
    if (!service.budgets(&budgets))
        return fail(service.errorText());
    QTextStream(stdout) << (command.json ? budgetJson(budgets, command.show)
                                         : budgetTable(budgets, command.show));
    return ExitOk;
}

int budgetClear(TrafficService &service, const Command &command)
{
    QString desktopId;
    if (!budgetDesktopId(service, command.app, &desktopId))
        return ExitFailed;
    if (!service.clearBudget(desktopId, command.budget.period))
        return fail(service.errorText());
    QTextStream(stdout) << "budget of " << budgetTarget(desktopId) << " a " << command.budget.period
                        << " cleared\n";
    return ExitOk;
}

int quit(TrafficService &service)
{
    bool wasRunning = false;
    if (service.quit(&wasRunning)) {
        QTextStream(stdout) << "the service was asked to exit\n";
        return ExitOk;
    }
    if (!wasRunning) {
        QTextStream(stdout) << "the service is not running\n";
        return ExitOk;
    }
    return fail(service.errorText());
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
    case CommandKind::Apps:
        return apps(service, command);
    case CommandKind::SetPeriod:
        if (!service.requestPeriod(command.period))
            return fail(service.errorText());
        QTextStream(stdout) << "flow list period: " << periodName(command.period) << '\n';
        return ExitOk;
    case CommandKind::Quit:
        return quit(service);
    case CommandKind::Export:
        return exportCommand(service, command);
    case CommandKind::BudgetSet:
        return budgetSet(service, command);
    case CommandKind::BudgetList:
        return budgetList(service, command);
    case CommandKind::BudgetClear:
        return budgetClear(service, command);
    }
    return ExitUsage;
}

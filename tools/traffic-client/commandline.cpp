// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "records/periodnames.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdlib>
#include <cstring>

namespace {

const QString kOverview = QStringLiteral(
    "Shows the per-application network traffic kept by the traffic details service.\n"
    "\n"
    "Commands:\n"
    "  apps                   the applications the service knows, with today's totals\n"
    "  history APP PERIOD     one application's history, hour by hour or day by day\n"
    "  watch                  the live speed and flow lists, redrawn every second\n"
    "  period PERIOD          choose the period of the service's shared flow list\n"
    "  quit                   ask a running service to exit\n"
    "\n"
    "PERIOD is one of: today, yesterday, month, last-month.\n"
    "Figures are shown in B, KiB, MiB or GiB (1 KiB = 1024 B) unless --units says otherwise.\n"
    "Run a command with --help for its options.");

[[noreturn]] void failUsage(const QCommandLineParser &parser, const QString &problem)
{
    QTextStream err(stderr);
    err << QCoreApplication::applicationName() << ": " << problem << "\n\n" << parser.helpText();
    err.flush();
    std::exit(ExitUsage);
}

FlowPeriod periodArgument(const QCommandLineParser &parser, const QString &value)
{
    FlowPeriod period;
    if (!periodFromName(value, &period))
        failUsage(parser, QStringLiteral("unknown period \"%1\"; use one of: %2")
                              .arg(value, periodNames().join(QStringLiteral(", "))));
    return period;
}

void expectPositionals(const QCommandLineParser &parser, int count)
{
    const int given = parser.positionalArguments().size();
    if (given < count)
        failUsage(parser, QStringLiteral("missing arguments"));
    if (given > count)
        failUsage(parser, QStringLiteral("unexpected argument \"%1\"")
                              .arg(parser.positionalArguments().at(count)));
}

// Parses `arguments` (program name first, command removed) and handles --help.
void parseOrExit(QCommandLineParser &parser, const QStringList &arguments)
{
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(ExitOk);
    if (!parsed)
        failUsage(parser, parser.errorText());
}

// --units, --sort and --json, shared by the commands that show figures.
struct ShowOptionSet
{
    QCommandLineOption units{QStringLiteral("units"),
                             QStringLiteral("Show figures in UNIT: human (the default: B, KiB, "
                                            "MiB or GiB by size), B, KiB, MiB or GiB."),
                             QStringLiteral("UNIT")};
    QCommandLineOption sort{QStringLiteral("sort"),
                            QStringLiteral("Order rows by KEY: total (largest first)."),
                            QStringLiteral("KEY")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Print JSON, figures in KiB or the unit of --units.")};

    void addTo(QCommandLineParser &parser) const { parser.addOptions({units, sort, json}); }

    void readInto(const QCommandLineParser &parser, Command &command) const
    {
        command.json = parser.isSet(json);
        if (parser.isSet(units) && !unitsFromName(parser.value(units), &command.show.units))
            failUsage(parser,
                      QStringLiteral("unknown unit \"%1\"; use one of: %2")
                          .arg(parser.value(units), unitNames().join(QStringLiteral(", "))));
        if (parser.isSet(sort)) {
            if (parser.value(sort) != QLatin1String("total"))
                failUsage(parser, QStringLiteral("rows can only be sorted by total"));
            command.show.sortByTotal = true;
        }
    }
};

Command parseWatch(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "Shows the live speed list and the flow list, redrawn once a second. Without --period\n"
        "the flow list is the service's shared one, for the period last chosen; with it, the\n"
        "totals of PERIOD are asked for every second, leaving the shared period alone."));
    parser.addPositionalArgument(QStringLiteral("watch"), QStringLiteral("Show the live lists."),
                                 QStringLiteral("watch"));
    const QCommandLineOption periodOption(
        QStringLiteral("period"),
        QStringLiteral("Show the totals of PERIOD (today, yesterday, month, last-month)."),
        QStringLiteral("PERIOD"));
    const QCommandLineOption countOption(
        QStringLiteral("count"), QStringLiteral("Stop after N seconds."), QStringLiteral("N"));
    const QCommandLineOption onceOption(QStringLiteral("once"),
                                        QStringLiteral("Show the lists once and stop."));
    const ShowOptionSet show;
    parser.addOptions({periodOption, countOption, onceOption});
    show.addTo(parser);
    parseOrExit(parser, arguments);
    expectPositionals(parser, 0);

    Command command;
    command.kind = CommandKind::Watch;
    show.readInto(parser, command);
    if (parser.isSet(periodOption)) {
        command.period = periodArgument(parser, parser.value(periodOption));
        command.periodGiven = true;
    }
    if (parser.isSet(countOption)) {
        bool ok = false;
        command.seconds = parser.value(countOption).toInt(&ok);
        if (!ok || command.seconds < 1)
            failUsage(parser, QStringLiteral("--count needs a positive number"));
    }
    command.once = parser.isSet(onceOption);
    return command;
}

Command parseHistory(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "Shows one application's traffic history: hour by hour for today and yesterday, day\n"
        "by day for month and last-month, with a bar per row scaled to the largest row and\n"
        "the period's sums."));
    parser.addPositionalArgument(
        QStringLiteral("APP"),
        QStringLiteral("The application: its desktop id (firefox-esr.desktop), its desktop "
                       "file's path or its name as `apps` lists it."),
        QStringLiteral("history APP"));
    parser.addPositionalArgument(QStringLiteral("PERIOD"),
                                 QStringLiteral("today, yesterday, month or last-month."));
    const QCommandLineOption pngOption(
        QStringLiteral("png"), QStringLiteral("Also draw the history as a bar chart into FILE."),
        QStringLiteral("FILE"));
    const ShowOptionSet show;
    parser.addOption(pngOption);
    show.addTo(parser);
    parseOrExit(parser, arguments);
    expectPositionals(parser, 2);

    Command command;
    command.kind = CommandKind::History;
    show.readInto(parser, command);
    command.app = parser.positionalArguments().at(0);
    command.period = periodArgument(parser, parser.positionalArguments().at(1));
    command.periodGiven = true;
    command.pngPath = parser.value(pngOption);
    return command;
}

Command parseApps(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "Lists the applications the service knows, with their desktop ids and names, and\n"
        "their traffic today."));
    parser.addPositionalArgument(QStringLiteral("apps"), QStringLiteral("List applications."),
                                 QStringLiteral("apps"));
    const ShowOptionSet show;
    show.addTo(parser);
    parseOrExit(parser, arguments);
    expectPositionals(parser, 0);

    Command command;
    command.kind = CommandKind::Apps;
    show.readInto(parser, command);
    return command;
}

Command parsePeriod(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "Chooses the period whose totals the service's shared flow list shows, for every\n"
        "client that shows it."));
    parser.addPositionalArgument(QStringLiteral("PERIOD"),
                                 QStringLiteral("today, yesterday, month or last-month."),
                                 QStringLiteral("period PERIOD"));
    parseOrExit(parser, arguments);
    expectPositionals(parser, 1);

    Command command;
    command.kind = CommandKind::SetPeriod;
    command.period = periodArgument(parser, parser.positionalArguments().at(0));
    command.periodGiven = true;
    return command;
}

Command parseQuit(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(
        QStringLiteral("Asks the service to exit. A service that is not running is not "
                       "started."));
    parser.addPositionalArgument(QStringLiteral("quit"), QStringLiteral("Stop the service."),
                                 QStringLiteral("quit"));
    parseOrExit(parser, arguments);
    expectPositionals(parser, 0);

    Command command;
    command.kind = CommandKind::Quit;
    return command;
}

Command parseExport(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "Prints every application's received and sent bytes today, this month and in the\n"
        "current cycle of each monthly budget, as OpenMetrics counters (the default) for a\n"
        "textfile collector, or as CSV."));
    parser.addPositionalArgument(QStringLiteral("export"),
                                 QStringLiteral("Print the figures for monitoring."),
                                 QStringLiteral("export"));
    const QCommandLineOption openMetrics(QStringLiteral("openmetrics"),
                                         QStringLiteral("Print OpenMetrics text (the default)."));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Print CSV."));
    parser.addOptions({openMetrics, csv});
    parseOrExit(parser, arguments);
    expectPositionals(parser, 0);
    if (parser.isSet(openMetrics) && parser.isSet(csv))
        failUsage(parser, QStringLiteral("choose one of --openmetrics and --csv"));

    Command command;
    command.kind = CommandKind::Export;
    command.csv = parser.isSet(csv);
    return command;
}

QString budgetPeriodArgument(const QCommandLineParser &parser, const QString &value)
{
    if (value != QLatin1String("day") && value != QLatin1String("month"))
        failUsage(parser,
                  QStringLiteral("a budget's period is day or month, not \"%1\"").arg(value));
    return value;
}

uint numberOption(const QCommandLineParser &parser, const QCommandLineOption &option, uint low,
                  uint high)
{
    bool ok = false;
    const uint value = parser.value(option).toUInt(&ok);
    if (!ok || value < low || value > high)
        failUsage(parser, QStringLiteral("--%1 needs a number from %2 to %3")
                              .arg(option.names().constFirst())
                              .arg(low)
                              .arg(high));
    return value;
}

const QString kBudgetApp =
    QStringLiteral("The application, as for history, or all (or \"\") for all traffic.");

Command parseBudgetSet(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "Sets the data budget of an application, or of all traffic, over a day or a month.\n"
        "The service warns once when the traffic reaches the warning level and once when it\n"
        "reaches the limit; it never blocks traffic. LIMIT is a size in B, KiB, MiB or GiB\n"
        "(5GiB, 700MiB); K, M and G, with or without B, are the same units: 5GB is 5 GiB."));
    parser.addPositionalArgument(QStringLiteral("APP"), kBudgetApp,
                                 QStringLiteral("budget set APP"));
    parser.addPositionalArgument(QStringLiteral("PERIOD"), QStringLiteral("day or month."));
    parser.addPositionalArgument(QStringLiteral("LIMIT"), QStringLiteral("The limit, e.g. 5GB."));
    const QCommandLineOption warn(QStringLiteral("warn"),
                                  QStringLiteral("Warn at PERCENT of the limit (default 80)."),
                                  QStringLiteral("PERCENT"), QStringLiteral("80"));
    const QCommandLineOption cycleStart(
        QStringLiteral("cycle-start"),
        QStringLiteral("Start a monthly cycle on DAY of the month, 1 to 28 (default 1)."),
        QStringLiteral("DAY"), QStringLiteral("1"));
    parser.addOptions({warn, cycleStart});
    parseOrExit(parser, arguments);
    expectPositionals(parser, 3);

    const QStringList given = parser.positionalArguments();
    Command command;
    command.kind = CommandKind::BudgetSet;
    command.app = given.at(0);
    command.budget.period = budgetPeriodArgument(parser, given.at(1));
    if (!bytesFromSize(given.at(2), &command.budget.limitBytes))
        failUsage(parser, QStringLiteral("\"%1\" is no size above zero, such as 5GiB or 700MiB")
                              .arg(given.at(2)));
    command.budget.warnPercent = numberOption(parser, warn, 1, 100);
    command.budget.cycleStartDay = numberOption(parser, cycleStart, 1, 28);
    return command;
}

Command parseBudgetList(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(
        QStringLiteral("Lists the data budgets with their use so far in the current day or "
                       "cycle."));
    parser.addPositionalArgument(QStringLiteral("list"), QStringLiteral("List budgets."),
                                 QStringLiteral("budget list"));
    const ShowOptionSet show;
    show.addTo(parser);
    parseOrExit(parser, arguments);
    expectPositionals(parser, 0);

    Command command;
    command.kind = CommandKind::BudgetList;
    show.readInto(parser, command);
    return command;
}

Command parseBudgetClear(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral("Removes a data budget."));
    parser.addPositionalArgument(QStringLiteral("APP"), kBudgetApp,
                                 QStringLiteral("budget clear APP"));
    parser.addPositionalArgument(QStringLiteral("PERIOD"), QStringLiteral("day or month."));
    parseOrExit(parser, arguments);
    expectPositionals(parser, 2);

    Command command;
    command.kind = CommandKind::BudgetClear;
    command.app = parser.positionalArguments().at(0);
    command.budget.period = budgetPeriodArgument(parser, parser.positionalArguments().at(1));
    return command;
}

Command parseBudget(QCommandLineParser &parser, const QStringList &arguments)
{
    const QString verb = arguments.value(1);
    QStringList rest = arguments;
    if (rest.size() > 1)
        rest.removeAt(1);
    if (verb == QLatin1String("set"))
        return parseBudgetSet(parser, rest);
    if (verb == QLatin1String("list"))
        return parseBudgetList(parser, rest);
    if (verb == QLatin1String("clear"))
        return parseBudgetClear(parser, rest);
    parser.setApplicationDescription(
        QStringLiteral("Sets, lists and clears data budgets. Run budget set --help for more."));
    parser.addPositionalArgument(QStringLiteral("budget"), QStringLiteral("set, list or clear."),
                                 QStringLiteral("budget set|list|clear"));
    parseOrExit(parser, arguments);
    failUsage(parser, verb.isEmpty() ? QStringLiteral("say set, list or clear")
                                     : QStringLiteral("unknown budget command \"%1\"").arg(verb));
}

} // namespace

bool wantsChart(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 || std::strncmp(argv[i], "--png=", 6) == 0)
            return true;
    }
    return false;
}

Command parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const QString name = arguments.value(1);
    QStringList rest = arguments;
    if (rest.size() > 1)
        rest.removeAt(1);

    if (name == QLatin1String("watch"))
        return parseWatch(parser, rest);
    if (name == QLatin1String("history"))
        return parseHistory(parser, rest);
    if (name == QLatin1String("apps"))
        return parseApps(parser, rest);
    if (name == QLatin1String("period"))
        return parsePeriod(parser, rest);
    if (name == QLatin1String("quit"))
        return parseQuit(parser, rest);
    if (name == QLatin1String("export"))
        return parseExport(parser, rest);
    if (name == QLatin1String("budget"))
        return parseBudget(parser, rest);

    parser.setApplicationDescription(kOverview);
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("apps, history, watch, period, quit, export or budget."),
        QStringLiteral("command [options]"));
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(ExitOk);
    if (!parsed)
        failUsage(parser, parser.errorText());
    failUsage(parser, name.isEmpty() ? QStringLiteral("no command given")
                                     : QStringLiteral("unknown command \"%1\"").arg(name));
}

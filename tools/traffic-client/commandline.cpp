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

    parser.setApplicationDescription(kOverview);
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("apps, history, watch, period or quit."),
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

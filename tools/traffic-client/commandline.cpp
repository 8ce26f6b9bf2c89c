#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdlib>

namespace {

const QString kOverview = QStringLiteral(
    "Shows the per-application network traffic kept by the traffic details service.\n"
    "\n"
    "Commands:\n"
    "  watch                  the live speed (kB/s) and flow (kB) lists\n"
    "  history APP PERIOD     one application's history, hour by hour or day by day\n"
    "  period PERIOD          choose the period of the service's flow list\n"
    "  quit                   ask the service to exit\n"
    "\n"
    "PERIOD is one of: today, yesterday, month, last-month.\n"
    "Run a command with --help for its options.");

[[noreturn]] void failUsage(const QCommandLineParser &parser, const QString &problem)
{
    QTextStream err(stderr);
    err << QCoreApplication::applicationName() << ": " << problem << "\n\n" << parser.helpText();
    err.flush();
    std::exit(ExitUsage);
}

Period periodArgument(const QCommandLineParser &parser, const QString &value)
{
    Period period;
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

Command parseWatch(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(
        QStringLiteral("Shows the service's live speed list (kB/s) and flow list (kB), refreshed\n"
                       "each time the service sends a list once both have arrived. On a terminal\n"
                       "the screen is redrawn in place; otherwise each refresh is printed as a "
                       "block."));
    parser.addPositionalArgument(QStringLiteral("watch"), QStringLiteral("Show the live lists."),
                                 QStringLiteral("watch"));
    const QCommandLineOption periodOption(
        QStringLiteral("period"),
        QStringLiteral("Switch the flow list to PERIOD first (today, yesterday, month, "
                       "last-month)."),
        QStringLiteral("PERIOD"));
    const QCommandLineOption countOption(
        QStringLiteral("count"), QStringLiteral("Stop after N refreshes."), QStringLiteral("N"));
    parser.addOption(periodOption);
    parser.addOption(countOption);
    parseOrExit(parser, arguments);
    expectPositionals(parser, 0);

    Command command;
    command.kind = CommandKind::Watch;
    if (parser.isSet(periodOption)) {
        command.period = periodArgument(parser, parser.value(periodOption));
        command.periodGiven = true;
    }
    if (parser.isSet(countOption)) {
        bool ok = false;
        command.count = parser.value(countOption).toInt(&ok);
        if (!ok || command.count < 1)
            failUsage(parser, QStringLiteral("--count needs a positive number"));
    }
    return command;
}

Command parseHistory(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "Shows one application's traffic history (kB): hour by hour for today and\n"
        "yesterday, day by day for month and last-month, with a bar per row scaled to\n"
        "the largest row and the period's sums."));
    parser.addPositionalArgument(
        QStringLiteral("APP"),
        QStringLiteral("The application as the service stores it, e.g. firefox-esr.desktop."),
        QStringLiteral("history APP"));
    parser.addPositionalArgument(QStringLiteral("PERIOD"),
                                 QStringLiteral("today, yesterday, month or last-month."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print the rows and sums as JSON."));
    parser.addOption(jsonOption);
    parseOrExit(parser, arguments);
    expectPositionals(parser, 2);

    Command command;
    command.kind = CommandKind::History;
    command.app = parser.positionalArguments().at(0);
    command.period = periodArgument(parser, parser.positionalArguments().at(1));
    command.periodGiven = true;
    command.json = parser.isSet(jsonOption);
    return command;
}

Command parsePeriod(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(
        QStringLiteral("Chooses the period whose totals the service's flow list shows."));
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
    parser.setApplicationDescription(QStringLiteral("Asks the service to exit."));
    parser.addPositionalArgument(QStringLiteral("quit"), QStringLiteral("Stop the service."),
                                 QStringLiteral("quit"));
    parseOrExit(parser, arguments);
    expectPositionals(parser, 0);

    Command command;
    command.kind = CommandKind::Quit;
    return command;
}

} // namespace

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
    if (name == QLatin1String("period"))
        return parsePeriod(parser, rest);
    if (name == QLatin1String("quit"))
        return parseQuit(parser, rest);

    parser.setApplicationDescription(kOverview);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("watch, history, period or quit."),
                                 QStringLiteral("command [options]"));
    parseOrExit(parser, arguments);
    failUsage(parser, name.isEmpty() ? QStringLiteral("no command given")
                                     : QStringLiteral("unknown command \"%1\"").arg(name));
}

#pragma once

#include "period.h"

#include <QString>
#include <QStringList>

enum class CommandKind { Watch, History, SetPeriod, Quit };

// What the user asked for, checked for form but not yet sent anywhere.
struct Command
{
    CommandKind kind = CommandKind::Watch;
    Period period = Period::Today;
    bool periodGiven = false;
    QString app;
    int count = 0; // refreshes before watch stops; 0 runs until interrupted
    bool json = false;
};

// Exit statuses of the client.
enum ExitStatus { ExitOk = 0, ExitServiceFailed = 1, ExitUsage = 2 };

// Parses the program's arguments. Prints help and exits with ExitOk on --help;
// prints the problem and exits with ExitUsage on malformed arguments.
Command parseCommandLine(const QStringList &arguments);

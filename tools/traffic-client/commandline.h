// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/flowperiod.h"
#include "rendering.h"

#include <QString>
#include <QStringList>

enum class CommandKind {
    Watch,
    History,
    Apps,
    SetPeriod,
    Quit,
    Export,
    BudgetSet,
    BudgetList,
    BudgetClear
};

// What the user asked for, checked for form but not yet sent anywhere.
struct Command
{
    CommandKind kind = CommandKind::Watch;
    FlowPeriod period = FlowPeriod::Today;
    bool periodGiven = false;
    QString app;
    int seconds = 0; // how long watch runs; 0 until interrupted
    bool once = false;
    bool json = false;
    ShowOptions show;
    QString pngPath;
    bool csv = false; // export as CSV rather than OpenMetrics
    // budget set and clear: the application (in `app`, "all" for all traffic) and the budget.
    WardenBudget budget;
};

// Exit statuses of the client.
enum ExitStatus { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Whether the arguments ask for a chart, which needs the GUI part of Qt.
bool wantsChart(int argc, char *argv[]);

// Parses the program's arguments. Prints help or the version and exits with ExitOk on
// --help and --version; prints the problem and exits with ExitUsage on malformed arguments.
Command parseCommandLine(const QStringList &arguments);

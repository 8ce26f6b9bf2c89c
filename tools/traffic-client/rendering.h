// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/historyview.h"
#include "presentation/units.h"
#include "records/wardenapplication.h"
#include "records/wardenrecords.h"

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>

// Text and JSON forms of what the service answers.

struct ShowOptions
{
    Units units = Units::Human;
    bool sortByTotal = false; // largest total first; otherwise in the service's order
};

// An application the service knows, with its totals over a period.
struct ApplicationTotals
{
    WardenApplication application;
    double downloaded = 0;
    double uploaded = 0;
};

// Widest history bar, in characters.
constexpr int kBarWidth = 40;

QString speedTable(const WardenDisplayList &rows, const ShowOptions &options);
QString flowTable(const QString &title, const WardenDisplayList &rows, const ShowOptions &options);
QString applicationsTable(const QString &title, const QList<ApplicationTotals> &applications,
                          const ShowOptions &options);
// The rows with a bar each, scaled to the largest total, then the period's sums.
QString historyTable(const HistoryView &view, const ShowOptions &options);
// Each budget's application ("all" for all traffic), period, cycle, use, limit and percent.
QString budgetTable(const WardenBudgetList &budgets, const ShowOptions &options);

// JSON figures are in the fixed unit of `units` (KiB for Human), named in "unit".
QJsonArray speedJson(const WardenDisplayList &rows, const ShowOptions &options);
QJsonArray flowJson(const WardenDisplayList &rows, const ShowOptions &options);
QByteArray applicationsJson(const QString &period, const QList<ApplicationTotals> &applications,
                            const ShowOptions &options);
QByteArray historyJson(const HistoryView &view, const ShowOptions &options);
QByteArray budgetJson(const WardenBudgetList &budgets, const ShowOptions &options);

#pragma once

#include "period.h"
#include "records/wardenrecords.h"

#include <QByteArray>
#include <QString>

// Text and JSON forms of what the service sends, figures in the units they come in.

// Speed rows: received and sent in kB/s, total their sum.
QString speedTable(const WardenDisplayList &rows);
// Flow rows: received, sent and total in kB over the period.
QString flowTable(const WardenDisplayList &rows);

// Widest history bar, in characters.
constexpr int kBarWidth = 40;

// One application's history rows with a bar per row scaled to the largest total,
// followed by the period's sums.
QString historyTable(const QString &app, Period period, const WardenAppFlowList &rows);
QByteArray historyJson(const QString &app, Period period, const WardenAppFlowList &rows);

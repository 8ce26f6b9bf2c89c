// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/historyview.h"
#include "presentation/units.h"

#include <QImage>

// A bar chart of one application's history: a bar per hour or day, received and sent stacked,
// with axes, labels and the period's sum. Painted offscreen; needs a QGuiApplication for fonts.
QImage historyChart(const HistoryView &view, Units units);

// The bar colours, for whoever reads the chart back.
extern const QRgb kReceivedColour;
extern const QRgb kSentColour;

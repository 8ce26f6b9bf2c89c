// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "exportformat.h"

class TrafficService;

// Every application's bytes today and this month, and in the current cycle of each monthly
// budget, in that order; false with the service's errorText() when it cannot be asked.
bool exportFigures(TrafficService &service, QList<ExportRow> *rows);

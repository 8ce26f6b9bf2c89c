// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/flowperiod.h"

#include <QString>
#include <QStringList>

// The periods as the queries interface and the client name them.
QStringList periodNames();
// False when `name` is none of periodNames().
bool periodFromName(const QString &name, FlowPeriod *period);
QString periodName(FlowPeriod period);

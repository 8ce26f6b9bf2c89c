// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// File-level constants: every source file that includes this holds its own copy.
static const QString s_serviceName = QStringLiteral("com.nimbra.warden.trafficdetails");
static const QString s_servicePath = QStringLiteral("/com/nimbra/warden/trafficdetails");

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Tells one run of the network monitor from another: its unique name on the system bus, which
// a restarted monitor never gets again while the machine runs, with the boot id. Empty when no
// monitor runs.
QString monitorIdentity(const QString &uniqueName);
QString currentMonitorIdentity(const QString &service);

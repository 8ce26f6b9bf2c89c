// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// The launcher's name for a desktop-file name as the analysis service reports
// it; names without an alias come back unchanged. Safe from any thread.
QString desktopAlias(QString name);

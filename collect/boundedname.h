// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Names longer than a file name may be are not names: a huge one would be copied into every
// list and saved row.
constexpr int kMaxNameLength = 255;

// `name` cut to kMaxNameLength characters, with a log line when it had to be cut.
QString boundedName(const QString &name, const char *what);

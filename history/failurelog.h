// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QSqlError>
#include <QString>

// A failure that repeats (a locked or broken file answers every statement with the same error)
// is logged at most once a minute per kind, with the count of the repeats left out.
namespace FailureLog {

// True when a line about `kind` may be logged now; counts the refused ones.
bool due(const QString &kind);
void sqlError(const QSqlError &error);

} // namespace FailureLog

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "display/allapp.h"
#include "display/substringindex.h"
#include "records/wardendisplay.h"

#include <QHash>
#include <QList>
#include <QVector>

// Which applications of a launcher list have a desktop path containing a
// desktop name. The same names are asked about every second, so answers are
// kept until the list changes.
class ApplicationMatcher
{
public:
    // Ascending positions in `apps`; an empty name matches every application.
    QVector<int> applicationsContaining(const QList<allApp> &apps, const QString &name);

private:
    QList<allApp> m_apps;
    SubstringIndex m_paths;
    QHash<QString, QVector<int>> m_answers;
};

// The flow list's row for a record of `desktop` whose desktop path matched `app`.
WardenDisplay flowDisplayRow(const allApp &app, const QString &desktop, double recv, double send,
                             int pid = 0);

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QString>

class QSqlDatabase;

// Tells whether the history file can hold the history, and puts one that cannot aside.
class HistoryFileCheck
{
public:
    // Why the file cannot hold the history, or nothing when it can, or when it is only busy:
    // another program holding it is no fault of the file. A thorough check reads every page.
    QString problem(const QSqlDatabase &db, bool thorough);
    // A file full check reads every page: at most once a minute after failed saves.
    bool thoroughDue() const;
    // The rows' table or the sums' state is gone; a file only busy has lost nothing.
    static bool lostTables(const QSqlDatabase &db);
    // Renames the file, closed, with whatever journal belongs to it.
    static void moveAside(const QString &path, const QString &problem);

private:
    QElapsedTimer m_sinceThorough;
};

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/flowreference.h"

#include <QFileInfo>

CollectorSnapshot UseData::loadKeptReference()
{
    if (!QFileInfo::exists(m_dbPath))
        return {};
    // A connection of its own: the store's belongs to the store's thread.
    const QString name = QStringLiteral("kept-reference");
    FlowReference::Kept kept;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_dbPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            kept = FlowReference::read(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    m_lastSavedList = kept.lastSaved;
    m_retentionRecord = kept.retention;
    return kept.collector;
}

bool UseData::writeKeptReference(const QList<AppFlowDateParameter> &reference,
                                 const CollectorSnapshot &collector,
                                 const Retention::Record &retention)
{
    return FlowReference::write(m_db, {reference, collector, retention});
}

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "history/collectorsnapshot.h"
#include "history/retentiondecision.h"

#include <QList>
#include <QString>

class StoreConnection;

// Saves each application's growth since the last committed save as flowDetail rows, keeps
// beside them what the next save and the next start measure from, and starts the monthly
// removal of old rows when the file's record says it is due.
class FlowSaver
{
public:
    enum class Outcome { NothingToSave, Committed, Failed };

    explicit FlowSaver(StoreConnection &connection);

    // The samples of the next save, one per application.
    void clearSamples();
    void addSample(const QString &appname, const QString &sname, double downloaded,
                   double uploaded);
    // All or nothing; `collector` is kept beside the rows, in their transaction.
    Outcome save(const CollectorSnapshot &collector);
    // Reads what the last committed save kept and returns the collector's part. Call it once,
    // before the store's thread uses the file.
    CollectorSnapshot loadKept();

private:
    void startRetention();
    bool insertRow(const AppFlowDateParameter &row);
    bool commit();

    StoreConnection &m_connection;
    QList<AppFlowDateParameter> m_samples;
    QList<AppFlowDateParameter> m_lastSaved;
    Retention::Record m_retentionRecord;
};

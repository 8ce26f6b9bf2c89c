// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/appparameter.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// The speed samples each speed row takes in one cycle. A row takes the first
// sample whose desktop its name contains, then carries that desktop as its
// name and goes on from the next sample. What a row takes therefore depends
// only on the name it starts with, and is found from the samples whose
// desktops each name contains, worked out once for all names.
class SpeedSampleChains
{
public:
    // Works the chains out again only when the row names or the samples'
    // desktops changed, which is seldom from one second to the next.
    void update(const QList<AppParameter> &samples, const QStringList &rowNames);

    // Positions in the samples, in order, that a row starting with this name takes.
    QVector<int> samplesTakenBy(const QString &rowName) const;

private:
    QStringList m_rowNames;
    QStringList m_desktops;
    QHash<QString, int> m_nameIds;
    // Per sample the id of its desktop, -1 for an empty desktop, which no row takes.
    QVector<int> m_sampleNameIds;
    // Per name id the ascending positions of the samples whose desktops it contains.
    QVector<QVector<int>> m_samplesWithin;
};

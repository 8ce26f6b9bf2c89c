// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/speedsamplechains.h"

#include "display/substringindex.h"

#include <algorithm>

void SpeedSampleChains::update(const QList<AppParameter> &samples, const QStringList &rowNames)
{
    QStringList desktops;
    desktops.reserve(samples.size());
    for (const AppParameter &sample : samples)
        desktops.append(sample.desktop);
    if (desktops == m_desktops && rowNames == m_rowNames)
        return;
    m_desktops = desktops;
    m_rowNames = rowNames;
    m_nameIds.clear();
    m_samplesWithin.clear();

    // Every name a row can carry: the one it starts with, and each sample's desktop.
    QStringList names;
    auto idOf = [&](const QString &name) {
        const auto known = m_nameIds.constFind(name);
        if (known != m_nameIds.constEnd())
            return *known;
        names.append(name);
        return *m_nameIds.insert(name, names.size() - 1);
    };
    QVector<QVector<int>> samplesByDesktop;
    m_sampleNameIds.fill(-1, desktops.size());
    for (int i = 0; i < desktops.size(); ++i) {
        if (desktops.at(i).isEmpty())
            continue;
        const int id = idOf(desktops.at(i));
        if (id >= samplesByDesktop.size())
            samplesByDesktop.resize(id + 1);
        samplesByDesktop[id].append(i);
        m_sampleNameIds[i] = id;
    }
    for (const QString &name : rowNames)
        idOf(name);

    const SubstringIndex index(names);
    m_samplesWithin.resize(names.size());
    for (int desktop = 0; desktop < samplesByDesktop.size(); ++desktop) {
        for (int holder : index.textsContaining(names.at(desktop)))
            m_samplesWithin[holder] += samplesByDesktop.at(desktop);
    }
    for (QVector<int> &within : m_samplesWithin)
        std::sort(within.begin(), within.end());
}

QVector<int> SpeedSampleChains::samplesTakenBy(const QString &rowName) const
{
    QVector<int> taken;
    int name = m_nameIds.value(rowName, -1);
    int after = -1;
    while (name != -1) {
        const QVector<int> &within = m_samplesWithin.at(name);
        const auto next = std::upper_bound(within.begin(), within.end(), after);
        if (next == within.end())
            break;
        after = *next;
        taken.append(after);
        name = m_sampleNameIds.at(after);
    }
    return taken;
}

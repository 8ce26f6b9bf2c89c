// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/flowsave.h"

#include <QHash>
#include <QSet>
#include <cmath>

namespace FlowSave {

namespace {
// Sums taken in another order may come out a few units in the last place lower: that is no
// counter starting again.
constexpr double kSameAmount = 1e-9;

double growth(double amount, double previous)
{
    if (amount >= previous)
        return amount - previous;
    return previous - amount <= kSameAmount * previous ? 0 : amount;
}

QHash<QString, AppFlowDateParameter> firstByName(const QList<AppFlowDateParameter> &records)
{
    QHash<QString, AppFlowDateParameter> first;
    for (const AppFlowDateParameter &record : records)
        if (!first.contains(record.appname))
            first.insert(record.appname, record);
    return first;
}
} // namespace

QList<AppFlowDateParameter> rowsToSave(const QList<AppFlowDateParameter> &cache,
                                       const QList<AppFlowDateParameter> &reference)
{
    const QHash<QString, AppFlowDateParameter> previous = firstByName(reference);
    QList<AppFlowDateParameter> rows;
    rows.reserve(cache.size());
    for (const AppFlowDateParameter &sample : cache) {
        AppFlowDateParameter row = sample;
        const auto found = previous.constFind(sample.appname);
        if (found != previous.constEnd()) {
            row.downloaded = growth(sample.downloaded, found->downloaded);
            row.uploaded = growth(sample.uploaded, found->uploaded);
            row.total = row.downloaded + row.uploaded;
        }
        rows.append(row);
    }
    return rows;
}

QList<AppFlowDateParameter> nextReference(const QList<AppFlowDateParameter> &cache,
                                          const QList<AppFlowDateParameter> &reference)
{
    QList<AppFlowDateParameter> next;
    QSet<QString> names;
    for (const QList<AppFlowDateParameter> *records : {&cache, &reference})
        for (const AppFlowDateParameter &record : *records)
            if (!names.contains(record.appname)) {
                names.insert(record.appname);
                next.append(record);
            }
    return next;
}

BoundAmount boundAmount(double amount)
{
    const QVariant nullReal(QVariant::String);
    if (!std::isfinite(amount))
        return {nullReal, amount};
    const QString text = QStringLiteral("%1").arg(amount);
    if (text.contains(QLatin1Char('.')) || text.contains(QLatin1Char('e')))
        return {text, QVariant(QVariant::LongLong)};
    return {nullReal, text.toLongLong()};
}

} // namespace FlowSave

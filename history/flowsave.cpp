#include "history/flowsave.h"

#include <algorithm>
#include <cmath>

namespace FlowSave {

QList<AppFlowDateParameter> rowsToSave(const QList<AppFlowDateParameter> &cache,
                                       const QList<AppFlowDateParameter> &lastSaved)
{
    QList<AppFlowDateParameter> rows;
    rows.reserve(cache.size());
    for (const AppFlowDateParameter &sample : cache) {
        AppFlowDateParameter row = sample;
        const auto previous =
            std::find_if(lastSaved.cbegin(), lastSaved.cend(), [&](const AppFlowDateParameter &p) {
                return p.appname == sample.appname;
            });
        if (previous != lastSaved.cend()) {
            if (sample.total > previous->total) {
                row.downloaded = sample.downloaded - previous->downloaded;
                row.uploaded = sample.uploaded - previous->uploaded;
                row.total = sample.total - previous->total;
            } else {
                row.downloaded = row.uploaded = row.total = 0;
            }
        }
        rows.append(row);
    }
    return rows;
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

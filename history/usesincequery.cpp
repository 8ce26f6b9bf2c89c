// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usesincequery.h"

#include "history/flowmerge.h"
#include "history/literalflowqueries.h"
#include "history/summaryflowqueries.h"

namespace UseSinceQuery {

bool query(QSqlQuery &query, FlowSummaries &summaries, QList<AppFlowDateParameter> &list,
           const QDate &first, const QDate &last)
{
    const int count = int(first.daysTo(last)) + 1;
    if (count <= 0)
        return true;
    if (summaries.answers() == FlowSummaries::Answers::FromSummaries)
        return SummaryFlowQueries::queryDays(query, list, first, count, summaries.unsummed());
    // Day by day, as the sums add them, so that both come out bit for bit the same.
    for (int i = 0; i < count; ++i) {
        QList<AppFlowDateParameter> day;
        if (!LiteralFlowQueries::queryDay(query, day, first.addDays(i)))
            return false;
        for (const AppFlowDateParameter &record : qAsConst(day))
            FlowMerge::mergeByAppname(list, record);
    }
    return true;
}

} // namespace UseSinceQuery

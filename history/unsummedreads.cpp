// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/unsummedreads.h"

#include <atomic>

namespace {
// A window asks a few periods at a time; more than this many are read again when asked.
constexpr int kMostKept = 16;

std::atomic<qint64> rowsReadSoFar{0};
} // namespace

bool UnsummedReads::resume(const QString &period, qint64 &after, Days &days) const
{
    for (const Read &read : m_reads) {
        if (read.period == period && read.to >= after) {
            after = read.to;
            days = read.days;
            return true;
        }
    }
    return false;
}

void UnsummedReads::keep(const QString &period, qint64 to, const Days &days)
{
    for (int i = 0; i < m_reads.size(); ++i)
        if (m_reads.at(i).period == period)
            m_reads.removeAt(i--);
    if (m_reads.size() >= kMostKept)
        m_reads.removeFirst();
    m_reads.append({period, to, days});
}

qint64 UnsummedReads::rowsRead()
{
    return rowsReadSoFar.load();
}

void UnsummedReads::countRead(qint64 rows)
{
    rowsReadSoFar += rows;
}

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/unsummedspans.h"

#include "history/failurelog.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <limits>

namespace {
// About this many blocks for the rows to map, of at least this many rowids each.
constexpr qint64 kBlocks = 512;
constexpr qint64 kLeastBlockRows = 256;
unsigned long pausePerBlockMs = 0;
} // namespace

void UnsummedSpans::setPausePerBlock(unsigned long ms)
{
    pausePerBlockMs = ms;
}

void UnsummedSpans::start(const QSqlDatabase &db, qint64 from)
{
    clear();
    m_db = db;
    QSqlQuery last(m_db);
    if (!last.exec(QStringLiteral("SELECT max(rowid) FROM flowDetail")) || !last.next()) {
        FailureLog::sqlError(last.lastError());
        return;
    }
    m_next = from + 1;
    m_end = last.value(0).toLongLong();
    m_blockRows = qMax(kLeastBlockRows, (m_end - from) / kBlocks + 1);
}

void UnsummedSpans::clear()
{
    m_db = QSqlDatabase();
    m_blocks.clear();
    m_reads.clear();
    m_next = 0;
    m_end = -1;
}

bool UnsummedSpans::mapSlice(int budgetMs)
{
    QElapsedTimer timer;
    timer.start();
    QSqlQuery block(m_db);
    block.setForwardOnly(true);
    // Keys compare as SQLite compares text, byte by byte: hex keeps the bytes as they are.
    // Typed here once per block, not per row: text sorts above numbers and below blobs.
    if (!block.prepare(QStringLiteral(
            "SELECT typeof(min(dataymdh)), hex(min(dataymdh)), typeof(max(dataymdh)), "
            "hex(max(dataymdh)) FROM flowDetail WHERE rowid BETWEEN ? AND ?"))) {
        FailureLog::sqlError(block.lastError());
        return false;
    }
    const QString text = QStringLiteral("text");
    const QString blob = QStringLiteral("blob");
    while (isMapping() && timer.elapsed() < budgetMs) {
        if (pausePerBlockMs > 0)
            QThread::msleep(pausePerBlockMs);
        const qint64 last = qMin(m_next + m_blockRows - 1, m_end);
        block.addBindValue(m_next);
        block.addBindValue(last);
        if (!block.exec() || !block.next()) {
            FailureLog::sqlError(block.lastError());
            return false;
        }
        const QString lowType = block.value(0).toString();
        const QString highType = block.value(2).toString();
        // A block without text keys holds none of any period.
        if (lowType == text || (lowType != blob && (highType == text || highType == blob)))
            m_blocks.append(
                {m_next, last,
                 lowType == text ? QByteArray::fromHex(block.value(1).toByteArray()) : QByteArray(),
                 QByteArray::fromHex(block.value(3).toByteArray()), highType == blob});
        block.finish();
        m_next = last + 1;
    }
    return true;
}

void UnsummedSpans::setRows(qint64 summedTo, qint64 lastRow)
{
    m_summedTo = summedTo;
    m_lastRow = lastRow;
}

QVector<UnsummedSpans::Range> UnsummedSpans::ranges(const QString &lower, const QString &upper,
                                                    qint64 after) const
{
    const QByteArray low = lower.toUtf8();
    const QByteArray high = upper.toUtf8();
    QVector<Range> ranges;
    const auto add = [&ranges](qint64 first, qint64 last) {
        if (!ranges.isEmpty() && ranges.last().last + 1 == first)
            ranges.last().last = last;
        else
            ranges.append({first, last});
    };
    const qint64 from = qMax(after, m_summedTo) + 1;
    const qint64 to = m_lastRow < 0 ? std::numeric_limits<qint64>::max() : m_lastRow;
    for (const Block &block : m_blocks)
        if (block.last >= from && block.first <= to && (block.unbounded || block.high > low) &&
            block.low < high)
            add(qMax(block.first, from), qMin(block.last, to));
    if (qMax(from, m_next) <= to)
        add(qMax(from, m_next), to);
    return ranges;
}

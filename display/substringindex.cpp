// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/substringindex.h"

namespace {
const int kPieceLength = 3;

quint64 pieceAt(const QString &text, int at)
{
    const QChar *chars = text.constData() + at;
    return quint64(chars[0].unicode()) << 32 | quint64(chars[1].unicode()) << 16 |
           chars[2].unicode();
}

bool containsName(const QString &text, const QString &name)
{
    return text.indexOf(name, 0, Qt::CaseSensitive) != -1;
}
} // namespace

SubstringIndex::SubstringIndex(const QStringList &texts) : m_texts(texts)
{
    for (int i = 0; i < m_texts.size(); ++i) {
        const QString &text = m_texts.at(i);
        for (int at = 0; at + kPieceLength <= text.size(); ++at) {
            QVector<int> &holders = m_textsByPiece[pieceAt(text, at)];
            if (holders.isEmpty() || holders.last() != i)
                holders.append(i);
        }
    }
}

QVector<int> SubstringIndex::textsContaining(const QString &name) const
{
    QVector<int> found;
    if (name.size() < kPieceLength) {
        for (int i = 0; i < m_texts.size(); ++i) {
            if (containsName(m_texts.at(i), name))
                found.append(i);
        }
        return found;
    }
    const QVector<int> *rarest = nullptr;
    for (int at = 0; at + kPieceLength <= name.size(); ++at) {
        const auto holders = m_textsByPiece.constFind(pieceAt(name, at));
        if (holders == m_textsByPiece.constEnd())
            return found;
        if (!rarest || holders->size() < rarest->size())
            rarest = &*holders;
    }
    for (int i : *rarest) {
        if (containsName(m_texts.at(i), name))
            found.append(i);
    }
    return found;
}

// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHash>
#include <QStringList>
#include <QVector>

// Tells which of a fixed set of texts contain a name as a case-sensitive
// substring without testing every text: a text can only contain the name if
// it holds each of the name's three-character pieces, so only the texts
// listed under the name's rarest piece are tested.
class SubstringIndex
{
public:
    SubstringIndex() = default;
    explicit SubstringIndex(const QStringList &texts);

    // Ascending positions of the texts that contain the name; an empty name is in every text.
    QVector<int> textsContaining(const QString &name) const;

private:
    QStringList m_texts;
    QHash<quint64, QVector<int>> m_textsByPiece;
};

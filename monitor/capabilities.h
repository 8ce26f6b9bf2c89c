// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>

// Gives up for good every capability but those of `kept` that are held (from the effective,
// permitted, inheritable and ambient sets and the bounding set) and forbids gaining any back.
// False, with a message in `error`, on failure.
bool keepOnlyCapabilities(const QList<int> &kept, QString &error);

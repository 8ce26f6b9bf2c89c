// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/wardenapplication.h"

class QComboBox;

// Lists `applications` by name in `box` after its first item, "All applications", and keeps the
// one chosen before without signalling a change. An application no longer listed is kept when
// `keepUnlisted` (known to the history only), else the first item is chosen.
void listApplications(QComboBox *box, WardenApplicationList applications, bool keepUnlisted);

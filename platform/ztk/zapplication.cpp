// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "zapplication.h"

namespace Ztk {
namespace Widget {

ZApplication::ZApplication(int &argc, char **argv) : QCoreApplication(argc, argv) {}

bool ZApplication::loadZXcbPlugin()
{
    return false;
}

} // namespace Widget
} // namespace Ztk

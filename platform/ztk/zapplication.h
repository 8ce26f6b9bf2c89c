// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCoreApplication>

namespace Ztk {
namespace Widget {

// The toolkit's application object for headless programs: it carries the
// event loop, and exec() returns 0 after quit(). Built on QCoreApplication
// so that a background service needs no GUI, OpenGL or X11 libraries.
class ZApplication : public QCoreApplication
{
    Q_OBJECT
public:
    ZApplication(int &argc, char **argv);

    // Chooses the platform plug-in before the application exists. A headless
    // application draws nothing, so there is none to load; returns whether a
    // display is used, which is never.
    static bool loadZXcbPlugin();
};

} // namespace Widget
} // namespace Ztk

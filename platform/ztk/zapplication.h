#pragma once

#include <QApplication>

namespace Ztk {
namespace Widget {

// The toolkit's application object: a QApplication that also starts on a
// machine without any display.
class ZApplication : public QApplication
{
    Q_OBJECT
public:
    ZApplication(int &argc, char **argv);

    // Chooses the platform plug-in before the application exists: the X11
    // one when a display is there, else the offscreen one. Returns true when
    // a display is used.
    static bool loadZXcbPlugin();
};

} // namespace Widget
} // namespace Ztk

#pragma once

class QWindow;

/// The macOS touches of the window that Qt does not offer: the content runs under a hidden title
/// bar, and the application comes to the front as a regular Dock application.
class MacWindowStyle
{
public:
    MacWindowStyle() = delete;

    static void hideTitleBar(QWindow *window);
    static void activate();
};

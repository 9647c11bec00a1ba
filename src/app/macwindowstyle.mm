#include "macwindowstyle.h"

#include <QWindow>

#import <AppKit/AppKit.h>

void MacWindowStyle::hideTitleBar(QWindow *window)
{
    NSView *view = reinterpret_cast<NSView *>(window->winId());
    NSWindow *nativeWindow = view.window;
    if (nativeWindow == nil)
        return;
    nativeWindow.titlebarAppearsTransparent = YES;
    nativeWindow.titleVisibility = NSWindowTitleHidden;
    nativeWindow.styleMask |= NSWindowStyleMaskFullSizeContentView;
}

void MacWindowStyle::activate()
{
    [NSApp setActivationPolicy:NSApplicationActivationPolicyRegular];
    [NSApp activateIgnoringOtherApps:YES];
}

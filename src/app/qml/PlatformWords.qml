pragma Singleton
import QtQuick

// The texts that name the platform: the Mac's words on macOS, a computer's and a file manager's
// elsewhere, where Apple Configurator (and with it every phone command) does not exist.
QtObject {
    readonly property bool mac: Qt.platform.os === "osx"
    readonly property var words: mac ? macWords : otherWords

    readonly property var macWords: ({
        showFolder: "Show in Finder",
        savedLayouts: "Original layouts, saved on this Mac before every change.",
        rawResponses: "Raw layout responses stay on your Mac. They may contain device identifiers and your app inventory.",
        trust: "Use a USB cable. Unlock the iPhone and approve Trust This Computer in Finder.",
        installTitle: "Install Apple Configurator",
        installDetail: "The free Mac app provides the connection to your iPhone.",
        canInstall: true
    })
    readonly property var otherWords: ({
        showFolder: "Show in File Manager",
        savedLayouts: "Original layouts, saved on this computer before every change.",
        rawResponses: "Raw layout responses stay on this computer. They may contain device identifiers and your app inventory.",
        trust: "Use a USB cable. Unlock the iPhone and approve Trust This Computer on the iPhone.",
        installTitle: "Apple Configurator runs on macOS",
        installDetail: "On this computer you can explore the demo, import a layout and export one. Phone commands need a Mac with Apple Configurator.",
        canInstall: false
    })
}

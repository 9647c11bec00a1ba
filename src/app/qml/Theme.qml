pragma Singleton
import QtQuick

// The window's palette and type. The window is always dark.
QtObject {
    readonly property color canvas: Qt.rgba(0.065, 0.082, 0.1, 1)
    readonly property color panel: Qt.rgba(0.095, 0.115, 0.135, 1)
    readonly property color muted: Qt.rgba(0.57, 0.64, 0.68, 1)
    readonly property color sidebar: Qt.rgba(0.055, 0.069, 0.086, 1)
    readonly property color text: Qt.rgba(1, 1, 1, 0.88)
    // The system's mint and orange in their dark appearance.
    readonly property color mint: "#66d4cf"
    readonly property color orange: "#ff9f0a"
    readonly property color popover: Qt.rgba(0.13, 0.155, 0.18, 1)

    // San Francisco where the platform has it, the bundled Inter elsewhere; Nunito is the rounded
    // design everywhere.
    readonly property string family: Qt.platform.os === "osx" ? Qt.application.font.family : "Inter"
    readonly property string roundedFamily: "Nunito"
    readonly property string monoFamily: Qt.platform.os === "osx" ? "Menlo" : "DejaVu Sans Mono"

    // Each category in the system colour of its name, dark appearance.
    readonly property var categoryColors: ({
        "Productivity": "#6ac4dc",
        "Social": "#0a84ff",
        "Entertainment": "#ff375f",
        "Games": "#bf5af2",
        "Money": "#32d74b",
        "Shopping": "#ff9f0a",
        "Travel": "#64d2ff",
        "Health": "#ff453a",
        "Creativity": "#5e5ce6",
        "Utilities": "#98989d",
        "Websites": "#ac8e68",
        "Other": "#98989d"
    })

    function categoryColor(title) {
        return categoryColors[title] ?? categoryColors["Other"]
    }

    function alpha(color, opacity) {
        return Qt.rgba(color.r, color.g, color.b, opacity)
    }
}

import QtQuick
import QtQuick.Shapes

// A rounded rectangle whose corners ease into the straight edges, as Apple's continuous corners
// do: each corner starts 1.28 radii from its vertex and is one cubic curve.
ShapePath {
    id: path

    property real left: 0
    property real top: 0
    property real rectWidth: 0
    property real rectHeight: 0
    property real radius: 0

    readonly property real right: left + rectWidth
    readonly property real bottom: top + rectHeight
    readonly property real reach: Math.max(0, Math.min(radius * 1.28, rectWidth / 2, rectHeight / 2))
    readonly property real handle: reach * 0.2766

    startX: left + reach
    startY: top
    PathLine { x: path.right - path.reach; y: path.top }
    PathCubic {
        x: path.right; y: path.top + path.reach
        control1X: path.right - path.handle; control1Y: path.top
        control2X: path.right; control2Y: path.top + path.handle
    }
    PathLine { x: path.right; y: path.bottom - path.reach }
    PathCubic {
        x: path.right - path.reach; y: path.bottom
        control1X: path.right; control1Y: path.bottom - path.handle
        control2X: path.right - path.handle; control2Y: path.bottom
    }
    PathLine { x: path.left + path.reach; y: path.bottom }
    PathCubic {
        x: path.left; y: path.bottom - path.reach
        control1X: path.left + path.handle; control1Y: path.bottom
        control2X: path.left; control2Y: path.bottom - path.handle
    }
    PathLine { x: path.left; y: path.top + path.reach }
    PathCubic {
        x: path.left + path.reach; y: path.top
        control1X: path.left; control1Y: path.top + path.handle
        control2X: path.left + path.handle; control2Y: path.top
    }
}

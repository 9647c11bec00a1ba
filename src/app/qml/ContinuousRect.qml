import QtQuick
import QtQuick.Shapes

// A filled rounded rectangle with continuous corners and an optional stroke inside its border.
Shape {
    id: shape

    property real radius: 0
    property color color: "transparent"
    property ShapeGradient fillGradient: null
    property color strokeColor: "transparent"
    property real strokeWidth: 0

    ContinuousPath {
        rectWidth: shape.width
        rectHeight: shape.height
        radius: shape.radius
        strokeWidth: -1
        strokeColor: "transparent"
        fillColor: shape.color
        fillGradient: shape.fillGradient
    }
    ContinuousPath {
        left: shape.strokeWidth / 2
        top: shape.strokeWidth / 2
        rectWidth: shape.width - shape.strokeWidth
        rectHeight: shape.height - shape.strokeWidth
        radius: Math.max(0, shape.radius - shape.strokeWidth / 2)
        strokeWidth: shape.strokeWidth > 0 ? shape.strokeWidth : -1
        strokeColor: shape.strokeColor
        fillColor: "transparent"
    }
}

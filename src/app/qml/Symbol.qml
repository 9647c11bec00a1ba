import QtQuick
import Varnolet

// An SF Symbols name drawn with the bundled glyph set at `size` points in `color`.
SvgGlyph {
    required property string name
    property string weight: "regular"
    property real size: 16

    implicitWidth: size
    implicitHeight: size
    source: Symbols.path(name, weight)
}

import QtQuick

// One dot per Home Screen page, at most twelve; the shown page is bright.
Row {
    id: dots

    required property int pageCount
    required property int page

    spacing: 5

    Repeater {
        model: Math.min(Math.max(1, dots.pageCount), 12)
        Rectangle {
            required property int index
            objectName: "pageDot-" + (index + 1)
            width: 4
            height: 4
            radius: 2
            color: Qt.rgba(1, 1, 1, index + 1 === dots.page ? 0.85 : 0.25)
        }
    }
}

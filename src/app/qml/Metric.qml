import QtQuick
import QtQuick.Layouts

// A statistics card: title, value and detail.
Card {
    id: metric

    required property string title
    required property string value
    required property string detail

    Layout.fillWidth: true

    ColumnLayout {
        anchors.fill: parent
        spacing: 6
        StyledText {
            text: metric.title
            font.pixelSize: 9
            font.weight: Font.Medium
            font.letterSpacing: 1.5
            color: Theme.muted
        }
        StyledText {
            objectName: metric.objectName + "Value"
            text: metric.value
            font.family: Theme.roundedFamily
            font.pixelSize: 26
            font.weight: Font.Medium
            color: "white"
        }
        StyledText {
            text: metric.detail
            font.pixelSize: 10
            color: Theme.muted
        }
    }
}

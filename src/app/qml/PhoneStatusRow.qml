import QtQuick
import QtQuick.Layouts

// The phone's status row: the time, the Dynamic Island, Wi-Fi and battery.
RowLayout {
    spacing: 0

    StyledText {
        Layout.preferredWidth: 60
        text: "9:41"
        font.pixelSize: 10
        font.weight: Font.DemiBold
        color: "white"
    }
    Item { Layout.fillWidth: true }
    Rectangle {
        Layout.preferredWidth: 74
        Layout.preferredHeight: 21
        radius: height / 2
        color: "black"
    }
    Item { Layout.fillWidth: true }
    Row {
        Layout.preferredWidth: 60
        layoutDirection: Qt.RightToLeft
        spacing: 4
        Symbol { name: "battery.100percent"; size: 18; color: "white" }
        Symbol { name: "wifi"; weight: "semibold"; size: 11; color: "white"; anchors.verticalCenter: parent.verticalCenter }
    }
}

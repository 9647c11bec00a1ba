import QtQuick
import QtQuick.Layouts
import Varnolet

// The choice of phone when any are connected.
RowLayout {
    id: pickerRow

    required property VarnoletModel workspace
    readonly property var ecids: [""].concat(workspace.devices.map(device => device.ecid))
    readonly property int shownIndex: Math.max(0, ecids.indexOf(workspace.selectedDeviceID))

    spacing: 12

    Row {
        spacing: 6
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "iphone"
            size: 13
            color: Theme.text
        }
        StyledText {
            anchors.verticalCenter: parent.verticalCenter
            text: "Selected iPhone"
            font.pixelSize: 12
        }
    }
    MenuPicker {
        objectName: "devicePicker"
        Layout.fillWidth: true
        Layout.maximumWidth: 360
        Accessible.name: "Selected iPhone"
        model: ["Choose iPhone"].concat(pickerRow.workspace.devices.map(device => device.name + " · " + device.type))
        currentIndex: pickerRow.shownIndex
        // A new list of phones resets the picker to its first entry after the binding ran; the
        // selection still stands, so show it again once the list has settled.
        onModelChanged: Qt.callLater(() => currentIndex = Qt.binding(() => pickerRow.shownIndex))
        onActivated: index => pickerRow.workspace.selectedDeviceID = pickerRow.ecids[index]
    }
    Item { Layout.fillWidth: true }
}

import QtQuick
import QtQuick.Layouts
import Varnolet

// The choice of phone when any are connected.
RowLayout {
    id: pickerRow

    required property VarnoletModel workspace
    readonly property var ecids: [""].concat(workspace.devices.map(device => device.ecid))

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
        currentIndex: Math.max(0, pickerRow.ecids.indexOf(pickerRow.workspace.selectedDeviceID))
        onActivated: index => pickerRow.workspace.selectedDeviceID = pickerRow.ecids[index]
    }
    Item { Layout.fillWidth: true }
}

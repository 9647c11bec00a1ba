import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// Asks for a folder's new name.
Popup {
    id: dialog

    required property var workspace
    // The folder: {page, index, item}.
    property var source: null

    objectName: "renameFolderDialog"
    width: 240
    padding: 16
    x: (parent.width - width) / 2
    y: parent.height / 3
    modal: true
    focus: true
    onOpened: {
        field.text = source ? source.item.title : ""
        field.selectAll()
        field.forceActiveFocus()
    }

    function accept() {
        if (workspace.renameFolder(source.page, source.index, field.text))
            close()
    }

    background: Rectangle {
        radius: 10
        color: Theme.popover
        border.color: Qt.rgba(1, 1, 1, 0.1)
    }
    contentItem: ColumnLayout {
        spacing: 12
        StyledText {
            text: "Rename Folder"
            font.pixelSize: 13
            font.weight: Font.Bold
            color: "white"
        }
        TextField {
            id: field
            objectName: "folderNameField"
            Layout.fillWidth: true
            font.family: Theme.family
            font.pixelSize: 12
            color: Theme.text
            background: Rectangle {
                radius: 6
                color: Qt.rgba(1, 1, 1, 0.08)
                border.color: field.activeFocus ? Theme.mint : Qt.rgba(1, 1, 1, 0.1)
            }
            onAccepted: dialog.accept()
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            spacing: 8
            SmallButton {
                text: "Cancel"
                onClicked: dialog.close()
            }
            SmallButton {
                objectName: "renameFolderButton"
                text: "Rename"
                onClicked: dialog.accept()
            }
        }
    }
}

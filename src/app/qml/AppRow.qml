import QtQuick
import QtQuick.Layouts
import Varnolet

// One app of the app list: its name and identifier, and the category picker.
Item {
    id: row

    required property VarnoletModel workspace
    required property string appId
    required property string name
    required property string category
    property bool last: false

    implicitHeight: content.implicitHeight + 14

    RowLayout {
        id: content
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 10

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            StyledText {
                Layout.fillWidth: true
                text: row.name
                font.pixelSize: 12
                font.weight: Font.Medium
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            StyledText {
                Layout.fillWidth: true
                text: row.appId
                font.pixelSize: 9
                color: Theme.muted
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
        MenuPicker {
            objectName: "categoryPicker-" + row.appId
            Layout.preferredWidth: 117
            mini: true
            Accessible.name: "Category for " + row.name
            enabled: !row.workspace.hasPendingRestore
            model: row.workspace.categories
            symbols: row.workspace.categories.map(title => Symbols.categorySymbols[title])
            currentIndex: row.workspace.categories.indexOf(row.category)
            onActivated: index => row.workspace.setOverride(row.appId, row.workspace.categories[index])
        }
    }
    Divider {
        visible: !row.last
        anchors.bottom: parent.bottom
        width: parent.width
    }
}

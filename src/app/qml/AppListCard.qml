import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// Every distinct app of the loaded layout, searchable, each with its category.
Card {
    id: card

    required property VarnoletModel workspace

    ColumnLayout {
        anchors.fill: parent
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            StyledText {
                text: "Your apps"
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: "white"
            }
            Item { Layout.fillWidth: true }
            StyledText {
                objectName: "appCount"
                text: list.count + " unique"
                font.pixelSize: 11
                color: Theme.muted
            }
        }
        SearchField {
            objectName: "appSearch"
            Layout.fillWidth: true
            placeholderText: "Find an app"
            text: card.workspace.search
            onTextEdited: text => card.workspace.search = text
        }
        Item {
            Layout.fillWidth: true
            Layout.preferredHeight: 208

            ListView {
                id: list
                objectName: "appList"
                anchors.fill: parent
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                model: card.workspace.apps
                ScrollBar.vertical: SlimScrollBar {}
                delegate: AppRow {
                    required property int index
                    required property var model
                    width: ListView.view.width
                    workspace: card.workspace
                    appId: model.id
                    name: model.name
                    category: model.category
                    last: index === ListView.view.count - 1
                }
            }
            StyledText {
                objectName: "noMatchingApps"
                visible: list.count === 0
                anchors.horizontalCenter: parent.horizontalCenter
                y: 24
                text: "No matching apps"
                font.pixelSize: 12
                color: Theme.muted
            }
        }
    }
}

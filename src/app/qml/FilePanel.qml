import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Qt.labs.folderlistmodel
import QtQuick.Templates as T
import Varnolet

// Varnolet's own file panel, for desktops whose platform offers none: the current folder as a
// path to read or type over, a way up, the folder's entries and, when saving, a file name.
Popup {
    id: panel

    required property DesktopPanels panels
    property string title
    property bool saving: false
    property var nameFilters: []
    property url folder
    property string problem
    // Whether the request was answered; closing the panel before that is a cancel.
    property bool answered: false

    function show(title, saving, nameFilters, folder, fileName) {
        panel.title = title
        panel.saving = saving
        panel.nameFilters = nameFilters
        panel.folder = folder
        nameField.text = fileName
        answered = false
        folderShown()
        open()
    }
    function folderShown() {
        pathField.text = panels.locate("", folder).path
        problem = ""
        list.currentIndex = -1
    }
    // A typed path: a folder opens, a file (or, when saving, a new name in a folder) is chosen.
    function go(typed) {
        const place = panels.locate(typed, folder)
        if (place.folder)
            folder = place.url
        else if (place.file || (saving && place.inFolder))
            panels.accept(place.url)
        else
            problem = "There is no folder or file at this path."
    }
    function confirm() {
        if (saving)
            go(nameField.text)
        else if (list.currentIndex >= 0)
            go(entries.get(list.currentIndex, "fileName"))
    }

    anchors.centerIn: T.Overlay.overlay
    width: 640
    height: 460
    padding: 20
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    onClosed: if (!answered) panels.cancel()
    onFolderChanged: folderShown()

    Connections {
        target: panel.panels
        function onSettled() {
            panel.answered = true
            panel.close()
        }
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.45)
    }
    background: Rectangle {
        radius: 12
        color: Theme.popover
        border.color: Qt.rgba(1, 1, 1, 0.1)
    }

    FolderListModel {
        id: entries
        folder: panel.folder
        // "JSON files (*.json)" filters by "*.json".
        nameFilters: Array.from(panel.nameFilters)
                          .map(filter => (filter.match(/\(([^)]*)\)/)?.[1] ?? filter).split(" "))
                          .reduce((all, globs) => all.concat(globs), [])
        showDirsFirst: true
        showDotAndDotDot: false
        sortCaseSensitive: false
    }

    contentItem: ColumnLayout {
        spacing: 12

        StyledText {
            objectName: "filePanelTitle"
            Layout.fillWidth: true
            text: panel.title
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: "white"
            wrapMode: Text.WordWrap
        }
        RowLayout {
            spacing: 8
            PlainIconButton {
                objectName: "filePanelUp"
                symbol: "chevron.left"
                symbolWeight: "semibold"
                symbolColor: Theme.text
                rotation: 90
                enabled: panel.folder.toString() !== "file:///"
                Accessible.name: "Enclosing folder"
                onClicked: panel.go("..")
            }
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 30
                radius: 7
                color: Qt.rgba(0, 0, 0, 0.2)
                border.color: pathField.activeFocus ? Theme.alpha(Theme.mint, 0.6) : Qt.rgba(1, 1, 1, 0.08)
                TextField {
                    id: pathField
                    objectName: "filePanelPath"
                    anchors.fill: parent
                    leftPadding: 10
                    rightPadding: 10
                    font.family: Theme.family
                    font.pixelSize: 12
                    color: Theme.text
                    selectionColor: Theme.alpha(Theme.mint, 0.35)
                    background: Item {}
                    Accessible.name: "Folder"
                    onAccepted: panel.go(text)
                }
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            radius: 8
            color: Qt.rgba(0, 0, 0, 0.15)
            ListView {
                id: list
                objectName: "filePanelList"
                anchors.fill: parent
                anchors.margins: 4
                clip: true
                model: entries
                currentIndex: -1
                boundsBehavior: Flickable.StopAtBounds
                ScrollBar.vertical: SlimScrollBar {}
                delegate: ItemDelegate {
                    id: entry
                    required property int index
                    required property string fileName
                    required property bool fileIsDir
                    objectName: "fileEntry-" + fileName
                    width: ListView.view.width
                    height: 28
                    highlighted: ListView.isCurrentItem
                    onClicked: {
                        list.currentIndex = index
                        if (panel.saving && !fileIsDir)
                            nameField.text = fileName
                    }
                    onDoubleClicked: panel.go(fileName)
                    contentItem: Row {
                        spacing: 8
                        Rectangle {
                            anchors.verticalCenter: parent.verticalCenter
                            width: entry.fileIsDir ? 15 : 11
                            height: entry.fileIsDir ? 11 : 14
                            radius: 2
                            color: entry.fileIsDir ? Theme.alpha(Theme.mint, 0.75) : "transparent"
                            border.color: entry.fileIsDir ? "transparent" : Theme.muted
                        }
                        StyledText {
                            anchors.verticalCenter: parent.verticalCenter
                            text: entry.fileName
                            font.pixelSize: 12
                            color: entry.highlighted ? "black" : Theme.text
                        }
                    }
                    background: Rectangle {
                        radius: 5
                        color: entry.highlighted ? Theme.mint : entry.hovered ? Qt.rgba(1, 1, 1, 0.05) : "transparent"
                    }
                }
            }
        }
        RowLayout {
            visible: panel.saving
            spacing: 8
            StyledText {
                text: "Save as"
                font.pixelSize: 12
            }
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 30
                radius: 7
                color: Qt.rgba(0, 0, 0, 0.2)
                border.color: nameField.activeFocus ? Theme.alpha(Theme.mint, 0.6) : Qt.rgba(1, 1, 1, 0.08)
                TextField {
                    id: nameField
                    objectName: "filePanelName"
                    anchors.fill: parent
                    leftPadding: 10
                    rightPadding: 10
                    font.family: Theme.family
                    font.pixelSize: 12
                    color: Theme.text
                    selectionColor: Theme.alpha(Theme.mint, 0.35)
                    background: Item {}
                    Accessible.name: "Save as"
                    onAccepted: panel.confirm()
                }
            }
        }
        RowLayout {
            spacing: 10
            StyledText {
                objectName: "filePanelProblem"
                Layout.fillWidth: true
                text: panel.problem
                font.pixelSize: 11
                color: Theme.orange
                elide: Text.ElideRight
            }
            QuietButton {
                objectName: "filePanelCancel"
                text: "Cancel"
                onClicked: panel.close()
            }
            AccentButton {
                objectName: "filePanelConfirm"
                text: panel.saving ? "Save" : "Open"
                enabled: panel.saving ? nameField.text !== "" : list.currentIndex >= 0
                onClicked: panel.confirm()
            }
        }
    }
}

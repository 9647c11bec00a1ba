import QtQuick

// One Dock or page entry: an app tile or a folder, labelled unless it sits in the Dock.
Column {
    id: entry

    required property var item
    property bool dock: false
    // Where the entry stands, for hand edits through `editor` (a PreviewEditor, or null).
    property int page: -1
    property int position: -1
    property var editor: null
    readonly property bool isFolder: item.kind === "folder"

    objectName: (isFolder ? "folder-" : "app-") + item.title
    width: 52
    spacing: 5
    opacity: editor && editor.source && editor.source.page === page
             && editor.source.index === position && editor.source.folderIndex < 0 ? 0.3 : 1

    Loader {
        anchors.horizontalCenter: parent.horizontalCenter
        sourceComponent: entry.isFolder ? folderFace : appTile
        EntryEditing {
            owner: entry
            item: entry.item
        }
    }
    StyledText {
        anchors.horizontalCenter: parent.horizontalCenter
        visible: !entry.dock
        width: 52
        text: entry.item.title
        font.pixelSize: 8
        color: Qt.rgba(1, 1, 1, 0.9)
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        maximumLineCount: 1
    }

    Component {
        id: appTile
        AppTile {
            name: entry.item.title
            category: entry.item.category
            size: 44
            Accessible.role: Accessible.Graphic
            Accessible.name: entry.item.title + (entry.item.marked ? ", moved" : "")
            ChangeBadge {
                visible: entry.item.marked === true
            }
        }
    }
    Component {
        id: folderFace
        FolderFace {
            title: entry.item.title
            pages: entry.item.pages
            marked: entry.item.marked === true
            owner: entry
        }
    }
}

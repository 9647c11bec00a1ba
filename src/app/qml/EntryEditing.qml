import QtQuick

// Dragging a preview entry and its menu (right-click or long press), while the proposal may be
// edited. `entry` is the PreviewItem; inside a folder pop-over `folderIndex` counts the folder's apps.
Item {
    id: editing

    required property Item entry
    required property var item
    property int folderIndex: -1

    readonly property var editor: entry ? entry.editor : null
    readonly property var source: ({page: entry ? entry.page : -1,
                                    index: entry ? entry.position : -1,
                                    folderIndex: folderIndex, item: item})

    anchors.fill: parent
    enabled: editor !== null && editor.active

    DragHandler {
        target: null
        onActiveChanged: active ? editing.editor.begin(editing.source, centroid.scenePosition)
                                : editing.editor.end(centroid.scenePosition)
        onCentroidChanged: if (active) editing.editor.move(centroid.scenePosition)
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: (point) => editing.editor.openMenu(editing.source, point.scenePosition)
    }
    TapHandler {
        onLongPressed: editing.editor.openMenu(editing.source, point.scenePosition)
    }
}

import QtQuick

// Dragging a preview entry and its menu (right-click or long press), while the proposal may be
// edited. `owner` is the PreviewItem; inside a folder pop-over `folderIndex` counts the folder's apps.
Item {
    id: editing

    required property Item owner
    required property var item
    property int folderIndex: -1

    readonly property var editor: owner ? owner.editor : null
    readonly property var source: ({page: owner ? owner.page : -1,
                                    index: owner ? owner.position : -1,
                                    folderIndex: folderIndex, item: item})

    anchors.fill: parent
    // Beneath the tile or folder face: the face's button takes a click, and these handlers still
    // see the press passively, so a drag or a long press can take it over from the button.
    z: -1
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
        // A long press opens the menu. Only a passive grab, so that a plain click still reaches
        // the folder's button underneath and the DragHandler can take over once a drag starts.
        gesturePolicy: TapHandler.DragThreshold
        onLongPressed: editing.editor.openMenu(editing.source, point.scenePosition)
    }
}

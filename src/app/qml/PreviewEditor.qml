import QtQuick
import QtQuick.Controls.Basic
import Varnolet

// Hand editing on the phone preview: the tile that follows a drag, what lies under it, and the
// tile menu. Entries report their drags and right-clicks here; the model makes and checks the edit.
Item {
    id: editor

    // The model, or null where the preview may not be edited.
    required property var workspace
    required property Item pageView
    required property Item pageGrid
    required property Item dockShelf
    required property int page
    // The page navigator's arrows below the phone, drop targets for the neighbouring pages.
    property Item previousArrow: null
    property Item nextArrow: null

    readonly property bool active: workspace !== null && workspace.canEdit
    // What is being dragged: {page, index, folderIndex, item}.
    property var source: null
    property var target: null
    readonly property bool dragging: source !== null

    function begin(source, scenePoint) {
        editor.source = source
        const at = mapFromItem(null, scenePoint.x, scenePoint.y)
        proxy.home = Qt.point(at.x - proxy.width / 2, at.y - proxy.height / 2)
        move(scenePoint)
    }
    function move(scenePoint) {
        const at = mapFromItem(null, scenePoint.x, scenePoint.y)
        proxy.x = at.x - proxy.width / 2
        proxy.y = at.y - proxy.height / 2
        target = targetAt(scenePoint)
    }
    function end(scenePoint) {
        if (!source)
            return
        const done = targetAt(scenePoint) !== null && drop(targetAt(scenePoint))
        target = null
        if (done)
            source = null
        else
            springBack.start()
    }

    function drop(t) {
        const s = source
        if (t.kind === "onto")
            return workspace.dropOnItem(s.page, s.index, s.folderIndex, t.page, t.index)
        if (t.kind === "at")
            return workspace.moveItem(s.page, s.index, s.folderIndex, t.page, t.index)
        if (t.page < 1)
            return false
        const done = workspace.moveToPage(s.page, s.index, s.folderIndex, t.page)
        if (done)
            workspace.selectedPage = Math.min(t.page, workspace.previewPageCount)
        return done
    }

    function hits(item, scenePoint) {
        if (!item || !item.visible)
            return false
        const at = item.mapFromItem(null, scenePoint.x, scenePoint.y)
        return at.x >= 0 && at.y >= 0 && at.x <= item.width && at.y <= item.height
    }
    // The entry of `row` under the point: onto its icon, or the place before or after it.
    function entryTarget(row, page, scenePoint) {
        for (let i = 0; i < row.children.length; ++i) {
            const child = row.children[i]
            if (child.position === undefined || !hits(child, scenePoint))
                continue
            const at = child.mapFromItem(null, scenePoint.x, scenePoint.y)
            if (Math.abs(at.x - child.width / 2) < 15 && at.y < 46)
                return {kind: "onto", page: page, index: child.position, item: child}
            let index = child.position + (at.x > child.width / 2 ? 1 : 0)
            // Places count once the dragged item has left its own page.
            if (source.page === page && source.folderIndex < 0 && source.index < index)
                index -= 1
            return {kind: "at", page: page, index: index, item: null}
        }
        return null
    }
    function targetAt(scenePoint) {
        if (hits(previousArrow, scenePoint))
            return {kind: "page", page: page - 1, item: null}
        if (hits(nextArrow, scenePoint))
            return {kind: "page", page: page + 1, item: null}
        if (!hits(editor, scenePoint))
            return null
        const at = mapFromItem(null, scenePoint.x, scenePoint.y)
        if (at.x < 14)
            return {kind: "page", page: page - 1, item: null}
        if (at.x > width - 14)
            return {kind: "page", page: page + 1, item: null}
        if (hits(dockShelf, scenePoint))
            return entryTarget(dockShelf.row, 0, scenePoint) ?? {kind: "at", page: 0, index: 99, item: null}
        if (hits(pageView, scenePoint))
            return entryTarget(pageGrid, page, scenePoint) ?? {kind: "at", page: page, index: 999, item: null}
        return null
    }
    function openMenu(source, scenePoint) {
        const at = mapFromItem(null, scenePoint.x, scenePoint.y)
        menu.source = source
        menu.popup(editor, at.x, at.y)
    }

    // The edges that carry a dragged icon to the neighbouring page.
    Repeater {
        model: editor.dragging ? [0, 1] : []
        Rectangle {
            required property int modelData
            x: modelData === 0 ? 0 : editor.width - width
            width: 14
            height: editor.height
            radius: 7
            color: Qt.rgba(1, 1, 1, editor.target && editor.target.kind === "page"
                           && (editor.target.page < editor.page) === (modelData === 0) ? 0.25 : 0.08)
        }
    }
    // The entry a drop would go onto.
    Rectangle {
        readonly property Item over: editor.target ? editor.target.item : null
        visible: over !== null
        x: over ? editor.mapFromItem(over, 0, 0).x - 3 : 0
        y: over ? editor.mapFromItem(over, 0, 0).y - 3 : 0
        width: 50
        height: 50
        radius: 13
        color: "transparent"
        border.color: Qt.rgba(1, 1, 1, 0.8)
        border.width: 2
    }
    Loader {
        id: proxy
        objectName: "dragProxy"
        property point home
        width: 44
        height: 44
        z: 10
        active: editor.dragging
        opacity: 0.9
        sourceComponent: editor.source && editor.source.item.kind === "folder" ? folderProxy : appProxy
        ParallelAnimation {
            id: springBack
            NumberAnimation { target: proxy; property: "x"; to: proxy.home.x; duration: 180; easing.type: Easing.OutCubic }
            NumberAnimation { target: proxy; property: "y"; to: proxy.home.y; duration: 180; easing.type: Easing.OutCubic }
            onFinished: editor.source = null
        }
    }
    Component {
        id: appProxy
        AppTile {
            name: editor.source.item.title
            category: editor.source.item.category
            size: 44
        }
    }
    Component {
        id: folderProxy
        FolderFace {
            title: editor.source.item.title
            pages: editor.source.item.pages
            enabled: false
        }
    }

    EntryMenu {
        id: menu
        workspace: editor.workspace
        onRenameRequested: (source) => {
            rename.source = source
            rename.open()
        }
    }
    RenameFolderDialog {
        id: rename
        workspace: editor.workspace
    }
}

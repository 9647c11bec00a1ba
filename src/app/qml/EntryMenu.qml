import QtQuick
import QtQuick.Controls.Basic
import Varnolet

// The menu of a preview entry: the drag-free ways to move it.
StyledMenu {
    id: menu

    required property var workspace
    // The entry: {page, index, folderIndex, item}.
    property var source: null
    readonly property int folderIndex: source ? source.folderIndex : -1

    signal renameRequested(var source)

    objectName: "entryMenu"
    implicitWidth: 220

    // One entry per page of the preview, then "New page", made afresh each time the menu opens.
    onAboutToShow: {
        while (pages.count > 0)
            pages.takeAction(0).destroy()
        // Worked out once here rather than bound: a taken action may outlive the workspace.
        const count = workspace.previewPageCount
        for (let page = 1; page <= count + 1; ++page)
            pages.addAction(pageAction.createObject(pages, {page: page, fresh: page > count}))
    }

    Component {
        id: pageAction
        Action {
            property int page
            property bool fresh
            objectName: fresh ? "moveToNewPage" : "moveToPage-" + page
            text: fresh ? "New page" : "Page " + page
            enabled: menu.source !== null && (fresh || menu.source.page !== page
                                              || menu.folderIndex >= 0)
            onTriggered: {
                if (menu.workspace.moveToPage(menu.source.page, menu.source.index,
                                              menu.folderIndex, page))
                    menu.workspace.selectedPage = Math.min(page, menu.workspace.previewPageCount)
            }
        }
    }

    Action {
        objectName: "moveToDockAction"
        text: "Move to Dock"
        enabled: menu.source !== null && (menu.source.page !== 0 || menu.folderIndex >= 0)
        onTriggered: menu.workspace.moveToDock(menu.source.page, menu.source.index, menu.folderIndex)
    }
    StyledMenu {
        id: pages
        objectName: "moveToPageMenu"
        title: "Move to Page…"
        implicitWidth: 160
    }
    Action {
        objectName: "moveOutOfFolderAction"
        text: "Move out of Folder"
        enabled: menu.folderIndex >= 0
        onTriggered: menu.workspace.moveOutOfFolder(menu.source.page, menu.source.index, menu.folderIndex)
    }
    Action {
        objectName: "renameFolderAction"
        text: "Rename Folder…"
        enabled: menu.source !== null && menu.source.item.kind === "folder" && menu.folderIndex < 0
        onTriggered: menu.renameRequested(menu.source)
    }
}

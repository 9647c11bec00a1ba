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

        Instantiator {
            model: menu.workspace ? menu.workspace.previewPageCount + 1 : 0
            delegate: Action {
                required property int index
                readonly property bool fresh: index === menu.workspace.previewPageCount
                objectName: fresh ? "moveToNewPage" : "moveToPage-" + (index + 1)
                text: fresh ? "New page" : "Page " + (index + 1)
                enabled: menu.source !== null && (fresh || menu.source.page !== index + 1
                                                  || menu.folderIndex >= 0)
                onTriggered: {
                    if (menu.workspace.moveToPage(menu.source.page, menu.source.index,
                                                  menu.folderIndex, index + 1))
                        menu.workspace.selectedPage = Math.min(index + 1, menu.workspace.previewPageCount)
                }
            }
            onObjectAdded: (index, object) => pages.insertAction(index, object)
            onObjectRemoved: (index, object) => pages.removeAction(object)
        }
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

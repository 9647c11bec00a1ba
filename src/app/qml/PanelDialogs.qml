import QtQuick
import QtQuick.Dialogs
import Varnolet

// The system's open and save dialogs, shown when the model asks its panels for a file; where the
// platform has none, Varnolet's own panel.
Item {
    id: dialogs

    required property DesktopPanels panels
    readonly property bool platformPanels: panels.nativeFileDialogs

    FilePanel {
        id: ownPanel
        objectName: "filePanel"
        panels: dialogs.panels
    }
    FileDialog {
        id: openDialog
        objectName: "openDialog"
        fileMode: FileDialog.OpenFile
        onAccepted: dialogs.panels.accept(selectedFile)
        onRejected: dialogs.panels.cancel()
    }
    FileDialog {
        id: saveDialog
        objectName: "saveDialog"
        fileMode: FileDialog.SaveFile
        onAccepted: dialogs.panels.accept(selectedFile)
        onRejected: dialogs.panels.cancel()
    }
    Connections {
        target: dialogs.panels
        function onOpenRequested(title, nameFilters, folder) {
            if (!dialogs.platformPanels)
                return ownPanel.show(title, false, nameFilters, folder, "")
            openDialog.title = title
            openDialog.nameFilters = nameFilters
            openDialog.currentFolder = folder
            openDialog.open()
        }
        function onSaveRequested(title, folder, file, nameFilters) {
            if (!dialogs.platformPanels)
                return ownPanel.show(title, true, nameFilters, folder, file.toString().split("/").pop())
            saveDialog.title = title
            saveDialog.nameFilters = nameFilters
            saveDialog.currentFolder = folder
            saveDialog.selectedFile = file
            saveDialog.open()
        }
    }
}

import QtQuick
import QtQuick.Dialogs
import Varnolet

// The system's open and save dialogs, shown when the model asks its panels for a file.
Item {
    id: dialogs

    required property DesktopPanels panels

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
            openDialog.title = title
            openDialog.nameFilters = nameFilters
            openDialog.currentFolder = folder
            openDialog.open()
        }
        function onSaveRequested(title, folder, file, nameFilters) {
            saveDialog.title = title
            saveDialog.nameFilters = nameFilters
            saveDialog.currentFolder = folder
            saveDialog.selectedFile = file
            saveDialog.open()
        }
    }
}

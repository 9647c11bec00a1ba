import QtQuick
import QtQuick.Layouts
import Varnolet

// Steps through the Home Screen pages of the preview.
RowLayout {
    id: navigator

    required property VarnoletModel workspace
    readonly property alias previousArrow: previous
    readonly property alias nextArrow: next

    spacing: 0

    PlainIconButton {
        id: previous
        objectName: "previousPage"
        symbol: "chevron.left"
        symbolWeight: "semibold"
        symbolSize: 12
        Accessible.name: "Previous page"
        enabled: navigator.workspace.selectedPage >= 2
        onClicked: navigator.workspace.selectedPage = Math.max(navigator.workspace.selectedPage - 1, 1)
    }
    StyledText {
        objectName: "pageLabel"
        Layout.preferredWidth: 106
        text: "Page " + navigator.workspace.selectedPage + " of " + navigator.workspace.previewPageCount
        font.pixelSize: 11
        font.family: Theme.family
        color: Theme.muted
        horizontalAlignment: Text.AlignHCenter
    }
    PlainIconButton {
        id: next
        objectName: "nextPage"
        symbol: "chevron.right"
        symbolWeight: "semibold"
        symbolSize: 12
        Accessible.name: "Next page"
        enabled: navigator.workspace.selectedPage < navigator.workspace.previewPageCount
        onClicked: navigator.workspace.selectedPage = Math.min(navigator.workspace.selectedPage + 1,
                                                               navigator.workspace.previewPageCount)
    }
}

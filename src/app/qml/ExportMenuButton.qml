import QtQuick
import QtQuick.Controls.Basic
import Varnolet

// The apply bar's other ways out for the proposal, in a small menu.
PlainIconButton {
    id: button

    required property VarnoletModel workspace

    objectName: "exportMenuButton"
    symbol: "chevron.up.chevron.down"
    symbolSize: 12
    Accessible.name: "More export formats"
    enabled: workspace.hasProposed
    onClicked: menu.popup(button, 0, button.height)

    StyledMenu {
        id: menu
        implicitWidth: 250
        Action {
            objectName: "exportProfileMenuAction"
            text: "Export as Configuration Profile…"
            onTriggered: button.workspace.exportProfile()
        }
    }
}

import QtQuick
import QtQuick.Controls.Basic

// A pop-up menu picker; `symbols`, when given, holds one symbol name per entry.
ComboBox {
    id: control

    property var symbols: []
    property bool mini: false

    implicitHeight: mini ? 20 : 24
    font.family: Theme.family
    font.pixelSize: mini ? 10 : 12
    opacity: enabled ? 1 : 0.4

    contentItem: StyledText {
        leftPadding: control.mini ? 7 : 9
        rightPadding: 4
        text: control.displayText
        font: control.font
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    indicator: Symbol {
        x: control.width - width - (control.mini ? 5 : 7)
        y: (control.height - height) / 2
        name: "chevron.up.chevron.down"
        size: control.mini ? 9 : 11
        color: Theme.muted
    }
    background: Rectangle {
        implicitWidth: 76
        radius: control.mini ? 5 : 6
        color: control.pressed ? Qt.rgba(1, 1, 1, 0.14) : Qt.rgba(1, 1, 1, 0.09)
        border.color: control.visualFocus ? Theme.alpha(Theme.mint, 0.8) : Qt.rgba(1, 1, 1, 0.06)
    }
    delegate: ItemDelegate {
        id: entry
        required property int index
        required property var modelData
        width: ListView.view ? ListView.view.width : implicitWidth
        height: 26
        leftPadding: 8
        rightPadding: 12
        highlighted: control.highlightedIndex === index
        contentItem: Row {
            spacing: 6
            Symbol {
                anchors.verticalCenter: parent.verticalCenter
                name: "checkmark"
                weight: "semibold"
                size: 10
                color: entry.highlighted ? "white" : Theme.text
                opacity: entry.index === control.currentIndex ? 1 : 0
            }
            Loader {
                anchors.verticalCenter: parent.verticalCenter
                active: control.symbols.length > entry.index
                visible: active
                sourceComponent: Symbol {
                    name: control.symbols[entry.index]
                    size: 12
                    color: entry.highlighted ? "white" : Theme.muted
                }
            }
            StyledText {
                anchors.verticalCenter: parent.verticalCenter
                text: entry.modelData
                font.pixelSize: 12
                color: entry.highlighted ? "white" : Theme.text
            }
        }
        background: Rectangle {
            radius: 4
            color: entry.highlighted ? Theme.alpha(Theme.mint, 0.45) : "transparent"
        }
    }
    popup: Popup {
        y: control.height + 2
        width: Math.max(control.width, list.contentItem.childrenRect.width + 12)
        implicitHeight: Math.min(list.contentHeight + 12, 360)
        padding: 6
        contentItem: ListView {
            id: list
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
            boundsBehavior: Flickable.StopAtBounds
        }
        background: Rectangle {
            radius: 8
            color: Theme.popover
            border.color: Qt.rgba(1, 1, 1, 0.1)
        }
    }
}

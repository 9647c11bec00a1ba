import QtQuick
import QtQuick.Controls.Basic

// The app list's search field.
Rectangle {
    id: field

    property alias text: input.text
    property alias placeholderText: input.placeholderText
    property alias input: input
    signal textEdited(string text)

    implicitHeight: input.implicitHeight + 20
    radius: 8
    color: Qt.rgba(0, 0, 0, 0.15)
    border.color: input.activeFocus ? Theme.alpha(Theme.mint, 0.6) : "transparent"

    Symbol {
        id: glass
        x: 10
        anchors.verticalCenter: parent.verticalCenter
        name: "magnifyingglass"
        size: 13
        color: Theme.muted
    }
    TextField {
        id: input
        objectName: field.objectName + "Input"
        anchors.left: glass.right
        anchors.leftMargin: 6
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        padding: 0
        font.family: Theme.family
        font.pixelSize: 12
        color: Theme.text
        placeholderTextColor: Theme.muted
        selectionColor: Theme.alpha(Theme.mint, 0.35)
        background: Item {}
        onTextEdited: field.textEdited(text)
    }
}

import QtQuick

// Plain text in the interface font.
Text {
    color: Theme.text
    font.family: Theme.family
    font.pixelSize: 13
    textFormat: Text.PlainText
}

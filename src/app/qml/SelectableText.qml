import QtQuick

// Read-only text the user can select and copy.
TextEdit {
    color: Theme.text
    font.family: Theme.family
    font.pixelSize: 12
    textFormat: TextEdit.PlainText
    wrapMode: TextEdit.Wrap
    readOnly: true
    selectByMouse: true
    selectionColor: Theme.alpha(Theme.mint, 0.35)
    selectedTextColor: "white"
}

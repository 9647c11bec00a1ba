import QtQuick

// A section title in the rounded design.
StyledText {
    font.family: Theme.roundedFamily
    font.pixelSize: 29
    font.weight: Font.Medium
    color: "white"
}

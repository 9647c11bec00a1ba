import QtQuick

// The small upper-case line above a section title.
StyledText {
    font.pixelSize: 10
    font.weight: Font.DemiBold
    font.letterSpacing: 2
    color: Theme.alpha(Theme.mint, 0.8)
}

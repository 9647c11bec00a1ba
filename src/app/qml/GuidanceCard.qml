import QtQuick
import QtQuick.Layouts

// The advice for a first test.
Card {
    RowLayout {
        anchors.fill: parent
        spacing: 14
        Symbol {
            Layout.alignment: Qt.AlignTop
            name: "flask"
            size: 19
            color: Theme.mint
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 5
            StyledText {
                text: "Start small on your first test."
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: "white"
            }
            StyledText {
                Layout.fillWidth: true
                text: "Make a Finder backup and take screenshots, then use Two-icon test. Layout snapshots cover app icons and folders; widgets, hidden pages, and wallpaper arrangements may not be recoverable through Configurator. iOS 27 device behavior is not yet verified."
                font.pixelSize: 12
                lineHeight: 1.15
                color: Theme.muted
                wrapMode: Text.WordWrap
            }
        }
    }
}

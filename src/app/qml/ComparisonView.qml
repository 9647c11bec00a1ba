import QtQuick
import QtQuick.Layouts
import Varnolet

// Two layouts side by side with what changes from the left one to the right one.
ColumnLayout {
    id: view

    required property SnapshotComparison comparison

    spacing: 18

    RowLayout {
        Layout.fillWidth: true
        ColumnLayout {
            spacing: 6
            Eyebrow {
                text: "SIDE BY SIDE"
            }
            RoundedTitle {
                text: "Compare layouts."
            }
        }
        Item { Layout.fillWidth: true }
        QuietButton {
            objectName: "backToSavedLayouts"
            text: "Back to saved layouts"
            onClicked: view.comparison.close()
        }
    }
    StyledText {
        objectName: "comparisonSummary"
        Layout.fillWidth: true
        text: view.comparison.summary
        font.pixelSize: 13
        font.weight: Font.DemiBold
        color: Theme.mint
        wrapMode: Text.WordWrap
    }
    RowLayout {
        Layout.alignment: Qt.AlignHCenter
        spacing: 36
        ComparisonSide {
            objectName: "comparisonBefore"
            label: view.comparison.beforeLabel
            pages: view.comparison.beforePages
            page: view.comparison.beforePage
            pageCount: view.comparison.beforePageCount
            onPageRequested: page => view.comparison.beforePage = page
        }
        ComparisonSide {
            objectName: "comparisonAfter"
            label: view.comparison.afterLabel
            pages: view.comparison.afterPages
            page: view.comparison.afterPage
            pageCount: view.comparison.afterPageCount
            onPageRequested: page => view.comparison.afterPage = page
        }
    }
    Card {
        Layout.fillWidth: true
        visible: view.comparison.moves.length > 0
        ColumnLayout {
            anchors.fill: parent
            spacing: 7
            StyledText {
                text: "Apps that move"
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: "white"
            }
            Repeater {
                objectName: "comparisonMoves"
                model: view.comparison.moves
                RowLayout {
                    required property var modelData
                    required property int index
                    objectName: "comparisonMove-" + index
                    Layout.fillWidth: true
                    spacing: 12
                    StyledText {
                        Layout.preferredWidth: 160
                        text: parent.modelData.name
                        font.pixelSize: 12
                        font.weight: Font.Medium
                        color: "white"
                        elide: Text.ElideRight
                    }
                    StyledText {
                        Layout.fillWidth: true
                        text: parent.modelData.from + " → " + parent.modelData.to
                        font.pixelSize: 12
                        color: Theme.muted
                        elide: Text.ElideRight
                    }
                }
            }
            StyledText {
                objectName: "comparisonMore"
                visible: text.length > 0
                text: view.comparison.more
                font.pixelSize: 12
                color: Theme.muted
            }
        }
    }
}

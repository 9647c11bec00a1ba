import QtQuick
import QtQuick.Layouts
import Varnolet

// The sorting options, or the explanation of a saved layout being previewed for restoring.
Card {
    id: card

    required property VarnoletModel workspace
    readonly property var descriptions: ({
        "Category folders": "Local rules suggest categories. Adjust any app below. Groups with one app stay as a single icon.",
        "Alphabetical": "Sort loose apps and folder contents by name. Existing folders on pages being sorted are unpacked.",
        "Two-icon test": "Swap the first two loose icons on one page. Start here to test your iPhone, then restore the saved layout."
    })

    ColumnLayout {
        anchors.fill: parent
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            StyledText {
                objectName: "sortingTitle"
                text: card.workspace.hasPendingRestore ? "Saved layout preview" : "Organization"
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: "white"
            }
            Item { Layout.fillWidth: true }
            SmallButton {
                objectName: "backToSorting"
                visible: card.workspace.hasPendingRestore
                text: "Back to sorting"
                onClicked: card.workspace.rebuild()
            }
        }
        StyledText {
            objectName: "restoreExplanation"
            visible: card.workspace.hasPendingRestore
            Layout.fillWidth: true
            text: "This proposal uses the original folders and order from your snapshot. Your current layout will be saved before restoring."
            font.pixelSize: 12
            color: Theme.muted
            wrapMode: Text.WordWrap
        }
        ColumnLayout {
            visible: !card.workspace.hasPendingRestore
            Layout.fillWidth: true
            spacing: 12

            SegmentedPicker {
                objectName: "stylePicker"
                Layout.fillWidth: true
                Accessible.name: "Sort style"
                labels: card.workspace.styles
                currentIndex: card.workspace.styles.indexOf(card.workspace.style)
                onActivated: index => card.workspace.style = card.workspace.styles[index]
            }
            StyledText {
                objectName: "styleDescription"
                Layout.fillWidth: true
                text: card.descriptions[card.workspace.style] ?? ""
                font.pixelSize: 11
                color: Theme.muted
                wrapMode: Text.WordWrap
            }
            ColumnLayout {
                objectName: "sortingOptions"
                visible: card.workspace.style !== "Two-icon test"
                Layout.fillWidth: true
                spacing: 10

                Divider {}
                ToggleSwitch {
                    objectName: "keepDockSwitch"
                    Layout.fillWidth: true
                    text: "Keep my Dock"
                    checked: card.workspace.keepDock
                    onToggled: card.workspace.keepDock = checked
                }
                ToggleSwitch {
                    objectName: "keepFirstPageSwitch"
                    Layout.fillWidth: true
                    text: "Keep my first page"
                    checked: card.workspace.keepFirstPage
                    onToggled: card.workspace.keepFirstPage = checked
                }
                RowLayout {
                    Layout.fillWidth: true
                    StyledText {
                        text: "Icons per page"
                        font.pixelSize: 12
                    }
                    Item { Layout.fillWidth: true }
                    MenuPicker {
                        objectName: "pageCapacityPicker"
                        Layout.preferredWidth: 76
                        Accessible.name: "Icons per page"
                        model: card.workspace.pageCapacities
                        currentIndex: card.workspace.pageCapacities.indexOf(card.workspace.pageCapacity)
                        onActivated: index => card.workspace.pageCapacity = card.workspace.pageCapacities[index]
                    }
                }
                Divider {}
                ToggleSwitch {
                    objectName: "appStoreSwitch"
                    Layout.fillWidth: true
                    text: "Look up App Store categories"
                    checked: card.workspace.appStoreLookup
                    onToggled: card.workspace.appStoreLookup = checked
                }
                StyledText {
                    objectName: "appStoreDetail"
                    Layout.fillWidth: true
                    Layout.topMargin: -4
                    text: "Sends app identifiers (nothing else) to Apple’s App Store to find each app’s name and category. Answers are kept on this computer."
                    font.pixelSize: 11
                    color: Theme.muted
                    wrapMode: Text.WordWrap
                }
            }
        }
    }
}

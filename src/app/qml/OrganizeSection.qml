import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Varnolet

// The sorting workspace: metrics, options, the app list, the preview and the apply bar.
Item {
    id: section

    required property VarnoletModel workspace

    OrganizeEmptyState {
        objectName: "organizeEmptyState"
        visible: !section.workspace.hasOriginal
        anchors.centerIn: parent
        workspace: section.workspace
    }

    ColumnLayout {
        objectName: "organizeWorkspace"
        visible: section.workspace.hasOriginal
        anchors.fill: parent
        spacing: 0

        Flickable {
            id: scroller
            objectName: "organizeScroller"
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentHeight: body.implicitHeight + 56
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: SlimScrollBar {}

            ColumnLayout {
                id: body
                x: 28
                y: 28
                width: scroller.width - 56
                spacing: 22

                OrganizeHeader {
                    Layout.fillWidth: true
                    workspace: section.workspace
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 14
                    Metric {
                        objectName: "metricIcons"
                        title: "APP ICONS"
                        value: String(section.workspace.iconCount)
                        detail: "Every occurrence retained"
                    }
                    Metric {
                        objectName: "metricPages"
                        title: "HOME PAGES"
                        value: section.workspace.originalPageCount + " → " + section.workspace.proposedPageCount
                        detail: "Before and after"
                    }
                    Metric {
                        objectName: "metricFolders"
                        title: "FOLDERS"
                        value: String(section.workspace.proposedFolderCount)
                        detail: "In your proposed layout"
                    }
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 22
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.alignment: Qt.AlignTop
                        spacing: 14
                        SortingCard {
                            Layout.fillWidth: true
                            workspace: section.workspace
                        }
                        AppListCard {
                            Layout.fillWidth: true
                            workspace: section.workspace
                        }
                    }
                    PreviewPanel {
                        Layout.preferredWidth: 286
                        Layout.alignment: Qt.AlignTop
                        workspace: section.workspace
                    }
                }
            }
        }
        Divider {}
        ApplyBar {
            Layout.fillWidth: true
            Layout.leftMargin: 28
            Layout.rightMargin: 28
            Layout.topMargin: 16
            Layout.bottomMargin: 16
            workspace: section.workspace
        }
    }
}

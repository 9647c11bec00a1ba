import QtQuick
import QtQuick.Layouts
import Varnolet

// The window's root view: sidebar, top bar, the current section and the status bar.
RowLayout {
    id: content

    required property VarnoletModel workspace

    spacing: 0

    Sidebar {
        Layout.fillHeight: true
        Layout.preferredWidth: 200
        workspace: content.workspace
    }
    ColumnLayout {
        Layout.fillWidth: true
        Layout.fillHeight: true
        spacing: 0

        TopBar {
            Layout.fillWidth: true
            workspace: content.workspace
        }
        Divider {}
        // Each section is built when it is chosen: layouts inside hidden items can miss the
        // changes of their texts, and a fresh section always starts laid out.
        Loader {
            objectName: "sectionContent"
            Layout.fillWidth: true
            Layout.fillHeight: true
            // While a workflow runs nothing in the section reacts; the frame stays live.
            enabled: !content.workspace.busy
            sourceComponent: [organize, savedLayouts, connection, activity][
                content.workspace.sections.indexOf(content.workspace.section)] ?? null
        }
        Component {
            id: organize
            OrganizeSection {
                objectName: "organizeSection"
                workspace: content.workspace
            }
        }
        Component {
            id: savedLayouts
            SavedLayoutsSection {
                objectName: "savedLayoutsSection"
                workspace: content.workspace
            }
        }
        Component {
            id: connection
            ConnectionSection {
                objectName: "connectionSection"
                workspace: content.workspace
            }
        }
        Component {
            id: activity
            Item {
                objectName: "activitySection"
                ActivitySection {
                    anchors.fill: parent
                    anchors.margins: 32
                    workspace: content.workspace
                }
            }
        }
        StatusBar {
            objectName: "statusBar"
            Layout.fillWidth: true
            workspace: content.workspace
        }
    }
}

import QtQuick
import Varnolet

// A stylised iPhone Home Screen showing one page of a layout, its page dots and its Dock.
// `pages` is the layout's list of pages, page 0 the Dock; an empty list draws an empty phone.
Item {
    id: phone

    required property var pages
    required property int page
    // The model while the proposal may be edited by hand; null otherwise.
    property var workspace: null
    property Item previousArrow: null
    property Item nextArrow: null
    property int pageCount: Math.max(1, pages.length - 1)
    readonly property var pageItems: page >= 0 && page < pages.length ? pages[page] : []

    implicitWidth: 264
    implicitHeight: 518

    SoftShadow {
        radius: 36
        blur: 18
        offsetY: 10
        color: Qt.rgba(0, 0, 0, 0.3)
    }
    ContinuousRect {
        anchors.fill: parent
        radius: 36
        gradient: [Qt.rgba(0.09, 0.23, 0.26, 1), Qt.rgba(0.075, 0.12, 0.19, 1),
                   Qt.rgba(0.13, 0.13, 0.23, 1)]
    }

    Column {
        anchors.fill: parent

        Item {
            width: parent.width
            height: 12 + 21 + 25
            PhoneStatusRow {
                x: 16
                y: 12
                width: parent.width - 32
                height: 21
            }
        }
        Flickable {
            id: pageArea
            objectName: "pageGrid"
            width: parent.width
            height: phone.height - 58 - dots.height - 30 - dock.height - 21
            contentHeight: grid.implicitHeight + 4
            clip: true
            boundsBehavior: Flickable.StopAtBounds

            Grid {
                id: grid
                x: 12
                y: 4
                columns: 4
                columnSpacing: 8
                rowSpacing: 15
                Repeater {
                    model: phone.pageItems
                    PreviewItem {
                        required property var modelData
                        required property int index
                        item: modelData
                        page: phone.page
                        position: index
                        editor: previewEditor
                        width: (phone.width - 24 - 3 * 8) / 4
                    }
                }
            }
        }
        Item {
            width: parent.width
            height: dots.height + 30
            PageDots {
                id: dots
                anchors.centerIn: parent
                pageCount: phone.pageCount
                page: phone.page
            }
        }
        PhoneDock {
            id: dock
            objectName: "dock"
            x: 8
            width: parent.width - 16
            items: phone.pages.length > 0 ? phone.pages[0] : []
            editor: previewEditor
        }
        Item {
            width: parent.width
            height: 21
            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                y: 11
                width: 85
                height: 3
                radius: 1.5
                color: Qt.rgba(1, 1, 1, 0.7)
            }
        }
    }

    PreviewEditor {
        id: previewEditor
        anchors.fill: parent
        workspace: phone.workspace
        pageView: pageArea
        pageGrid: grid
        dockShelf: dock
        page: phone.page
        previousArrow: phone.previousArrow
        nextArrow: phone.nextArrow
    }

    // The inner stroke lies over everything, as the phone's edge.
    ContinuousRect {
        anchors.fill: parent
        radius: 36
        strokeColor: Qt.rgba(1, 1, 1, 0.15)
        strokeWidth: 5
    }
}

import QtQuick
import QtQuick.Layouts
import Varnolet

// One side of a comparison: its label, its phone preview and its own page navigator.
ColumnLayout {
    id: side

    required property string label
    required property var pages
    required property int page
    required property int pageCount
    signal pageRequested(int page)

    spacing: 12

    StyledText {
        objectName: "comparisonLabel"
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 280
        text: side.label
        font.pixelSize: 12
        font.weight: Font.DemiBold
        color: "white"
        elide: Text.ElideRight
    }
    PhonePreview {
        objectName: "comparisonPreview"
        Layout.alignment: Qt.AlignHCenter
        pages: side.pages
        page: side.page
        pageCount: side.pageCount
    }
    RowLayout {
        Layout.alignment: Qt.AlignHCenter
        spacing: 0
        PlainIconButton {
            symbol: "chevron.left"
            symbolWeight: "semibold"
            symbolSize: 12
            Accessible.name: "Previous page"
            enabled: side.page >= 2
            onClicked: side.pageRequested(side.page - 1)
        }
        StyledText {
            Layout.preferredWidth: 106
            text: "Page " + side.page + " of " + side.pageCount
            font.pixelSize: 11
            color: Theme.muted
            horizontalAlignment: Text.AlignHCenter
        }
        PlainIconButton {
            objectName: "comparisonNextPage"
            symbol: "chevron.right"
            symbolWeight: "semibold"
            symbolSize: 12
            Accessible.name: "Next page"
            enabled: side.page < side.pageCount
            onClicked: side.pageRequested(side.page + 1)
        }
    }
}

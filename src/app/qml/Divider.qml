import QtQuick
import QtQuick.Layouts

Rectangle {
    implicitHeight: 1
    Layout.fillWidth: true
    color: Qt.rgba(1, 1, 1, 0.08)
}

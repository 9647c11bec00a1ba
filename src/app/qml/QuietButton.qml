import QtQuick

ButtonFace {
    accent: false
}

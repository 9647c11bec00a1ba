import QtQuick

ButtonFace {
    accent: true
}

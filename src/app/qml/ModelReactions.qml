import QtQuick
import Varnolet

// What the window does when the model changes: a new option rebuilds the proposal, another phone
// is reported to the model, and switching between Original and Proposed starts at page 1.
Connections {
    required property VarnoletModel workspace

    target: workspace

    function onStyleChanged() { workspace.rebuild() }
    function onKeepDockChanged() { workspace.rebuild() }
    function onKeepFirstPageChanged() { workspace.rebuild() }
    function onPageCapacityChanged() { workspace.rebuild() }
    function onSelectedDeviceIDChanged() { workspace.selectionChanged() }
    function onShowOriginalChanged() { workspace.selectedPage = 1 }
}

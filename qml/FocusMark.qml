import QtQuick 2.4

// Where the keyboard is: a frame around the focused control's text, drawn by the window itself
// so that it looks alike in every build.
Rectangle {
    objectName: "focusMark"
    anchors.fill: parent
    anchors.margins: -2
    color: "transparent"
    border.color: "#2a62b8"
    radius: 2
}

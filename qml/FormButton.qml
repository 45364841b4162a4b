import QtQuick 2.4
import QtQuick.Controls 1.3
import QtQuick.Controls.Styles 1.3
import "face.js" as Face

// One of the window's three buttons. Return and Enter press the focused one, as on Windows;
// Space already does.
Button {
    width: 100
    height: 35
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    style: ButtonStyle {
        label: Text {
            text: control.text
            font.family: Face.family
            wrapMode: Text.WordWrap
            verticalAlignment: Text.AlignVCenter
            horizontalAlignment: Text.AlignHCenter
            anchors.fill: parent

            FocusMark {
                anchors.margins: 1
                visible: control.activeFocus
            }
        }
    }
}

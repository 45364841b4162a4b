import QtQuick 2.4
import QtQuick.Controls 1.3
import QtQuick.Controls.Styles 1.3
import "face.js" as Face

// One of the window's ten check boxes: "checkBox<slot>", labelled by "checkBoxText<slot>".
CheckBox {
    property int slot
    objectName: "checkBox" + slot
    // A long name ends in "…" at the column's edge; its label's text stays whole.
    width: Math.min(implicitWidth, parent.width)
    visible: false
    checked: false
    style: CheckBoxStyle {
        label: Text {
            objectName: "checkBoxText" + control.slot
            text: "Check Box"
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            font.pixelSize: 14
            font.family: Face.family
            elide: Text.ElideRight

            FocusMark {
                visible: control.activeFocus
            }
        }
    }
}

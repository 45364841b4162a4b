import QtQuick 2.4
import QtQuick.Controls 1.3
import QtQuick.Layouts 1.1

ApplicationWindow {
    width: 860
    height: 570
    visible: true
    title: "Ten check boxes"

    ColumnLayout {
        anchors.fill: parent
        Repeater {
            model: 10
            CheckBox {
                text: "Product " + (index + 1)
                checked: true
            }
        }
    }
}

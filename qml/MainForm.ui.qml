import QtQuick 2.4
import QtQuick.Controls 1.3
import QtQuick.Controls.Styles 1.3
import QtQuick.Layouts 1.1
import com.corvane.Qt.wrapperui 1.0
import "face.js" as Face

Item {
    id: form
    width: 860
    height: 570

    property alias buttonExit: buttonExit
    property alias buttonDownload: buttonDownload
    property alias buttonInstall: buttonInstall
    property alias checkBox1: checkBox1
    property alias checkBox2: checkBox2
    property alias checkBox3: checkBox3
    property alias checkBox4: checkBox4
    property alias checkBox5: checkBox5
    property alias checkBox6: checkBox6
    property alias checkBox7: checkBox7
    property alias checkBox8: checkBox8
    property alias checkBox9: checkBox9
    property alias checkBox10: checkBox10

    Image {
        id: imageCorvane
        x: 0
        y: 500
        width: 160
        height: 70
        z: 2
        sourceSize.width: 160
        sourceSize.height: 70
        source: "images/Corvane_white.png"
    }

    Image {
        id: imageBackground
        x: 0
        y: 0
        width: 860
        height: 500
        source: "images/Background.png"

        Rectangle {
            id: rectangle2
            x: -23
            y: 24
            width: 500
            height: 453
            rotation: -90
            gradient: Gradient {
                GradientStop {
                    position: 0.745
                    color: "#ffffff"
                }
                GradientStop {
                    position: 1
                    color: "#00000000"
                }
            }
            scale: 1
            antialiasing: false
            opacity: 0.8
        }

        Column {
            id: checkBoxHolder
            objectName: "checkBoxHolder"
            x: 24
            y: 21
            width: 407
            height: 455
            spacing: 25

            ProductCheckBox {
                id: checkBox1
                slot: 1
            }

            ProductCheckBox {
                id: checkBox2
                slot: 2
            }

            ProductCheckBox {
                id: checkBox3
                slot: 3
            }

            ProductCheckBox {
                id: checkBox4
                slot: 4
            }

            ProductCheckBox {
                id: checkBox5
                slot: 5
            }

            ProductCheckBox {
                id: checkBox6
                slot: 6
            }

            ProductCheckBox {
                id: checkBox7
                slot: 7
            }

            ProductCheckBox {
                id: checkBox8
                slot: 8
            }

            ProductCheckBox {
                id: checkBox9
                slot: 9
            }

            ProductCheckBox {
                id: checkBox10
                slot: 10
            }
        }

        // A long report scrolls: the bar appears only when the report is longer than the area.
        // The area takes the column's place, so that it never catches the check boxes' clicks.
        ScrollView {
            id: feedbackArea
            objectName: "feedbackArea"
            x: 24
            y: 21
            width: 407
            height: 455
            visible: !checkBoxHolder.visible
            horizontalScrollBarPolicy: Qt.ScrollBarAlwaysOff

            Text {
                id: feedbackText
                objectName: "feedbackText"
                width: feedbackArea.viewport.width
                font.family: Face.family
                font.pixelSize: 14
                rotation: 0
                visible: false
                // Long names and addresses break anywhere rather than run over the picture.
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                // The report takes the focus as it replaces the status line, so that a screen
                // reader reads it; Tab goes on to Exit.
                readonly property bool isReport: visible && !mainProgressBar.visible
                onIsReportChanged: if (isReport) forceActiveFocus()
            }
        }
    }

    Rectangle {
        id: rectangle1
        x: 0
        y: 500
        width: 860
        height: 70
        color: "#ffffff"
        z: -3
    }

    FormButton {
        id: buttonInstall
        objectName: "buttonInstall"
        x: 542
        y: 518
        enabled: false
        isDefault: true
    }

    FormButton {
        id: buttonDownload
        objectName: "buttonDownload"
        x: 647
        y: 518
    }

    FormButton {
        id: buttonExit
        objectName: "buttonExit"
        x: 752
        y: 518
    }

    ProgressBar {
        id: mainProgressBar
        objectName: "mainProgressBar"
        anchors.horizontalCenter: rectangle1.horizontalCenter
        anchors.horizontalCenterOffset: -79
        y: 526
        width: 360
        height: 18
        clip: false
        visible: false
        indeterminate: true
        // Qt 5 gives a Qt Quick bar no value interface for a screen reader, but announces a
        // change of its name: the name is the share done, empty while the bar moves without one.
        Accessible.name: indeterminate ? "" : Math.round(value * 100) + "%"
    }
}

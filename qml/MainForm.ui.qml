import QtQuick 2.4
import QtQuick.Controls 1.3
import QtQuick.Controls.Styles 1.3
import QtQuick.Layouts 1.1
import com.corvane.Qt.wrapperui 1.0

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

            CheckBox {
                id: checkBox1
                objectName: "checkBox1"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText1"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox2
                objectName: "checkBox2"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText2"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox3
                objectName: "checkBox3"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText3"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox4
                objectName: "checkBox4"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText4"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox5
                objectName: "checkBox5"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText5"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox6
                objectName: "checkBox6"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText6"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox7
                objectName: "checkBox7"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText7"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox8
                objectName: "checkBox8"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText8"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox9
                objectName: "checkBox9"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText9"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
            }

            CheckBox {
                id: checkBox10
                objectName: "checkBox10"
                // A long name ends in "…" at the column's edge; its label's text stays whole.
                width: Math.min(implicitWidth, checkBoxHolder.width)
                visible: false
                checked: false
                style: CheckBoxStyle {
                    label: Text {
                        objectName: "checkBoxText10"
                        text: "Check Box"
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        font.pixelSize: 14
                        font.family: "Verdana"
                        elide: Text.ElideRight
                    }
                }
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
                font.family: "Verdana"
                font.pixelSize: 14
                rotation: 0
                visible: false
                // Long names and addresses break anywhere rather than run over the picture.
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                Accessible.role: Accessible.StaticText
                Accessible.name: text
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

    Button {
        id: buttonInstall
        objectName: "buttonInstall"
        x: 542
        y: 518
        width: 100
        height: 35
        enabled: false
        isDefault: true
        style: ButtonStyle {
            label: Text {
                text: control.text
                wrapMode: Text.WordWrap
                verticalAlignment: Text.AlignVCenter
                horizontalAlignment: Text.AlignHCenter
                anchors.fill: parent
            }
        }
    }

    Button {
        id: buttonDownload
        objectName: "buttonDownload"
        x: 647
        y: 518
        width: 100
        height: 35
        style: ButtonStyle {
            label: Text {
                text: control.text
                wrapMode: Text.WordWrap
                verticalAlignment: Text.AlignVCenter
                horizontalAlignment: Text.AlignHCenter
                anchors.fill: parent
            }
        }
    }

    Button {
        id: buttonExit
        objectName: "buttonExit"
        x: 752
        y: 518
        width: 100
        height: 35
        style: ButtonStyle {
            label: Text {
                text: control.text
                wrapMode: Text.WordWrap
                verticalAlignment: Text.AlignVCenter
                horizontalAlignment: Text.AlignHCenter
                anchors.fill: parent
            }
        }
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
    }
}

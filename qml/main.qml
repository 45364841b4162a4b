import QtQuick 2.4
import QtQuick.Controls 1.3
import QtQuick.Window 2.2
import QtQuick.Dialogs 1.2
import com.corvane.Qt.install 1.0
import com.corvane.Qt.download 1.0
import com.corvane.Qt.wrapperui 1.0

ApplicationWindow {
    id: mainWindow
    title: qsTr("Updates")
    width: 860
    height: 570
    // The hint keeps the size fixed on Windows; the limits do so everywhere else.
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    visible: true
    flags: Qt.Window | Qt.MSWindowsFixedSizeDialogHint

    WrapperUI {
        id: wrapperui
    }

    Install {
        id: install
    }

    Download {
        id: download
    }

    MainForm {
        width: 876
        height: 640
        anchors.fill: parent

        buttonInstall.text: qsTr("Install")
        buttonDownload.text: qsTr("Download All")
        buttonExit.text: qsTr("Exit")

        buttonInstall.onClicked: install.execute(mainWindow)
        buttonDownload.onClicked: download.execute(mainWindow)
        buttonExit.onClicked: Qt.quit()
        checkBox1.onClicked: wrapperui.checkBoxClicked(checkBox1, mainWindow, 1)
        checkBox2.onClicked: wrapperui.checkBoxClicked(checkBox2, mainWindow, 2)
        checkBox3.onClicked: wrapperui.checkBoxClicked(checkBox3, mainWindow, 3)
        checkBox4.onClicked: wrapperui.checkBoxClicked(checkBox4, mainWindow, 4)
        checkBox5.onClicked: wrapperui.checkBoxClicked(checkBox5, mainWindow, 5)
        checkBox6.onClicked: wrapperui.checkBoxClicked(checkBox6, mainWindow, 6)
        checkBox7.onClicked: wrapperui.checkBoxClicked(checkBox7, mainWindow, 7)
        checkBox8.onClicked: wrapperui.checkBoxClicked(checkBox8, mainWindow, 8)
        checkBox9.onClicked: wrapperui.checkBoxClicked(checkBox9, mainWindow, 9)
        checkBox10.onClicked: wrapperui.checkBoxClicked(checkBox10, mainWindow, 10)
    }
}

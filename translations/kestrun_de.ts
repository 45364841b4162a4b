<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Download</name>
    <message>
        <source>Downloading all files...</source>
        <translation>Alle Dateien werden heruntergeladen...</translation>
    </message>
    <message>
        <source>All files have been downloaded to the following location.</source>
        <translation>Alle Dateien wurden an den folgenden Ort heruntergeladen.</translation>
    </message>
    <message>
        <source>The following files could not be downloaded.</source>
        <translation>Die folgenden Dateien konnten nicht heruntergeladen werden.</translation>
    </message>
    <message>
        <source>Downloaded files are in the following location.</source>
        <translation>Heruntergeladene Dateien befinden sich am folgenden Ort.</translation>
    </message>
</context>
<context>
    <name>Install</name>
    <message>
        <source>Successfully installed the following products.</source>
        <translation>Die folgenden Produkte wurden erfolgreich installiert.</translation>
    </message>
    <message>
        <source>Failed to install the following products.</source>
        <translation>Die folgenden Produkte konnten nicht installiert werden.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Updates</source>
        <translation>Aktualisierungen</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Download All</source>
        <translation>Alle herunterladen</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
</context>
</TS>

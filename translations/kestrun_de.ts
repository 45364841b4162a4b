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
    <message>
        <source>Checking the packages already downloaded...</source>
        <translation>Die bereits heruntergeladenen Pakete werden geprüft...</translation>
    </message>
    <message>
        <source>Downloading file %1 of %2 (%3)</source>
        <translation>Datei %1 von %2 wird heruntergeladen (%3)</translation>
    </message>
    <message>
        <source>Downloading file %1 of %2 (%3 of %4)</source>
        <translation>Datei %1 von %2 wird heruntergeladen (%3 von %4)</translation>
    </message>
    <message>
        <source>not found on the server (HTTP 404)</source>
        <translation>auf dem Server nicht gefunden (HTTP 404)</translation>
    </message>
    <message>
        <source>the server answered HTTP %1</source>
        <translation>der Server antwortete mit HTTP %1</translation>
    </message>
    <message>
        <source>the server could not be found</source>
        <translation>der Server wurde nicht gefunden</translation>
    </message>
    <message>
        <source>the server refused the connection</source>
        <translation>der Server hat die Verbindung abgelehnt</translation>
    </message>
    <message>
        <source>the proxy asked for a sign-in</source>
        <translation>der Proxy verlangt eine Anmeldung</translation>
    </message>
    <message>
        <source>the server&apos;s redirection was refused</source>
        <translation>die Weiterleitung des Servers wurde abgelehnt</translation>
    </message>
    <message>
        <source>the connection failed</source>
        <translation>die Verbindung ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>the connection broke off</source>
        <translation>die Verbindung ist abgebrochen</translation>
    </message>
    <message>
        <source>the server sent no data</source>
        <translation>der Server hat keine Daten gesendet</translation>
    </message>
    <message>
        <source>the file could not be written to the disk</source>
        <translation>die Datei konnte nicht auf den Datenträger geschrieben werden</translation>
    </message>
    <message>
        <source>digest mismatch (expected %1, received %2)</source>
        <translation>Prüfsumme stimmt nicht überein (erwartet %1, erhalten %2)</translation>
    </message>
    <message>
        <source>the package does not match the digest in the configuration</source>
        <translation>das Paket stimmt nicht mit der Prüfsumme in der Konfiguration überein</translation>
    </message>
    <message>
        <source>the file name cannot be stored</source>
        <translation>der Dateiname kann nicht gespeichert werden</translation>
    </message>
    <message>
        <source>the file is not there</source>
        <translation>die Datei ist nicht vorhanden</translation>
    </message>
    <message>
        <source>no progress for 1 second</source>
        <translation>1 Sekunde lang kein Fortschritt</translation>
    </message>
    <message>
        <source>no progress for %1 seconds</source>
        <translation>%1 Sekunden lang kein Fortschritt</translation>
    </message>
    <message>
        <source>All files are in the following locations.</source>
        <translation>Alle Dateien befinden sich an den folgenden Orten.</translation>
    </message>
    <message>
        <source>The other files are in the following locations.</source>
        <translation>Die übrigen Dateien befinden sich an den folgenden Orten.</translation>
    </message>
    <message>
        <source>the digest could not be fetched (%1)</source>
        <translation>die Prüfsumme konnte nicht abgerufen werden (%1)</translation>
    </message>
    <message>
        <source>another product&apos;s package has the same file name, %1</source>
        <translation>das Paket eines anderen Produkts hat denselben Dateinamen, %1</translation>
    </message>
    <message>
        <source>the file is larger than 64 KiB</source>
        <translation>die Datei ist größer als 64 KiB</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>not enough disk space: needs %1, %2 free</source>
        <translation>nicht genug Speicherplatz: %1 nötig, %2 frei</translation>
    </message>
    <message>
        <source>its path is too long for Windows (%1 characters, at most 259)</source>
        <translation>der Pfad ist für Windows zu lang (%1 Zeichen, höchstens 259)</translation>
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
    <message>
        <source>Removing the previous version of %1</source>
        <translation>Die vorherige Version von %1 wird entfernt</translation>
    </message>
    <message>
        <source>Installing %1 (%2 of %3)</source>
        <translation>%1 wird installiert (%2 von %3)</translation>
    </message>
    <message>
        <source>cancelled by the user</source>
        <translation>vom Benutzer abgebrochen</translation>
    </message>
    <message>
        <source>fatal error during installation</source>
        <translation>schwerwiegender Fehler bei der Installation</translation>
    </message>
    <message>
        <source>another installation is in progress</source>
        <translation>eine andere Installation wird gerade ausgeführt</translation>
    </message>
    <message>
        <source>the package could not be opened</source>
        <translation>das Paket konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>forbidden by system policy</source>
        <translation>durch eine Systemrichtlinie verboten</translation>
    </message>
    <message>
        <source>another version is already installed</source>
        <translation>eine andere Version ist bereits installiert</translation>
    </message>
    <message>
        <source>exit code %1</source>
        <translation>Exitcode %1</translation>
    </message>
    <message>
        <source>%1 (exit code %2)</source>
        <translation>%1 (Exitcode %2)</translation>
    </message>
    <message>
        <source>this type of file cannot be run</source>
        <translation>dieser Dateityp kann nicht ausgeführt werden</translation>
    </message>
    <message>
        <source>the program could not be started</source>
        <translation>das Programm konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>the package changed after it was checked</source>
        <translation>das Paket wurde nach der Prüfung verändert</translation>
    </message>
    <message>
        <source>the package&apos;s signature is not valid</source>
        <translation>die Signatur des Pakets ist ungültig</translation>
    </message>
    <message>
        <source>the package is not signed</source>
        <translation>das Paket ist nicht signiert</translation>
    </message>
    <message>
        <source>signed by %1, not by %2</source>
        <translation>signiert von %1, nicht von %2</translation>
    </message>
    <message>
        <source>the signature cannot be checked on this system</source>
        <translation>die Signatur kann auf diesem System nicht geprüft werden</translation>
    </message>
    <message>
        <source>administrator rights were refused</source>
        <translation>Administratorrechte wurden verweigert</translation>
    </message>
    <message>
        <source>the install needs administrator rights (exit code %1)</source>
        <translation>die Installation benötigt Administratorrechte (Exitcode %1)</translation>
    </message>
    <message>
        <source>the package is in use by another program</source>
        <translation>das Paket wird von einem anderen Programm verwendet</translation>
    </message>
    <message>
        <source>the older version could not be removed: another installation is in progress</source>
        <translation>die ältere Version konnte nicht entfernt werden: eine andere Installation läuft</translation>
    </message>
    <message>
        <source>not started: Windows is restarting</source>
        <translation>nicht gestartet: Windows wird neu gestartet</translation>
    </message>
    <message>
        <source>installed; Windows must restart to finish (exit code %1)</source>
        <translation>installiert; Windows muss zum Abschluss neu gestartet werden (Exitcode %1)</translation>
    </message>
    <message>
        <source>Waiting for another installation to finish: %1, try %2 of %3</source>
        <translation>Warten auf das Ende einer anderen Installation: %1, Versuch %2 von %3</translation>
    </message>
    <message>
        <source>Restart Windows to finish installing.</source>
        <translation>Starten Sie Windows neu, um die Installation abzuschließen.</translation>
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

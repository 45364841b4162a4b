<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Download</name>
    <message>
        <source>Downloading all files...</source>
        <translation>Téléchargement de tous les fichiers...</translation>
    </message>
    <message>
        <source>All files have been downloaded to the following location.</source>
        <translation>Tous les fichiers ont été téléchargés à l'emplacement suivant.</translation>
    </message>
    <message>
        <source>The following files could not be downloaded.</source>
        <translation>Les fichiers suivants n'ont pas pu être téléchargés.</translation>
    </message>
    <message>
        <source>Downloaded files are in the following location.</source>
        <translation>Les fichiers téléchargés se trouvent à l'emplacement suivant.</translation>
    </message>
</context>
<context>
    <name>Install</name>
    <message>
        <source>Successfully installed the following products.</source>
        <translation>Les produits suivants ont été installés avec succès.</translation>
    </message>
    <message>
        <source>Failed to install the following products.</source>
        <translation>L'installation des produits suivants a échoué.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Updates</source>
        <translation>Mises à jour</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installer</translation>
    </message>
    <message>
        <source>Download All</source>
        <translation>Tout télécharger</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
</context>
</TS>

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
        <translation>Tous les fichiers ont été téléchargés à l&apos;emplacement suivant.</translation>
    </message>
    <message>
        <source>The following files could not be downloaded.</source>
        <translation>Les fichiers suivants n&apos;ont pas pu être téléchargés.</translation>
    </message>
    <message>
        <source>Downloaded files are in the following location.</source>
        <translation>Les fichiers téléchargés se trouvent à l&apos;emplacement suivant.</translation>
    </message>
    <message>
        <source>Checking the packages already downloaded...</source>
        <translation>Vérification des paquets déjà téléchargés...</translation>
    </message>
    <message>
        <source>Downloading file %1 of %2 (%3)</source>
        <translation>Téléchargement du fichier %1 sur %2 (%3)</translation>
    </message>
    <message>
        <source>Downloading file %1 of %2 (%3 of %4)</source>
        <translation>Téléchargement du fichier %1 sur %2 (%3 sur %4)</translation>
    </message>
    <message>
        <source>not found on the server (HTTP 404)</source>
        <translation>introuvable sur le serveur (HTTP 404)</translation>
    </message>
    <message>
        <source>the server answered HTTP %1</source>
        <translation>le serveur a répondu HTTP %1</translation>
    </message>
    <message>
        <source>the server could not be found</source>
        <translation>le serveur est introuvable</translation>
    </message>
    <message>
        <source>the server refused the connection</source>
        <translation>le serveur a refusé la connexion</translation>
    </message>
    <message>
        <source>the proxy asked for a sign-in</source>
        <translation>le proxy a demandé une authentification</translation>
    </message>
    <message>
        <source>the server&apos;s redirection was refused</source>
        <translation>la redirection du serveur a été refusée</translation>
    </message>
    <message>
        <source>the connection failed</source>
        <translation>la connexion a échoué</translation>
    </message>
    <message>
        <source>the connection broke off</source>
        <translation>la connexion a été interrompue</translation>
    </message>
    <message>
        <source>the server sent no data</source>
        <translation>le serveur n&apos;a envoyé aucune donnée</translation>
    </message>
    <message>
        <source>the file could not be written to the disk</source>
        <translation>le fichier n&apos;a pas pu être écrit sur le disque</translation>
    </message>
    <message>
        <source>digest mismatch (expected %1, received %2)</source>
        <translation>somme de contrôle différente (attendue %1, reçue %2)</translation>
    </message>
    <message>
        <source>the package does not match the digest in the configuration</source>
        <translation>le paquet ne correspond pas à la somme de contrôle de la configuration</translation>
    </message>
    <message>
        <source>the file name cannot be stored</source>
        <translation>le nom du fichier ne peut pas être enregistré</translation>
    </message>
    <message>
        <source>the file is not there</source>
        <translation>le fichier est absent</translation>
    </message>
    <message>
        <source>no progress for 1 second</source>
        <translation>aucune progression pendant 1 seconde</translation>
    </message>
    <message>
        <source>no progress for %1 seconds</source>
        <translation>aucune progression pendant %1 secondes</translation>
    </message>
    <message>
        <source>All files are in the following locations.</source>
        <translation>Tous les fichiers se trouvent aux emplacements suivants.</translation>
    </message>
    <message>
        <source>The other files are in the following locations.</source>
        <translation>Les autres fichiers se trouvent aux emplacements suivants.</translation>
    </message>
    <message>
        <source>the digest could not be fetched (%1)</source>
        <translation>la somme de contrôle n&apos;a pas pu être récupérée (%1)</translation>
    </message>
    <message>
        <source>another product&apos;s package has the same file name, %1</source>
        <translation>le paquet d&apos;un autre produit porte le même nom de fichier, %1</translation>
    </message>
    <message>
        <source>the file is larger than 64 KiB</source>
        <translation>le fichier dépasse 64 Kio</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>le disque est plein</translation>
    </message>
    <message>
        <source>not enough disk space: needs %1, %2 free</source>
        <translation>espace disque insuffisant : %1 nécessaires, %2 libres</translation>
    </message>
    <message>
        <source>its path is too long for Windows (%1 characters, at most 259)</source>
        <translation>son chemin est trop long pour Windows (%1 caractères, 259 au plus)</translation>
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
        <translation>L&apos;installation des produits suivants a échoué.</translation>
    </message>
    <message>
        <source>Removing the previous version of %1</source>
        <translation>Suppression de la version précédente de %1</translation>
    </message>
    <message>
        <source>Installing %1 (%2 of %3)</source>
        <translation>Installation de %1 (%2 sur %3)</translation>
    </message>
    <message>
        <source>cancelled by the user</source>
        <translation>annulé par l&apos;utilisateur</translation>
    </message>
    <message>
        <source>fatal error during installation</source>
        <translation>erreur fatale pendant l&apos;installation</translation>
    </message>
    <message>
        <source>another installation is in progress</source>
        <translation>une autre installation est en cours</translation>
    </message>
    <message>
        <source>the package could not be opened</source>
        <translation>le package n&apos;a pas pu être ouvert</translation>
    </message>
    <message>
        <source>forbidden by system policy</source>
        <translation>interdit par la stratégie système</translation>
    </message>
    <message>
        <source>another version is already installed</source>
        <translation>une autre version est déjà installée</translation>
    </message>
    <message>
        <source>exit code %1</source>
        <translation>code de sortie %1</translation>
    </message>
    <message>
        <source>%1 (exit code %2)</source>
        <translation>%1 (code de sortie %2)</translation>
    </message>
    <message>
        <source>this type of file cannot be run</source>
        <translation>ce type de fichier ne peut pas être exécuté</translation>
    </message>
    <message>
        <source>the program could not be started</source>
        <translation>le programme n&apos;a pas pu être démarré</translation>
    </message>
    <message>
        <source>the package changed after it was checked</source>
        <translation>le paquet a été modifié après sa vérification</translation>
    </message>
    <message>
        <source>the package&apos;s signature is not valid</source>
        <translation>la signature du paquet n&apos;est pas valide</translation>
    </message>
    <message>
        <source>the package is not signed</source>
        <translation>le paquet n&apos;est pas signé</translation>
    </message>
    <message>
        <source>signed by %1, not by %2</source>
        <translation>signé par %1, et non par %2</translation>
    </message>
    <message>
        <source>the signature cannot be checked on this system</source>
        <translation>la signature ne peut pas être vérifiée sur ce système</translation>
    </message>
    <message>
        <source>administrator rights were refused</source>
        <translation>les droits d&apos;administrateur ont été refusés</translation>
    </message>
    <message>
        <source>the install needs administrator rights (exit code %1)</source>
        <translation>l&apos;installation nécessite des droits d&apos;administrateur (code de sortie %1)</translation>
    </message>
    <message>
        <source>the package is in use by another program</source>
        <translation>le paquet est utilisé par un autre programme</translation>
    </message>
    <message>
        <source>the older version could not be removed: another installation is in progress</source>
        <translation>l&apos;ancienne version n&apos;a pas pu être supprimée : une autre installation est en cours</translation>
    </message>
    <message>
        <source>not started: Windows is restarting</source>
        <translation>non lancé : Windows redémarre</translation>
    </message>
    <message>
        <source>installed; Windows must restart to finish (exit code %1)</source>
        <translation>installé ; Windows doit redémarrer pour terminer (code de sortie %1)</translation>
    </message>
    <message>
        <source>Waiting for another installation to finish: %1, try %2 of %3</source>
        <translation>En attente de la fin d&apos;une autre installation : %1, essai %2 sur %3</translation>
    </message>
    <message>
        <source>Restart Windows to finish installing.</source>
        <translation>Redémarrez Windows pour terminer l&apos;installation.</translation>
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

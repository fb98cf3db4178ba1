<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Batch</name>
    <message>
        <location filename="../../src/batch/batch.cpp" line="+40"/>
        <source>stopped before its update began; nothing was written to it</source>
        <translation>arrêtée avant le début de sa mise à jour ; rien n&apos;y a été écrit</translation>
    </message>
    <message>
        <location line="+289"/>
        <source>0 updated</source>
        <extracomment>No unit of the run updated</extracomment>
        <translation>0 mise à jour</translation>
    </message>
    <message>
        <location filename="../../src/batch/unitchoice.cpp" line="+115"/>
        <source>no access to the port: add the user to its group &apos;%1&apos;, then log in again</source>
        <translation>pas d&apos;accès au port : ajoutez l&apos;utilisateur à son groupe &apos;%1&apos;, puis reconnectez-vous</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>the port is in use by another program</source>
        <translation>le port est utilisé par un autre programme</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the port went away</source>
        <translation>le port a disparu</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the port&apos;s open did not return (no answer)</source>
        <translation>l&apos;ouverture du port n&apos;a pas abouti (pas de réponse)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>the port could not be opened</source>
        <translation>le port n&apos;a pas pu être ouvert</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the port could not be opened (%1)</source>
        <translation>le port n&apos;a pas pu être ouvert (%1)</translation>
    </message>
    <message>
        <location filename="../../src/records/reportfile.cpp" line="+19"/>
        <source>%1: cannot be opened for appending (%2)</source>
        <translation>%1 : impossible d&apos;ouvrir en ajout (%2)</translation>
    </message>
    <message>
        <location filename="../../src/batch/unitchoice.cpp" line="-100"/>
        <source>%1 (%2)</source>
        <extracomment>A reason a unit was not updated, then how to get past it</extracomment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <location line="+189"/>
        <source>no gripper answered</source>
        <translation>aucune pince n&apos;a répondu</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>found in its ROM bootloader, where it cannot tell its type</source>
        <translation>trouvée dans son bootloader ROM, où elle ne peut pas indiquer son type</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>a unit without working firmware cannot tell its type</source>
        <translation>une unité sans firmware fonctionnel ne peut pas indiquer son type</translation>
    </message>
    <message numerus="yes">
        <location filename="../../src/batch/batch.cpp" line="-12"/>
        <source>%n updated</source>
        <extracomment>The run&apos;s count of units (grippers) that ended so, joined as in &quot;3 updated, 1 failed&quot;</extracomment>
        <translation>
            <numerusform>%n mise à jour</numerusform>
            <numerusform>%n mises à jour</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n up to date</source>
        <translation>
            <numerusform>%n déjà à jour</numerusform>
            <numerusform>%n déjà à jour</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n not updated</source>
        <translation>
            <numerusform>%n non mise à jour</numerusform>
            <numerusform>%n non mises à jour</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n failed</source>
        <translation>
            <numerusform>%n en échec</numerusform>
            <numerusform>%n en échec</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n given up</source>
        <translation>
            <numerusform>%n abandonnée</numerusform>
            <numerusform>%n abandonnées</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+10"/>
        <source>; %n report line(s) not written</source>
        <translation>
            <numerusform>; %n ligne de rapport non écrite</numerusform>
            <numerusform>; %n lignes de rapport non écrites</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CarriedFirmware</name>
    <message>
        <location filename="../../src/update/carriedfirmware.cpp" line="+68"/>
        <source>Korvane Upgrader for firmware version %1</source>
        <translation>Korvane Upgrader pour la version de firmware %1</translation>
    </message>
</context>
<context>
    <name>DesktopApp</name>
    <message>
        <location filename="../../src/app/main.cpp" line="+15"/>
        <source>Updates the firmware of a Korvane gripper through a wizard.</source>
        <translation>Met à jour le firmware d&apos;une pince Korvane à l&apos;aide d&apos;un assistant.</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/main.cpp" line="+13"/>
        <source>Updates every Korvane gripper on the bench at once, in a window.</source>
        <translation>Met à jour toutes les pinces Korvane du banc à la fois, dans une fenêtre.</translation>
    </message>
</context>
<context>
    <name>DownloadRun</name>
    <message>
        <location filename="../../src/download/downloadrun.cpp" line="+22"/>
        <source>If the device is turned off, turn it on.<byte value="xd"/>
It might be necessary to retry the power cycle a few times in order for the bootloader to capture the signal.<byte value="xd"/>
 If you have problems, lower the latency of the virtual com port.</source>
        <translation>Si l&apos;appareil est éteint, allumez-le.<byte value="xd"/>
Il peut être nécessaire de répéter la coupure d&apos;alimentation plusieurs fois pour que le bootloader capte le signal.<byte value="xd"/>
 En cas de problème, réduisez la latence du port COM virtuel.</translation>
    </message>
    <message>
        <location line="+149"/>
        <source>Initializing the STM32 bootloader.</source>
        <translation>Initialisation du bootloader STM32.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The wizard is currently rebooting the gripper automatically.</source>
        <translation>L&apos;assistant redémarre automatiquement la pince.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Please turn the gripper back on. This will initiate the download procedure.</source>
        <translation>Veuillez rallumer la pince. La procédure de téléchargement va démarrer.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Erasing the main firmware flash sectors.</source>
        <translation>Effacement des secteurs flash du firmware principal.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The bootloader is ready to receive the new firmware.</source>
        <translation>Le bootloader est prêt à recevoir le nouveau firmware.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The wizard is currently downloading the new firmware.</source>
        <translation>L&apos;assistant télécharge le nouveau firmware.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The new firmware has been downloaded successfully.</source>
        <translation>Le nouveau firmware a été téléchargé avec succès.</translation>
    </message>
</context>
<context>
    <name>FlashTool</name>
    <message>
        <location filename="../../tools/korvane-flash/flashtool.cpp" line="+74"/>
        <source>%1: switch the unit off, then on again; the update starts when it answers</source>
        <translation>%1 : éteignez l&apos;unité puis rallumez-la ; la mise à jour démarre dès qu&apos;elle répond</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>two images for %1 given</source>
        <translation>deux images données pour %1</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>--type %1: not a gripper type code</source>
        <translation>--type %1 : pas un code de type de pince</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>--type %1: --type is for the STM32 kinds; a GS-family unit is found as such</source>
        <translation>--type %1 : --type concerne les modèles STM32 ; une unité de la famille GS est reconnue comme telle</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>%1 is not a serial port (&apos;korvane-flash list&apos; shows them)</source>
        <translation>%1 n&apos;est pas un port série (&apos;korvane-flash list&apos; les affiche)</translation>
    </message>
    <message>
        <location line="+82"/>
        <source>No gripper found.</source>
        <translation>Aucune pince trouvée.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Waiting for grippers to be plugged in; Ctrl-C stops.</source>
        <translation>En attente du branchement de pinces ; Ctrl-C arrête.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1: no gripper answered, left alone</source>
        <translation>%1 : aucune pince n&apos;a répondu, laissé tel quel</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-flash/console.cpp" line="+104"/>
        <location filename="../../tools/korvane-flash/flashtool.cpp" line="+13"/>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-flash/flashtool.cpp" line="+2"/>
        <source> (--force updates it anyway)</source>
        <translation> (--force la met à jour quand même)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1 was left in its bootloader</source>
        <translation>%1 est resté dans son bootloader</translation>
    </message>
    <message>
        <location line="-94"/>
        <source>%1: %2 would be updated to %3 (%4)</source>
        <translation>%1 : %2 serait mise à jour en %3 (%4)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1: %2 is up to date, would be left alone</source>
        <translation>%1 : %2 est à jour, serait laissée telle quelle</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1: %2 would not be updated: %3</source>
        <translation>%1 : %2 ne serait pas mise à jour : %3</translation>
    </message>
    <message>
        <location line="-96"/>
        <source>%1; no record of this run is kept</source>
        <translation>%1 ; aucun enregistrement de cette exécution n&apos;est conservé</translation>
    </message>
    <message>
        <location line="-55"/>
        <source>%1: the line for %2 could not be written (%3)</source>
        <translation>%1 : la ligne de %2 n&apos;a pas pu être écrite (%3)</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>PORT</source>
        <translation>PORT</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>KIND</source>
        <translation>MODÈLE</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>TYPE</source>
        <translation>TYPE</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>VERSION</source>
        <translation>VERSION</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>BOOTLOADER</source>
        <translation>BOOTLOADER</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>(no access)</source>
        <translation>(pas d&apos;accès)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(in use)</source>
        <translation>(occupé)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(gone)</source>
        <translation>(disparu)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(no answer)</source>
        <translation>(sans réponse)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(error)</source>
        <translation>(erreur)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source> (via K01)</source>
        <translation> (via K01)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>yes</source>
        <translation>oui</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>no</source>
        <translation>non</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>%1 is a serial port of the machine itself, where no gripper is looked for (&apos;korvane-flash list&apos; shows the gripper ports)</source>
        <translation>%1 est un port série de la machine elle-même, où aucune pince n&apos;est cherchée (&apos;korvane-flash list&apos; affiche les ports des pinces)</translation>
    </message>
    <message>
        <location line="-124"/>
        <source>--force installs it anyway</source>
        <translation>--force l&apos;installe quand même</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>give --type</source>
        <translation>donnez --type</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>--manual-reboot for a unit without working firmware</source>
        <translation>--manual-reboot pour une unité sans firmware fonctionnel</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>give one with --image %1-X.Y.Z.bin</source>
        <translation>donnez-en un avec --image %1-X.Y.Z.bin</translation>
    </message>
    <message numerus="yes">
        <location line="+269"/>
        <source>Stopping: %n unit(s) under way finish first; Ctrl-C again gives them up.</source>
        <translation>
            <numerusform>Arrêt : %n unité en cours termine d&apos;abord ; un second Ctrl-C l&apos;abandonne.</numerusform>
            <numerusform>Arrêt : %n unités en cours terminent d&apos;abord ; un second Ctrl-C les abandonne.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <location filename="../../tools/korvane-flash/historycommand.cpp" line="+23"/>
        <source>--since %1: not a date (2026-12-08, 2026-12-08T14:00)</source>
        <translation>--since %1 : pas une date (2026-12-08, 2026-12-08T14:00)</translation>
    </message>
    <message numerus="yes">
        <location line="+59"/>
        <source>%1: %n line(s) that are no record skipped</source>
        <translation>
            <numerusform>%1 : %n ligne ignorée, qui n&apos;est pas un enregistrement</numerusform>
            <numerusform>%1 : %n lignes ignorées, qui ne sont pas des enregistrements</numerusform>
        </translation>
    </message>
    <message>
        <location line="-49"/>
        <source>%1: no such file</source>
        <translation>%1 : fichier introuvable</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Time</source>
        <translation>Date</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Unit</source>
        <translation>Unité</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Versions</source>
        <translation>Versions</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Image</source>
        <translation>Image</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Host</source>
        <translation>Hôte</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>No record kept yet (%1).</source>
        <translation>Aucun enregistrement conservé pour l&apos;instant (%1).</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 holds no record.</source>
        <translation>%1 ne contient aucun enregistrement.</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%1: %n record(s), none that answers the question.</source>
        <translation>
            <numerusform>%1 : %n enregistrement, qui ne répond pas à la question.</numerusform>
            <numerusform>%1 : %n enregistrements, aucun ne répond à la question.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Options</name>
    <message>
        <location filename="../../tools/korvane-flash/options.cpp" line="+24"/>
        <source>list, plan: one JSON array instead of lines; update, watch: each unit&apos;s record as one JSON line, the other lines on standard error; history: the records as they are</source>
        <translation>list, plan : un tableau JSON au lieu de lignes ; update, watch : l&apos;enregistrement de chaque unité en une ligne JSON, les autres lignes sur la sortie d&apos;erreur ; history : les enregistrements tels quels</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>update, plan: every gripper found</source>
        <translation>update, plan : toutes les pinces trouvées</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>take FILE instead of the carried firmware for the grippers whose type code starts its name (GC3-1.7.0.bin for GC3); may be given once per type</source>
        <translation>utiliser FILE au lieu du firmware embarqué pour les pinces dont le code de type commence son nom (GC3-1.7.0.bin pour GC3) ; une fois par type</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>type code of the grippers that cannot report it: found in their ROM bootloader, or without working firmware (--manual-reboot)</source>
        <translation>code de type des pinces qui ne peuvent pas l&apos;indiquer : trouvées dans leur bootloader ROM, ou sans firmware fonctionnel (--manual-reboot)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>also update grippers already on that version, or on a newer one</source>
        <translation>mettre à jour aussi les pinces déjà à cette version ou à une version plus récente</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>for grippers without working firmware: wait for the user to switch each unit off and on again instead of asking it to reboot</source>
        <translation>pour les pinces sans firmware fonctionnel : attendre que l&apos;utilisateur éteigne et rallume chaque unité au lieu de lui demander de redémarrer</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>history: only records from DATE on, local time (2026-12-08 or 2026-12-08T14:00)</source>
        <translation>history : seulement les enregistrements à partir de DATE, en heure locale (2026-12-08 ou 2026-12-08T14:00)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the language of the messages (fr, de, en)</source>
        <translation>la langue des messages (fr, de, en)</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>which grippers are attached, on which ports</source>
        <translation>quelles pinces sont branchées, et sur quels ports</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>what an update of every gripper would do, writing nothing</source>
        <translation>ce que ferait la mise à jour de chaque pince, sans rien écrire</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>update two grippers at once</source>
        <translation>mettre à jour deux pinces à la fois</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>update every gripper, one JSON line per unit for a script to read</source>
        <translation>mettre à jour toutes les pinces, une ligne JSON par unité pour un script</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>put an older firmware back on one gripper</source>
        <translation>remettre un firmware plus ancien sur une pince</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>update each gripper as it is plugged in, with its line in bench.jsonl</source>
        <translation>mettre à jour chaque pince dès qu&apos;elle est branchée, avec sa ligne dans bench.jsonl</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the records kept since 1 December, local time</source>
        <translation>les enregistrements conservés depuis le 1er décembre, en heure locale</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the options and examples of plan</source>
        <translation>les options et les exemples de plan</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>the language of the messages, as for other programs (fr, de); --lang outranks it</source>
        <translation>la langue des messages, comme pour les autres programmes (fr, de) ; --lang l&apos;emporte</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>further serial ports (serial bridges, simulated grippers), as paths separated by colons; on Windows COM names separated by semicolons</source>
        <translation>d&apos;autres ports série (passerelles série, pinces simulées), en chemins séparés par des deux-points ; sous Windows, des noms COM séparés par des points-virgules</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>when set, every diagnostic of the update and of the ports goes to standard error</source>
        <translation>si elle est définie, tous les diagnostics de la mise à jour et des ports vont sur la sortie d&apos;erreur</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>without KORVANE_FLASH_DEBUG, the diagnostics to show by category, such as korvane.batch.debug=true (korvane.update, korvane.stbl, korvane.serial, korvane.device)</source>
        <translation>sans KORVANE_FLASH_DEBUG, les diagnostics à montrer par catégorie, comme korvane.batch.debug=true (korvane.update, korvane.stbl, korvane.serial, korvane.device)</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>the records of every unit updated, kept by korvane-flash, the wizard and the station alike, unless --report names another file</source>
        <translation>les enregistrements de chaque unité mise à jour, tenus par korvane-flash comme par l&apos;assistant et la station, sauf si --report nomme un autre fichier</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>the diagnostics of the wizard&apos;s and the station&apos;s sessions; korvane-flash writes its own to standard error</source>
        <translation>les diagnostics des sessions de l&apos;assistant et de la station ; korvane-flash écrit les siens sur la sortie d&apos;erreur</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>every unit asked for ended on the new version, or was on it already; plan: the plan is made</source>
        <translation>chaque unité demandée a fini sur la nouvelle version, ou y était déjà ; plan : le plan est établi</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>a unit did not end on the new version, a report line could not be written, or the records could not be read</source>
        <translation>une unité n&apos;a pas fini sur la nouvelle version, une ligne du rapport n&apos;a pas pu être écrite, ou les enregistrements n&apos;ont pas pu être lus</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>a usage error: nothing was sent to any gripper</source>
        <translation>une erreur d&apos;utilisation : rien n&apos;a été envoyé à aucune pince</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>identify the gripper on every serial port (all ports at once)</source>
        <translation>identifier la pince sur chaque port série (tous les ports à la fois)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>update the grippers on the named ports, or every one found with --all</source>
        <translation>mettre à jour les pinces sur les ports nommés, ou toutes celles trouvées avec --all</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>say what update would do to each unit, writing nothing to any gripper</source>
        <translation>indiquer ce que update ferait à chaque unité, sans rien écrire sur aucune pince</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>wait for grippers to be plugged in and update each as it arrives; Ctrl-C lets the units under way finish, a second Ctrl-C gives them up</source>
        <translation>attendre le branchement des pinces et mettre à jour chacune à son arrivée ; Ctrl-C laisse finir les unités en cours, un second Ctrl-C les abandonne</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>the options and examples of one command, or this help</source>
        <translation>les options et les exemples d&apos;une commande, ou cette aide</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Updates Korvane grippers without a window, several at once.</source>
        <translation>Met à jour les pinces Korvane sans fenêtre, plusieurs à la fois.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Commands:</source>
        <translation>Commandes :</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+13"/>
        <source>update, plan: device paths, as &apos;list&apos; shows them</source>
        <translation>update, plan : chemins des périphériques, tels que &apos;list&apos; les affiche</translation>
    </message>
    <message>
        <location line="+147"/>
        <source>Examples:</source>
        <translation>Exemples :</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Environment:</source>
        <translation>Environnement :</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Files:</source>
        <translation>Fichiers :</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Exit status:</source>
        <translation>Code de sortie :</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&apos;korvane-flash help COMMAND&apos; shows the options and examples of one command.</source>
        <translation>« korvane-flash help COMMAND » montre les options et les exemples d&apos;une commande.</translation>
    </message>
    <message>
        <location line="-344"/>
        <source>the program&apos;s and the carried firmware&apos;s versions</source>
        <translation>les versions du programme et du firmware embarqué</translation>
    </message>
    <message>
        <location line="+368"/>
        <source>no command given</source>
        <translation>aucune commande donnée</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+6"/>
        <source>unknown command &apos;%1&apos;</source>
        <translation>commande inconnue &apos;%1&apos;</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>&apos;--%1&apos; is not an option of &apos;%2&apos;</source>
        <translation>&apos;--%1&apos; n&apos;est pas une option de &apos;%2&apos;</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>--%1 needs a value</source>
        <translation>--%1 demande une valeur</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&apos;%1&apos; takes no ports</source>
        <translation>&apos;%1&apos; ne prend pas de ports</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>give either ports or --all, not both</source>
        <translation>donnez des ports ou --all, pas les deux</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>name the ports to update, or give --all</source>
        <translation>nommez les ports à mettre à jour, ou donnez --all</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>--manual-reboot needs the ports named</source>
        <translation>--manual-reboot demande que les ports soient nommés</translation>
    </message>
    <message>
        <location line="-406"/>
        <source>append one JSON line per unit to FILE instead of the user&apos;s history (history: ask FILE instead of the history)</source>
        <translation>ajoute une ligne JSON par unité à FILE au lieu de l&apos;historique de l&apos;utilisateur (history : interroge FILE au lieu de l&apos;historique)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>history: only the unit with this ID (24 hex digits)</source>
        <translation>history : seulement l&apos;unité de cet identifiant (24 chiffres hexadécimaux)</translation>
    </message>
    <message>
        <location line="+110"/>
        <source>which units got what, and when, from the records kept</source>
        <translation>quelles unités ont reçu quoi, et quand, d&apos;après les enregistrements conservés</translation>
    </message>
    <message>
        <location line="+41"/>
        <location line="+17"/>
        <source>list, update, plan, watch or history</source>
        <translation>list, update, plan, watch ou history</translation>
    </message>
</context>
<context>
    <name>PageCheckVersion</name>
    <message>
        <location filename="../../src/pages/pagecheckversion.cpp" line="+26"/>
        <source>Current firmware version</source>
        <translation>Version actuelle du firmware</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The wizard verifies the current version of the firmware.</source>
        <translation>L&apos;assistant vérifie la version actuelle du firmware.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Download bootloader</source>
        <translation>Télécharger le bootloader</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Download main firmware</source>
        <translation>Télécharger le firmware principal</translation>
    </message>
    <message>
        <location line="+67"/>
        <source>Update firmware</source>
        <translation>Mettre à jour</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The current version of the firmware is %1</source>
        <translation>La version actuelle du firmware est %1</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>The firmware you will install is of a different type than the one currently installed.</source>
        <translation>Le firmware que vous allez installer est d&apos;un autre type que celui actuellement installé.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The firmware you will install is older than the one currently installed.</source>
        <translation>Le firmware que vous allez installer est plus ancien que celui actuellement installé.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The version of the firmware you will install is the same as the one currently installed.</source>
        <translation>La version du firmware que vous allez installer est identique à celle actuellement installée.</translation>
    </message>
</context>
<context>
    <name>PageDownloadFirmware</name>
    <message>
        <location filename="../../src/download/downloaddialogs.cpp" line="+28"/>
        <source>This gripper waits in its bootloader and cannot tell which product it is. Which firmware does it take?</source>
        <translation>Cette pince attend dans son bootloader et ne peut pas indiquer de quel produit il s&apos;agit. Quel firmware lui faut-il ?</translation>
    </message>
    <message>
        <location filename="../../src/download/pagedownloadfirmware.cpp" line="+32"/>
        <source>Download of the new firmware</source>
        <translation>Téléchargement du nouveau firmware</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>New download</source>
        <translation>&amp;Nouveau téléchargement</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>There was a problem starting the download procedure.</source>
        <translation>Un problème est survenu au démarrage de la procédure de téléchargement.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Verify version</source>
        <translation>Vérifier la version</translation>
    </message>
    <message>
        <location filename="../../src/download/closeguard.cpp" line="+33"/>
        <source>Please wait: the window closes once the new firmware is written and started.</source>
        <translation>Veuillez patienter : la fenêtre se ferme une fois le nouveau firmware écrit et démarré.</translation>
    </message>
    <message>
        <location filename="../../src/download/pagedownloadfirmware.cpp" line="+201"/>
        <source>Initializing the Freescale bootloader.</source>
        <translation>Initialisation du bootloader Freescale.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Please turn off the gripper by disconnecting its power supply, then press OK.</source>
        <translation>Veuillez éteindre la pince en débranchant son alimentation, puis appuyez sur OK.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Identifying the STM32 bootloader.</source>
        <translation>Identification du bootloader STM32.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Downloading the bootloader</source>
        <translation>Téléchargement du bootloader</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Downloading the main firmware</source>
        <translation>Téléchargement du firmware principal</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Downloading file %1</source>
        <translation>Téléchargement du fichier %1</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Verifying and jumping in the main firmware</source>
        <translation>Vérification et démarrage du firmware principal</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>To start another download, connect a new device via USB.</source>
        <translation>Pour un autre téléchargement, connectez un nouvel appareil par USB.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Software Version: %1</source>
        <translation>Version du logiciel : %1</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>The communication could not be established or was lost.</source>
        <translation>La communication n&apos;a pas pu être établie ou a été perdue.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>The communication could not be established or was lost. Please turn off the gripper, unplug/replug the USB cable and relaunch the wizard by selecting the Manual Reboot option.</source>
        <translation>La communication n&apos;a pas pu être établie ou a été perdue. Veuillez éteindre la pince, débrancher/rebrancher le câble USB et relancer l&apos;assistant en choisissant l&apos;option « Redémarrage manuel ».</translation>
    </message>
    <message>
        <location filename="../../src/download/downloaddialogs.cpp" line="+25"/>
        <source>%1
Log: %2</source>
        <translation>%1
Journal : %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Copy details</source>
        <translation>Copier les détails</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Open log folder</source>
        <translation>Ouvrir le dossier du journal</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>This update&apos;s record could not be added to the history: %1</source>
        <translation>L&apos;enregistrement de cette mise à jour n&apos;a pas pu être ajouté à l&apos;historique : %1</translation>
    </message>
</context>
<context>
    <name>PageSelectPort</name>
    <message>
        <location filename="../../src/pages/pageselectport.cpp" line="+31"/>
        <source>Port Selection</source>
        <translation>Choix du port</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Select the COM port to which the gripper is connected. If no port is available, please make sure that the gripper is powered and connected to the PC via its auxiliary USB port, then click back and next to refresh the list.</source>
        <translation>Choisissez le port COM auquel la pince est connectée. Si aucun port n&apos;est disponible, vérifiez que la pince est alimentée et reliée au PC par son port USB auxiliaire, puis cliquez sur « Précédent » puis « Suivant » pour actualiser la liste.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Manual reboot</source>
        <translation>Redémarrage &amp;manuel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Use the manual reboot option only if there is no firmware on the gripper or if the one currently installed is corrupt (due to a power or communication loss during a previous update).</source>
        <translation>N&apos;utilisez l&apos;option de redémarrage manuel que si la pince n&apos;a pas de firmware ou si celui installé est corrompu (suite à une coupure d&apos;alimentation ou de communication lors d&apos;une mise à jour précédente).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Reboot</source>
        <translation>&amp;Redémarrer</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Scan Devices</source>
        <translation>Rechercher les &amp;appareils</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Disable auto detect device</source>
        <translation>Désactiver la détection automatique</translation>
    </message>
</context>
<context>
    <name>PageVerifyNewVersion</name>
    <message>
        <location filename="../../src/pages/pageverifynewversion.cpp" line="+18"/>
        <source>The current version of the firmware is %1</source>
        <translation>La version actuelle du firmware est %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The new firmware version cannot be read. If the gripper is powered and the connection cable is plugged, please contact Korvane to report the problem.</source>
        <translation>La version du nouveau firmware ne peut pas être lue. Si la pince est alimentée et le câble de connexion branché, veuillez contacter Korvane pour signaler le problème.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The new firmware is not the version that was supposed to be installed. Please contact Korvane to report the problem.</source>
        <translation>Le nouveau firmware n&apos;est pas la version qui devait être installée. Veuillez contacter Korvane pour signaler le problème.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>New firmware version</source>
        <translation>Version du nouveau firmware</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The wizard verifies if the firmware update was done properly.</source>
        <translation>L&apos;assistant vérifie que la mise à jour du firmware s&apos;est bien déroulée.</translation>
    </message>
    <message>
        <location line="+73"/>
        <location filename="../../src/download/versionreply.cpp" line="+29"/>
        <source>unknown</source>
        <extracomment>The new firmware&apos;s version, when the gripper did not tell it</extracomment>
        <translation>inconnue</translation>
    </message>
    <message>
        <location filename="../../src/download/versionreply.cpp" line="+4"/>
        <source>a development version.</source>
        <translation>une version de développement.</translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <location filename="../../tools/korvane-station/stationwindow.cpp" line="+24"/>
        <source>Korvane Station</source>
        <translation>Korvane Station</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>%1: the line for %2 could not be written (%3)</source>
        <translation>%1 : la ligne de %2 n&apos;a pas pu être écrite (%3)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Scan</source>
        <extracomment>Button: look for grippers on every port</extracomment>
        <translation>&amp;Rechercher</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update all</source>
        <translation>Tout &amp;mettre à jour</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Stop</source>
        <extracomment>Button: stop the run (units under way finish first)</extracomment>
        <translation>&amp;Arrêter</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Force</source>
        <extracomment>Check box: install even over the same or a newer version</extracomment>
        <translation>&amp;Forcer</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Also install over the same or a newer version</source>
        <translation>Installer aussi par-dessus la même version ou une plus récente</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update grippers as they are plugged in</source>
        <translation>Mettre à jour les pinces dès leur branchement</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationmodel.cpp" line="+93"/>
        <source>Port</source>
        <extracomment>Column headings. Kind: the gripper&apos;s family (GC, GS); Type: its type code (GC3); Installed: the firmware version it runs; Will get: the version it would be given</extracomment>
        <translation>Port</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Kind</source>
        <translation>Modèle</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Installed</source>
        <translation>Installée</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Will get</source>
        <translation>Recevra</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Step</source>
        <translation>Étape</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Recovery</source>
        <translation>Récupération</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/reportfield.cpp" line="+19"/>
        <source>Report:</source>
        <translation>Rapport :</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Choose...</source>
        <translation>Choisir...</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Report file</source>
        <translation>Fichier de rapport</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationwindow.cpp" line="+88"/>
        <source>not found at the last scan</source>
        <translation>non trouvée lors de la dernière recherche</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>No gripper found.</source>
        <translation>Aucune pince trouvée.</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationmodel.cpp" line="+116"/>
        <source>found in its ROM bootloader, where it cannot tell its type: choose it and update</source>
        <translation>trouvée dans son bootloader ROM, où elle ne peut pas indiquer son type : choisissez-le et mettez à jour</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>no gripper answered: a unit without working firmware is recovered with a power cycle</source>
        <translation>aucune pince n&apos;a répondu : une unité sans firmware fonctionnel se récupère en coupant puis rétablissant l&apos;alimentation</translation>
    </message>
    <message>
        <location line="+4"/>
        <location line="+79"/>
        <location filename="../../tools/korvane-station/stationtable.cpp" line="+119"/>
        <source>Update as</source>
        <extracomment>Button beside a type list: update a unit found in its ROM as the type chosen. Its twin, &quot;Power cycle&quot;, waits for the user to switch a silent unit off and on again.</extracomment>
        <translation>Mettre à jour en</translation>
    </message>
    <message>
        <location line="-78"/>
        <location filename="../../tools/korvane-station/stationtable.cpp" line="+1"/>
        <source>Power cycle</source>
        <translation>Éteindre/rallumer</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>switch the unit off, then on again; the update starts when it answers</source>
        <translation>éteignez l&apos;unité puis rallumez-la ; la mise à jour démarre dès qu&apos;elle répond</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationwindow.cpp" line="+99"/>
        <source>Stopped.</source>
        <translation>Arrêté.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Stopped. Left in their bootloader (update them again to recover them): %1</source>
        <translation>Arrêté. Restées dans leur bootloader (mettez-les à jour de nouveau pour les récupérer) : %1</translation>
    </message>
    <message>
        <location line="-7"/>
        <source>Stopping: the units under way are given up.</source>
        <translation>Arrêt : les unités en cours sont abandonnées.</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>Please wait: the window closes once the new firmware is written and started (%1).</source>
        <translation>Veuillez patienter : la fenêtre se ferme une fois le nouveau firmware écrit et démarré (%1).</translation>
    </message>
    <message>
        <location line="-241"/>
        <source>unplugged</source>
        <extracomment>A unit&apos;s step once its adapter was pulled out</extracomment>
        <translation>débranchée</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationmodel.cpp" line="-160"/>
        <source>Unit / adapter</source>
        <translation>Unité / adaptateur</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationtable.cpp" line="+59"/>
        <source>Copy the details</source>
        <translation>Copier les détails</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Open the log&apos;s folder</source>
        <translation>Ouvrir le dossier du journal</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationmodel.cpp" line="+197"/>
        <source>Log: %1</source>
        <translation>Journal : %1</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationwindow.cpp" line="+142"/>
        <source>Force installs it anyway</source>
        <translation>« Forcer » l&apos;installe quand même</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>choose its type, then Update as</source>
        <translation>choisissez son type, puis « Mettre à jour en »</translation>
    </message>
</context>
<context>
    <name>UnitEnd</name>
    <message>
        <location filename="../../src/records/unitend.cpp" line="+20"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="-73"/>
        <source>reboot</source>
        <extracomment>A step of an update, one word in the station&apos;s Step column and in korvane-flash&apos;s progress: a noun</extracomment>
        <translation>redémarrage</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+2"/>
        <source>Rebooting the gripper into its bootloader.</source>
        <translation>Redémarrage de la pince dans son bootloader.</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>If the device is turned off, turn it on.</source>
        <translation>Si l&apos;appareil est éteint, allumez-le.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Initializing the STM32 bootloader.</source>
        <translation>Initialisation du bootloader STM32.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Identifying the STM32 bootloader.</source>
        <translation>Identification du bootloader STM32.</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="+0"/>
        <source>erase</source>
        <extracomment>A step of an update (the flash being erased): a noun</extracomment>
        <translation>effacement</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Erasing the main firmware flash sectors.</source>
        <translation>Effacement des secteurs flash du firmware principal.</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="+1"/>
        <source>write</source>
        <extracomment>A step of an update (the new firmware being written): a noun</extracomment>
        <translation>écriture</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Downloading the bootloader</source>
        <translation>Téléchargement du bootloader</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Downloading the main firmware</source>
        <translation>Téléchargement du firmware principal</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="+0"/>
        <source>verify</source>
        <extracomment>A step of an update (the flash read back and compared): a noun</extracomment>
        <translation>vérification</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verifying and jumping in the main firmware</source>
        <translation>Vérification et démarrage du firmware principal</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The bootloader is ready to receive the new firmware.</source>
        <translation>Le bootloader est prêt à recevoir le nouveau firmware.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The new firmware is being downloaded.</source>
        <translation>Le nouveau firmware est en cours de téléchargement.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The new firmware has been downloaded successfully.</source>
        <translation>Le nouveau firmware a été téléchargé avec succès.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reading the new version.</source>
        <translation>Lecture de la nouvelle version.</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>the gripper stopped answering (its cable or power lost?); the new firmware was not started, update it again</source>
        <translation>la pince ne répond plus (câble ou alimentation perdus ?) ; le nouveau firmware n&apos;a pas été démarré, mettez-la à jour à nouveau</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>the Freescale bootloader did not show itself ready</source>
        <translation>le bootloader Freescale ne s&apos;est pas montré prêt</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>its ROM bootloader did not answer</source>
        <translation>son bootloader ROM n&apos;a pas répondu</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the gripper did not enter its bootloader</source>
        <translation>la pince n&apos;est pas entrée dans son bootloader</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>no image to send to the Freescale bootloader</source>
        <translation>aucune image à envoyer au bootloader Freescale</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>erasing or writing the flash failed</source>
        <translation>l&apos;effacement ou l&apos;écriture de la flash a échoué</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the Freescale bootloader did not report the image loaded</source>
        <translation>le bootloader Freescale n&apos;a pas signalé l&apos;image chargée</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>There was a problem starting the download procedure.</source>
        <translation>Un problème est survenu au démarrage de la procédure de téléchargement.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the flash read back differs from the image; the new firmware was not started</source>
        <translation>la flash relue diffère de l&apos;image ; le nouveau firmware n&apos;a pas été démarré</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>written and read back, but its bootloader did not start it</source>
        <translation>écrit et relu, mais son bootloader ne l&apos;a pas démarré</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>given up</source>
        <translation>abandonnée</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>written and started, but the new firmware did not report its version</source>
        <translation>écrit et démarré, mais le nouveau firmware n&apos;a pas indiqué sa version</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>the new firmware reports %1, not %2</source>
        <translation>le nouveau firmware indique %1, et non %2</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>written, verified and started, version not read back</source>
        <translation>écrit, vérifié et démarré, version non relue</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1 (at: %2)</source>
        <translation>%1 (à l&apos;étape : %2)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1; left in its bootloader, update it again</source>
        <translation>%1 ; laissée dans son bootloader, mettez-la à jour à nouveau</translation>
    </message>
    <message>
        <location line="-34"/>
        <source>it runs a newer version than %1</source>
        <translation>elle exécute une version plus récente que %1</translation>
    </message>
</context>
<context>
    <name>UnitResult</name>
    <message>
        <location filename="../../src/records/unitresult.cpp" line="+24"/>
        <source>updated</source>
        <extracomment>How a unit&apos;s update ended, one word in korvane-flash&apos;s lines and the station&apos;s Result column</extracomment>
        <translation>mise à jour</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>up-to-date</source>
        <extracomment>The unit already ran the version it would get, and was left alone</extracomment>
        <translation>à jour</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>refused</source>
        <extracomment>Nothing was written to the unit, for a reason given beside</extracomment>
        <translation>refusée</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>failed</source>
        <translation>échec</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>given-up</source>
        <extracomment>The unit&apos;s update was stopped by the user (Stop, Ctrl-C)</extracomment>
        <translation>abandonnée</translation>
    </message>
    <message>
        <location line="+60"/>
        <source>updated %1 -&gt; %2 (%3 s)</source>
        <translation>mise à jour %1 -&gt; %2 (%3 s)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 is up to date, left alone</source>
        <translation>%1 est à jour, laissée telle quelle</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 not updated: %2</source>
        <translation>%1 non mise à jour : %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 FAILED: %2</source>
        <translation>%1 ÉCHEC : %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 given up: %2</source>
        <translation>%1 abandonnée : %2</translation>
    </message>
</context>
<context>
    <name>Update</name>
    <message>
        <location filename="../../src/update/firmwarechoice.cpp" line="+107"/>
        <source>%1: the name must start with the gripper&apos;s type code and version, as in GC3-1.6.9.bin</source>
        <translation>%1 : le nom doit commencer par le code de type et la version de la pince, comme GC3-1.6.9.bin</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1: cannot be read</source>
        <translation>%1 : illisible</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1: the file is empty</source>
        <translation>%1 : le fichier est vide</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1: not an S-record file</source>
        <translation>%1 : pas un fichier S-record</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1: %2 bytes do not fit the %3 bytes of a %4&apos;s main firmware region</source>
        <translation>%1 : %2 octets ne tiennent pas dans les %3 octets de la zone du firmware principal d&apos;une %4</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1: not a %2 image: %3</source>
        <translation>%1 : pas une image %2 : %3</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>the carried %1 cannot run on a %2 gripper: %3</source>
        <translation>le %1 embarqué ne peut pas fonctionner sur une pince %2 : %3</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>This upgrader carries no firmware for the selected gripper.</source>
        <translation>Cet outil de mise à jour n&apos;embarque aucun firmware pour la pince choisie.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This upgrader carries no firmware for the %1 gripper.</source>
        <translation>Cet outil de mise à jour n&apos;embarque aucun firmware pour la pince %1.</translation>
    </message>
    <message>
        <location filename="../../src/update/freescaleparse.cpp" line="+47"/>
        <source>This upgrader cannot tell when the GS gripper&apos;s bootloader is ready: it was built without a ready marker, so nothing is sent to the gripper.</source>
        <translation>Cet outil de mise à jour ne peut pas savoir quand le bootloader de la pince GS est prêt : il a été construit sans marqueur de disponibilité, donc rien n&apos;est envoyé à la pince.</translation>
    </message>
    <message>
        <location filename="../../src/update/flashlayout.cpp" line="+26"/>
        <source>it is too short to hold a vector table</source>
        <translation>elle est trop courte pour contenir une table des vecteurs</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>its initial stack pointer 0x%1 is not in SRAM</source>
        <translation>son pointeur de pile initial 0x%1 n&apos;est pas en SRAM</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>its reset vector 0x%1 is not inside the image written at 0x%2 (is it made for another product?)</source>
        <translation>son vecteur de reset 0x%1 n&apos;est pas dans l&apos;image écrite en 0x%2 (est-elle faite pour un autre produit ?)</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>The image is made for a %1 gripper, not for this one.</source>
        <translation>L&apos;image est faite pour une pince %1, pas pour celle-ci.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The image of %1 bytes does not fit the %2 bytes of this gripper&apos;s firmware region.</source>
        <translation>L&apos;image de %1 octets ne tient pas dans les %2 octets de la zone firmware de cette pince.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The bootloader image of %1 bytes does not fit the %2 bytes of its region.</source>
        <translation>L&apos;image du bootloader de %1 octets ne tient pas dans les %2 octets de sa zone.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>The image cannot run on this gripper: %1.</source>
        <translation>L&apos;image ne peut pas fonctionner sur cette pince : %1.</translation>
    </message>
    <message>
        <location filename="../../src/update/firmwarechoice.cpp" line="-24"/>
        <source>the gripper&apos;s type code is not known</source>
        <translation>le code de type de la pince est inconnu</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>no firmware for a %1 gripper</source>
        <translation>aucun firmware pour une pince %1</translation>
    </message>
</context>
<context>
    <name>UpgraderWizard</name>
    <message>
        <location filename="../../src/app/upgraderwizard.cpp" line="+32"/>
        <source>Korvane Upgrader</source>
        <translation>Korvane Upgrader</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This is Korvane Upgrader for firmware version %1. This wizard will update the firmware of your Korvane product.</source>
        <translation>Voici Korvane Upgrader pour la version de firmware %1. Cet assistant va mettre à jour le firmware de votre produit Korvane.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Upgrader version %1</source>
        <translation>Version de l&apos;Upgrader %1</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <location filename="../../tools/korvane-flash/main.cpp" line="+62"/>
        <source>none</source>
        <translation>aucun</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Try &apos;korvane-flash --help&apos;.
</source>
        <translation>Essayez &apos;korvane-flash --help&apos;.
</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>cannot set up Ctrl-C handling</source>
        <translation>impossible de mettre en place la gestion de Ctrl-C</translation>
    </message>
    <message>
        <location line="-35"/>
        <source>carried firmware: %1</source>
        <translation>firmware embarqué : %1</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Batch</name>
    <message>
        <location filename="../../src/batch/batch.cpp" line="+40"/>
        <source>stopped before its update began; nothing was written to it</source>
        <translation>vor Beginn seiner Aktualisierung angehalten; nichts wurde darauf geschrieben</translation>
    </message>
    <message>
        <location line="+289"/>
        <source>0 updated</source>
        <extracomment>No unit of the run updated</extracomment>
        <translation>0 aktualisiert</translation>
    </message>
    <message>
        <location filename="../../src/batch/unitchoice.cpp" line="+115"/>
        <source>no access to the port: add the user to its group &apos;%1&apos;, then log in again</source>
        <translation>kein Zugriff auf den Port: den Benutzer zu seiner Gruppe &apos;%1&apos; hinzufügen und neu anmelden</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>the port is in use by another program</source>
        <translation>der Port wird von einem anderen Programm benutzt</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the port went away</source>
        <translation>der Port ist verschwunden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the port&apos;s open did not return (no answer)</source>
        <translation>das Öffnen des Ports blieb hängen (keine Antwort)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>the port could not be opened</source>
        <translation>der Port konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the port could not be opened (%1)</source>
        <translation>der Port konnte nicht geöffnet werden (%1)</translation>
    </message>
    <message>
        <location filename="../../src/records/reportfile.cpp" line="+19"/>
        <source>%1: cannot be opened for appending (%2)</source>
        <translation>%1: kann nicht zum Anhängen geöffnet werden (%2)</translation>
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
        <translation>kein Greifer hat geantwortet</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>found in its ROM bootloader, where it cannot tell its type</source>
        <translation>im ROM-Bootloader gefunden, wo der Greifer seinen Typ nicht melden kann</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>a unit without working firmware cannot tell its type</source>
        <translation>ein Gerät ohne funktionierende Firmware kann seinen Typ nicht melden</translation>
    </message>
    <message numerus="yes">
        <location filename="../../src/batch/batch.cpp" line="-12"/>
        <source>%n updated</source>
        <extracomment>The run&apos;s count of units (grippers) that ended so, joined as in &quot;3 updated, 1 failed&quot;</extracomment>
        <translation>
            <numerusform>%n aktualisiert</numerusform>
            <numerusform>%n aktualisiert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n up to date</source>
        <translation>
            <numerusform>%n bereits aktuell</numerusform>
            <numerusform>%n bereits aktuell</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n not updated</source>
        <translation>
            <numerusform>%n nicht aktualisiert</numerusform>
            <numerusform>%n nicht aktualisiert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n failed</source>
        <translation>
            <numerusform>%n fehlgeschlagen</numerusform>
            <numerusform>%n fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n given up</source>
        <translation>
            <numerusform>%n abgebrochen</numerusform>
            <numerusform>%n abgebrochen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+10"/>
        <source>; %n report line(s) not written</source>
        <translation>
            <numerusform>; %n Berichtszeile nicht geschrieben</numerusform>
            <numerusform>; %n Berichtszeilen nicht geschrieben</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CarriedFirmware</name>
    <message>
        <location filename="../../src/update/carriedfirmware.cpp" line="+68"/>
        <source>Korvane Upgrader for firmware version %1</source>
        <translation>Korvane Upgrader für Firmware-Version %1</translation>
    </message>
</context>
<context>
    <name>DesktopApp</name>
    <message>
        <location filename="../../src/app/main.cpp" line="+15"/>
        <source>Updates the firmware of a Korvane gripper through a wizard.</source>
        <translation>Aktualisiert die Firmware eines Korvane-Greifers mit einem Assistenten.</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/main.cpp" line="+13"/>
        <source>Updates every Korvane gripper on the bench at once, in a window.</source>
        <translation>Aktualisiert alle Korvane-Greifer am Prüfstand gleichzeitig, in einem Fenster.</translation>
    </message>
</context>
<context>
    <name>DownloadRun</name>
    <message>
        <location filename="../../src/download/downloadrun.cpp" line="+22"/>
        <source>If the device is turned off, turn it on.<byte value="xd"/>
It might be necessary to retry the power cycle a few times in order for the bootloader to capture the signal.<byte value="xd"/>
 If you have problems, lower the latency of the virtual com port.</source>
        <translation>Ist das Gerät ausgeschaltet, schalten Sie es ein.<byte value="xd"/>
Es kann nötig sein, das Aus- und Einschalten einige Male zu wiederholen, bis der Bootloader das Signal erfasst.<byte value="xd"/>
 Bei Problemen verringern Sie die Latenz des virtuellen COM-Ports.</translation>
    </message>
    <message>
        <location line="+149"/>
        <source>Initializing the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird initialisiert.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The wizard is currently rebooting the gripper automatically.</source>
        <translation>Der Assistent startet den Greifer automatisch neu.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Please turn the gripper back on. This will initiate the download procedure.</source>
        <translation>Bitte schalten Sie den Greifer wieder ein. Damit beginnt das Herunterladen.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Erasing the main firmware flash sectors.</source>
        <translation>Die Flash-Sektoren der Haupt-Firmware werden gelöscht.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The bootloader is ready to receive the new firmware.</source>
        <translation>Der Bootloader ist bereit, die neue Firmware zu empfangen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The wizard is currently downloading the new firmware.</source>
        <translation>Der Assistent lädt die neue Firmware herunter.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The new firmware has been downloaded successfully.</source>
        <translation>Die neue Firmware wurde erfolgreich heruntergeladen.</translation>
    </message>
</context>
<context>
    <name>FlashTool</name>
    <message>
        <location filename="../../tools/korvane-flash/flashtool.cpp" line="+74"/>
        <source>%1: switch the unit off, then on again; the update starts when it answers</source>
        <translation>%1: Gerät aus- und wieder einschalten; die Aktualisierung beginnt, sobald es antwortet</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>two images for %1 given</source>
        <translation>zwei Images für %1 angegeben</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>--type %1: not a gripper type code</source>
        <translation>--type %1: kein Greifer-Typcode</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>--type %1: --type is for the STM32 kinds; a GS-family unit is found as such</source>
        <translation>--type %1: --type gilt für die STM32-Modelle; ein Gerät der GS-Familie wird als solches erkannt</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>%1 is not a serial port (&apos;korvane-flash list&apos; shows them)</source>
        <translation>%1 ist kein serieller Port (&apos;korvane-flash list&apos; zeigt sie an)</translation>
    </message>
    <message>
        <location line="+82"/>
        <source>No gripper found.</source>
        <translation>Kein Greifer gefunden.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Waiting for grippers to be plugged in; Ctrl-C stops.</source>
        <translation>Warten auf angeschlossene Greifer; Strg-C hält an.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1: no gripper answered, left alone</source>
        <translation>%1: kein Greifer hat geantwortet, unverändert gelassen</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-flash/console.cpp" line="+104"/>
        <location filename="../../tools/korvane-flash/flashtool.cpp" line="+13"/>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-flash/flashtool.cpp" line="+2"/>
        <source> (--force updates it anyway)</source>
        <translation> (--force aktualisiert trotzdem)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1 was left in its bootloader</source>
        <translation>%1 ist in seinem Bootloader geblieben</translation>
    </message>
    <message>
        <location line="-94"/>
        <source>%1: %2 would be updated to %3 (%4)</source>
        <translation>%1: %2 würde auf %3 aktualisiert (%4)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1: %2 is up to date, would be left alone</source>
        <translation>%1: %2 ist aktuell, würde unverändert gelassen</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1: %2 would not be updated: %3</source>
        <translation>%1: %2 würde nicht aktualisiert: %3</translation>
    </message>
    <message>
        <location line="-96"/>
        <source>%1; no record of this run is kept</source>
        <translation>%1; von diesem Lauf wird kein Eintrag aufbewahrt</translation>
    </message>
    <message>
        <location line="-55"/>
        <source>%1: the line for %2 could not be written (%3)</source>
        <translation>%1: Die Zeile für %2 konnte nicht geschrieben werden (%3)</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>PORT</source>
        <translation>PORT</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>KIND</source>
        <translation>MODELL</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>TYPE</source>
        <translation>TYP</translation>
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
        <translation>(kein Zugriff)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(in use)</source>
        <translation>(belegt)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(gone)</source>
        <translation>(getrennt)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(no answer)</source>
        <translation>(keine Antwort)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(error)</source>
        <translation>(Fehler)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source> (via K01)</source>
        <translation> (über K01)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>%1 is a serial port of the machine itself, where no gripper is looked for (&apos;korvane-flash list&apos; shows the gripper ports)</source>
        <translation>%1 ist ein serieller Port des Rechners selbst, an dem kein Greifer gesucht wird (&apos;korvane-flash list&apos; zeigt die Ports der Greifer)</translation>
    </message>
    <message>
        <location line="-124"/>
        <source>--force installs it anyway</source>
        <translation>--force installiert trotzdem</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>give --type</source>
        <translation>--type angeben</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>--manual-reboot for a unit without working firmware</source>
        <translation>--manual-reboot für ein Gerät ohne funktionierende Firmware</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>give one with --image %1-X.Y.Z.bin</source>
        <translation>eine mit --image %1-X.Y.Z.bin angeben</translation>
    </message>
    <message numerus="yes">
        <location line="+269"/>
        <source>Stopping: %n unit(s) under way finish first; Ctrl-C again gives them up.</source>
        <translation>
            <numerusform>Wird angehalten: %n laufendes Gerät wird erst fertig; ein zweites Strg-C bricht es ab.</numerusform>
            <numerusform>Wird angehalten: %n laufende Geräte werden erst fertig; ein zweites Strg-C bricht sie ab.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <location filename="../../tools/korvane-flash/historycommand.cpp" line="+23"/>
        <source>--since %1: not a date (2026-12-08, 2026-12-08T14:00)</source>
        <translation>--since %1: kein Datum (2026-12-08, 2026-12-08T14:00)</translation>
    </message>
    <message numerus="yes">
        <location line="+59"/>
        <source>%1: %n line(s) that are no record skipped</source>
        <translation>
            <numerusform>%1: %n Zeile übersprungen, die kein Eintrag ist</numerusform>
            <numerusform>%1: %n Zeilen übersprungen, die keine Einträge sind</numerusform>
        </translation>
    </message>
    <message>
        <location line="-49"/>
        <source>%1: no such file</source>
        <translation>%1: Datei nicht gefunden</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Unit</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Versions</source>
        <translation>Versionen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Image</source>
        <translation>Image</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>No record kept yet (%1).</source>
        <translation>Noch keine Einträge gespeichert (%1).</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 holds no record.</source>
        <translation>%1 enthält keine Einträge.</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%1: %n record(s), none that answers the question.</source>
        <translation>
            <numerusform>%1: %n Eintrag, der nicht zur Anfrage passt.</numerusform>
            <numerusform>%1: %n Einträge, keiner passt zur Anfrage.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Options</name>
    <message>
        <location filename="../../tools/korvane-flash/options.cpp" line="+24"/>
        <source>list, plan: one JSON array instead of lines; update, watch: each unit&apos;s record as one JSON line, the other lines on standard error; history: the records as they are</source>
        <translation>list, plan: ein JSON-Array statt Zeilen; update, watch: der Eintrag jedes Geräts als eine JSON-Zeile, die übrigen Zeilen auf der Standardfehlerausgabe; history: die Einträge, wie sie sind</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>update, plan: every gripper found</source>
        <translation>update, plan: alle gefundenen Greifer</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>take FILE instead of the carried firmware for the grippers whose type code starts its name (GC3-1.7.0.bin for GC3); may be given once per type</source>
        <translation>FILE statt der mitgelieferten Firmware für die Greifer nehmen, deren Typcode den Dateinamen beginnt (GC3-1.7.0.bin für GC3); einmal pro Typ angebbar</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>type code of the grippers that cannot report it: found in their ROM bootloader, or without working firmware (--manual-reboot)</source>
        <translation>Typcode der Greifer, die ihn nicht melden können: im ROM-Bootloader gefunden oder ohne funktionierende Firmware (--manual-reboot)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>also update grippers already on that version, or on a newer one</source>
        <translation>auch Greifer aktualisieren, die schon diese oder eine neuere Version haben</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>for grippers without working firmware: wait for the user to switch each unit off and on again instead of asking it to reboot</source>
        <translation>für Greifer ohne funktionierende Firmware: warten, bis der Benutzer jedes Gerät aus- und wieder einschaltet, statt es zum Neustart aufzufordern</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>history: only records from DATE on, local time (2026-12-08 or 2026-12-08T14:00)</source>
        <translation>history: nur Einträge ab DATE, in Ortszeit (2026-12-08 oder 2026-12-08T14:00)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the language of the messages (fr, de, en)</source>
        <translation>die Sprache der Meldungen (fr, de, en)</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>which grippers are attached, on which ports</source>
        <translation>welche Greifer angeschlossen sind, an welchen Ports</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>what an update of every gripper would do, writing nothing</source>
        <translation>was eine Aktualisierung jedes Greifers täte, ohne etwas zu schreiben</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>update two grippers at once</source>
        <translation>zwei Greifer gleichzeitig aktualisieren</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>update every gripper, one JSON line per unit for a script to read</source>
        <translation>alle Greifer aktualisieren, eine JSON-Zeile je Gerät für ein Skript</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>put an older firmware back on one gripper</source>
        <translation>eine ältere Firmware wieder auf einen Greifer bringen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>update each gripper as it is plugged in, with its line in bench.jsonl</source>
        <translation>jeden Greifer aktualisieren, sobald er angeschlossen wird, mit seiner Zeile in bench.jsonl</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the records kept since 1 December, local time</source>
        <translation>die gespeicherten Einträge seit dem 1. Dezember, in Ortszeit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the options and examples of plan</source>
        <translation>die Optionen und Beispiele von plan</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>the language of the messages, as for other programs (fr, de); --lang outranks it</source>
        <translation>die Sprache der Meldungen, wie bei anderen Programmen (fr, de); --lang hat Vorrang</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>further serial ports (serial bridges, simulated grippers), as paths separated by colons; on Windows COM names separated by semicolons</source>
        <translation>weitere serielle Ports (serielle Brücken, simulierte Greifer) als durch Doppelpunkte getrennte Pfade; unter Windows durch Semikolons getrennte COM-Namen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>when set, every diagnostic of the update and of the ports goes to standard error</source>
        <translation>wenn gesetzt, gehen alle Diagnosemeldungen der Aktualisierung und der Ports auf die Standardfehlerausgabe</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>without KORVANE_FLASH_DEBUG, the diagnostics to show by category, such as korvane.batch.debug=true (korvane.update, korvane.stbl, korvane.serial, korvane.device)</source>
        <translation>ohne KORVANE_FLASH_DEBUG die anzuzeigenden Diagnosemeldungen je Kategorie, etwa korvane.batch.debug=true (korvane.update, korvane.stbl, korvane.serial, korvane.device)</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>the records of every unit updated, kept by korvane-flash, the wizard and the station alike, unless --report names another file</source>
        <translation>die Einträge jedes aktualisierten Geräts, von korvane-flash wie vom Assistenten und der Station geführt, sofern --report keine andere Datei nennt</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>the diagnostics of the wizard&apos;s and the station&apos;s sessions; korvane-flash writes its own to standard error</source>
        <translation>die Diagnosemeldungen der Sitzungen des Assistenten und der Station; korvane-flash schreibt seine auf die Standardfehlerausgabe</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>every unit asked for ended on the new version, or was on it already; plan: the plan is made</source>
        <translation>jedes angeforderte Gerät hat nun die neue Version oder hatte sie schon; plan: der Plan ist erstellt</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>a unit did not end on the new version, a report line could not be written, or the records could not be read</source>
        <translation>ein Gerät hat nicht die neue Version, eine Berichtszeile konnte nicht geschrieben werden, oder die Einträge konnten nicht gelesen werden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>a usage error: nothing was sent to any gripper</source>
        <translation>ein Bedienfehler: an keinen Greifer wurde etwas gesendet</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>identify the gripper on every serial port (all ports at once)</source>
        <translation>den Greifer an jedem seriellen Port erkennen (alle Ports gleichzeitig)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>update the grippers on the named ports, or every one found with --all</source>
        <translation>die Greifer an den genannten Ports aktualisieren, mit --all alle gefundenen</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>say what update would do to each unit, writing nothing to any gripper</source>
        <translation>anzeigen, was update mit jedem Gerät täte, ohne etwas auf einen Greifer zu schreiben</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>wait for grippers to be plugged in and update each as it arrives; Ctrl-C lets the units under way finish, a second Ctrl-C gives them up</source>
        <translation>auf angeschlossene Greifer warten und jeden bei Ankunft aktualisieren; Strg-C lässt laufende Geräte fertig werden, ein zweites Strg-C bricht sie ab</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>the options and examples of one command, or this help</source>
        <translation>die Optionen und Beispiele eines Befehls oder diese Hilfe</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Updates Korvane grippers without a window, several at once.</source>
        <translation>Aktualisiert Korvane-Greifer ohne Fenster, mehrere gleichzeitig.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Commands:</source>
        <translation>Befehle:</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+13"/>
        <source>update, plan: device paths, as &apos;list&apos; shows them</source>
        <translation>update, plan: Gerätepfade, wie &apos;list&apos; sie anzeigt</translation>
    </message>
    <message>
        <location line="+147"/>
        <source>Examples:</source>
        <translation>Beispiele:</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Environment:</source>
        <translation>Umgebung:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Files:</source>
        <translation>Dateien:</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Exit status:</source>
        <translation>Rückgabewert:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&apos;korvane-flash help COMMAND&apos; shows the options and examples of one command.</source>
        <translation>„korvane-flash help COMMAND“ zeigt die Optionen und Beispiele eines Befehls.</translation>
    </message>
    <message>
        <location line="-344"/>
        <source>the program&apos;s and the carried firmware&apos;s versions</source>
        <translation>die Versionen des Programms und der mitgelieferten Firmware</translation>
    </message>
    <message>
        <location line="+368"/>
        <source>no command given</source>
        <translation>kein Befehl angegeben</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+6"/>
        <source>unknown command &apos;%1&apos;</source>
        <translation>unbekannter Befehl &apos;%1&apos;</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>&apos;--%1&apos; is not an option of &apos;%2&apos;</source>
        <translation>&apos;--%1&apos; ist keine Option von &apos;%2&apos;</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>--%1 needs a value</source>
        <translation>--%1 braucht einen Wert</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&apos;%1&apos; takes no ports</source>
        <translation>&apos;%1&apos; nimmt keine Ports</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>give either ports or --all, not both</source>
        <translation>entweder Ports oder --all angeben, nicht beides</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>name the ports to update, or give --all</source>
        <translation>die zu aktualisierenden Ports nennen oder --all angeben</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>--manual-reboot needs the ports named</source>
        <translation>--manual-reboot verlangt ausdrücklich genannte Ports</translation>
    </message>
    <message>
        <location line="-406"/>
        <source>append one JSON line per unit to FILE instead of the user&apos;s history (history: ask FILE instead of the history)</source>
        <translation>pro Gerät eine JSON-Zeile an FILE statt an den Verlauf des Benutzers anhängen (history: FILE statt des Verlaufs abfragen)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>history: only the unit with this ID (24 hex digits)</source>
        <translation>history: nur das Gerät mit dieser ID (24 Hexadezimalziffern)</translation>
    </message>
    <message>
        <location line="+110"/>
        <source>which units got what, and when, from the records kept</source>
        <translation>welche Geräte was wann erhalten haben, aus den aufbewahrten Einträgen</translation>
    </message>
    <message>
        <location line="+41"/>
        <location line="+17"/>
        <source>list, update, plan, watch or history</source>
        <translation>list, update, plan, watch oder history</translation>
    </message>
</context>
<context>
    <name>PageCheckVersion</name>
    <message>
        <location filename="../../src/pages/pagecheckversion.cpp" line="+26"/>
        <source>Current firmware version</source>
        <translation>Aktuelle Firmware-Version</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The wizard verifies the current version of the firmware.</source>
        <translation>Der Assistent prüft die aktuelle Firmware-Version.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Download bootloader</source>
        <translation>Bootloader herunterladen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Download main firmware</source>
        <translation>Haupt-Firmware herunterladen</translation>
    </message>
    <message>
        <location line="+67"/>
        <source>Update firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The current version of the firmware is %1</source>
        <translation>Die aktuelle Firmware-Version ist %1</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>The firmware you will install is of a different type than the one currently installed.</source>
        <translation>Die zu installierende Firmware ist von einem anderen Typ als die derzeit installierte.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The firmware you will install is older than the one currently installed.</source>
        <translation>Die zu installierende Firmware ist älter als die derzeit installierte.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The version of the firmware you will install is the same as the one currently installed.</source>
        <translation>Die zu installierende Firmware hat dieselbe Version wie die derzeit installierte.</translation>
    </message>
</context>
<context>
    <name>PageDownloadFirmware</name>
    <message>
        <location filename="../../src/download/downloaddialogs.cpp" line="+28"/>
        <source>This gripper waits in its bootloader and cannot tell which product it is. Which firmware does it take?</source>
        <translation>Dieser Greifer wartet in seinem Bootloader und kann nicht sagen, welches Produkt er ist. Welche Firmware braucht er?</translation>
    </message>
    <message>
        <location filename="../../src/download/pagedownloadfirmware.cpp" line="+32"/>
        <source>Download of the new firmware</source>
        <translation>Herunterladen der neuen Firmware</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>New download</source>
        <translation>&amp;Neuer Download</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>There was a problem starting the download procedure.</source>
        <translation>Beim Start des Herunterladens ist ein Problem aufgetreten.</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Verify version</source>
        <translation>Version prüfen</translation>
    </message>
    <message>
        <location filename="../../src/download/closeguard.cpp" line="+33"/>
        <source>Please wait: the window closes once the new firmware is written and started.</source>
        <translation>Bitte warten: Das Fenster schließt sich, sobald die neue Firmware geschrieben und gestartet ist.</translation>
    </message>
    <message>
        <location filename="../../src/download/pagedownloadfirmware.cpp" line="+201"/>
        <source>Initializing the Freescale bootloader.</source>
        <translation>Der Freescale-Bootloader wird initialisiert.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Please turn off the gripper by disconnecting its power supply, then press OK.</source>
        <translation>Bitte schalten Sie den Greifer aus, indem Sie seine Stromversorgung trennen, und drücken Sie dann OK.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Identifying the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird erkannt.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Downloading the bootloader</source>
        <translation>Bootloader wird heruntergeladen</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Downloading the main firmware</source>
        <translation>Haupt-Firmware wird heruntergeladen</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Downloading file %1</source>
        <translation>Datei %1 wird heruntergeladen</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Verifying and jumping in the main firmware</source>
        <translation>Prüfen und Starten der Haupt-Firmware</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>To start another download, connect a new device via USB.</source>
        <translation>Für einen weiteren Download schließen Sie ein neues Gerät über USB an.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Software Version: %1</source>
        <translation>Software-Version: %1</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>The communication could not be established or was lost.</source>
        <translation>Die Verbindung konnte nicht hergestellt werden oder ist abgebrochen.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>The communication could not be established or was lost. Please turn off the gripper, unplug/replug the USB cable and relaunch the wizard by selecting the Manual Reboot option.</source>
        <translation>Die Verbindung konnte nicht hergestellt werden oder ist abgebrochen. Bitte schalten Sie den Greifer aus, ziehen Sie das USB-Kabel ab und stecken Sie es wieder ein, und starten Sie den Assistenten mit der Option „Manueller Neustart“ erneut.</translation>
    </message>
    <message>
        <location filename="../../src/download/downloaddialogs.cpp" line="+25"/>
        <source>%1
Log: %2</source>
        <translation>%1
Protokoll: %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Copy details</source>
        <translation>Details kopieren</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Open log folder</source>
        <translation>Protokollordner öffnen</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>This update&apos;s record could not be added to the history: %1</source>
        <translation>Der Eintrag dieser Aktualisierung konnte nicht in den Verlauf geschrieben werden: %1</translation>
    </message>
</context>
<context>
    <name>PageSelectPort</name>
    <message>
        <location filename="../../src/pages/pageselectport.cpp" line="+31"/>
        <source>Port Selection</source>
        <translation>Portauswahl</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Select the COM port to which the gripper is connected. If no port is available, please make sure that the gripper is powered and connected to the PC via its auxiliary USB port, then click back and next to refresh the list.</source>
        <translation>Wählen Sie den COM-Port, an dem der Greifer angeschlossen ist. Ist kein Port verfügbar, prüfen Sie, ob der Greifer mit Strom versorgt und über seinen USB-Hilfsanschluss mit dem PC verbunden ist, und klicken Sie dann auf „Zurück“ und „Weiter“, um die Liste zu aktualisieren.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Manual reboot</source>
        <translation>&amp;Manueller Neustart</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Use the manual reboot option only if there is no firmware on the gripper or if the one currently installed is corrupt (due to a power or communication loss during a previous update).</source>
        <translation>Verwenden Sie den manuellen Neustart nur, wenn der Greifer keine Firmware hat oder die installierte beschädigt ist (durch einen Strom- oder Verbindungsausfall bei einer früheren Aktualisierung).</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Reboot</source>
        <translation>Neu&amp;starten</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Scan Devices</source>
        <translation>Geräte s&amp;uchen</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Disable auto detect device</source>
        <translation>Automatische Geräteerkennung aus</translation>
    </message>
</context>
<context>
    <name>PageVerifyNewVersion</name>
    <message>
        <location filename="../../src/pages/pageverifynewversion.cpp" line="+18"/>
        <source>The current version of the firmware is %1</source>
        <translation>Die aktuelle Firmware-Version ist %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The new firmware version cannot be read. If the gripper is powered and the connection cable is plugged, please contact Korvane to report the problem.</source>
        <translation>Die Version der neuen Firmware kann nicht gelesen werden. Wenn der Greifer mit Strom versorgt und das Verbindungskabel eingesteckt ist, wenden Sie sich bitte an Korvane, um das Problem zu melden.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The new firmware is not the version that was supposed to be installed. Please contact Korvane to report the problem.</source>
        <translation>Die neue Firmware ist nicht die Version, die installiert werden sollte. Bitte wenden Sie sich an Korvane, um das Problem zu melden.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>New firmware version</source>
        <translation>Neue Firmware-Version</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The wizard verifies if the firmware update was done properly.</source>
        <translation>Der Assistent prüft, ob die Firmware-Aktualisierung korrekt durchgeführt wurde.</translation>
    </message>
    <message>
        <location line="+73"/>
        <location filename="../../src/download/versionreply.cpp" line="+29"/>
        <source>unknown</source>
        <extracomment>The new firmware&apos;s version, when the gripper did not tell it</extracomment>
        <translation>unbekannt</translation>
    </message>
    <message>
        <location filename="../../src/download/versionreply.cpp" line="+4"/>
        <source>a development version.</source>
        <translation>eine Entwicklungsversion.</translation>
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
        <translation>%1: Die Zeile für %2 konnte nicht geschrieben werden (%3)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Scan</source>
        <extracomment>Button: look for grippers on every port</extracomment>
        <translation>&amp;Suchen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update all</source>
        <translation>Alle &amp;aktualisieren</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Stop</source>
        <extracomment>Button: stop the run (units under way finish first)</extracomment>
        <translation>&amp;Anhalten</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Force</source>
        <extracomment>Check box: install even over the same or a newer version</extracomment>
        <translation>&amp;Erzwingen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Also install over the same or a newer version</source>
        <translation>Auch über dieselbe oder eine neuere Version installieren</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update grippers as they are plugged in</source>
        <translation>Greifer beim Anschließen aktualisieren</translation>
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
        <translation>Modell</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Will get</source>
        <translation>Erhält</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Step</source>
        <translation>Schritt</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Recovery</source>
        <translation>Wiederherstellung</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/reportfield.cpp" line="+19"/>
        <source>Report:</source>
        <translation>Bericht:</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Choose...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Report file</source>
        <translation>Berichtsdatei</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationwindow.cpp" line="+88"/>
        <source>not found at the last scan</source>
        <translation>bei der letzten Suche nicht gefunden</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>No gripper found.</source>
        <translation>Kein Greifer gefunden.</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationmodel.cpp" line="+116"/>
        <source>found in its ROM bootloader, where it cannot tell its type: choose it and update</source>
        <translation>im ROM-Bootloader gefunden, wo er seinen Typ nicht melden kann: Typ wählen und aktualisieren</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>no gripper answered: a unit without working firmware is recovered with a power cycle</source>
        <translation>kein Greifer hat geantwortet: ein Gerät ohne funktionierende Firmware wird durch Aus- und Einschalten wiederhergestellt</translation>
    </message>
    <message>
        <location line="+4"/>
        <location line="+79"/>
        <location filename="../../tools/korvane-station/stationtable.cpp" line="+119"/>
        <source>Update as</source>
        <extracomment>Button beside a type list: update a unit found in its ROM as the type chosen. Its twin, &quot;Power cycle&quot;, waits for the user to switch a silent unit off and on again.</extracomment>
        <translation>Aktualisieren als</translation>
    </message>
    <message>
        <location line="-78"/>
        <location filename="../../tools/korvane-station/stationtable.cpp" line="+1"/>
        <source>Power cycle</source>
        <translation>Aus-/Einschalten</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>switch the unit off, then on again; the update starts when it answers</source>
        <translation>Gerät aus- und wieder einschalten; die Aktualisierung beginnt, sobald es antwortet</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationwindow.cpp" line="+99"/>
        <source>Stopped.</source>
        <translation>Angehalten.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Stopped. Left in their bootloader (update them again to recover them): %1</source>
        <translation>Angehalten. Im Bootloader geblieben (zum Wiederherstellen erneut aktualisieren): %1</translation>
    </message>
    <message>
        <location line="-7"/>
        <source>Stopping: the units under way are given up.</source>
        <translation>Wird angehalten: Die laufenden Geräte werden abgebrochen.</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>Please wait: the window closes once the new firmware is written and started (%1).</source>
        <translation>Bitte warten: Das Fenster schließt sich, sobald die neue Firmware geschrieben und gestartet ist (%1).</translation>
    </message>
    <message>
        <location line="-241"/>
        <source>unplugged</source>
        <extracomment>A unit&apos;s step once its adapter was pulled out</extracomment>
        <translation>abgesteckt</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationmodel.cpp" line="-160"/>
        <source>Unit / adapter</source>
        <translation>Gerät / Adapter</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationtable.cpp" line="+59"/>
        <source>Copy the details</source>
        <translation>Details kopieren</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Open the log&apos;s folder</source>
        <translation>Protokollordner öffnen</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationmodel.cpp" line="+197"/>
        <source>Log: %1</source>
        <translation>Protokoll: %1</translation>
    </message>
    <message>
        <location filename="../../tools/korvane-station/stationwindow.cpp" line="+142"/>
        <source>Force installs it anyway</source>
        <translation>„Erzwingen“ installiert trotzdem</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>choose its type, then Update as</source>
        <translation>Typ wählen, dann „Aktualisieren als“</translation>
    </message>
</context>
<context>
    <name>UnitEnd</name>
    <message>
        <location filename="../../src/records/unitend.cpp" line="+20"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="-73"/>
        <source>reboot</source>
        <extracomment>A step of an update, one word in the station&apos;s Step column and in korvane-flash&apos;s progress: a noun</extracomment>
        <translation>Neustart</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+2"/>
        <source>Rebooting the gripper into its bootloader.</source>
        <translation>Der Greifer wird in seinen Bootloader neu gestartet.</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>If the device is turned off, turn it on.</source>
        <translation>Ist das Gerät ausgeschaltet, schalten Sie es ein.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Initializing the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird initialisiert.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Identifying the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird erkannt.</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="+0"/>
        <source>erase</source>
        <extracomment>A step of an update (the flash being erased): a noun</extracomment>
        <translation>Löschen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Erasing the main firmware flash sectors.</source>
        <translation>Die Flash-Sektoren der Haupt-Firmware werden gelöscht.</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="+1"/>
        <source>write</source>
        <extracomment>A step of an update (the new firmware being written): a noun</extracomment>
        <translation>Schreiben</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Downloading the bootloader</source>
        <translation>Bootloader wird heruntergeladen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Downloading the main firmware</source>
        <translation>Haupt-Firmware wird heruntergeladen</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../tools/korvane-flash/console.cpp" line="+0"/>
        <source>verify</source>
        <extracomment>A step of an update (the flash read back and compared): a noun</extracomment>
        <translation>Prüfen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Verifying and jumping in the main firmware</source>
        <translation>Prüfen und Starten der Haupt-Firmware</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The bootloader is ready to receive the new firmware.</source>
        <translation>Der Bootloader ist bereit, die neue Firmware zu empfangen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The new firmware is being downloaded.</source>
        <translation>Die neue Firmware wird heruntergeladen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The new firmware has been downloaded successfully.</source>
        <translation>Die neue Firmware wurde erfolgreich heruntergeladen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Reading the new version.</source>
        <translation>Die neue Version wird gelesen.</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>the gripper stopped answering (its cable or power lost?); the new firmware was not started, update it again</source>
        <translation>der Greifer antwortet nicht mehr (Kabel oder Stromversorgung verloren?); die neue Firmware wurde nicht gestartet, aktualisieren Sie ihn erneut</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>the Freescale bootloader did not show itself ready</source>
        <translation>der Freescale-Bootloader hat sich nicht bereit gemeldet</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>its ROM bootloader did not answer</source>
        <translation>sein ROM-Bootloader hat nicht geantwortet</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the gripper did not enter its bootloader</source>
        <translation>der Greifer ist nicht in seinen Bootloader gewechselt</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>no image to send to the Freescale bootloader</source>
        <translation>kein Image für den Freescale-Bootloader</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>erasing or writing the flash failed</source>
        <translation>Löschen oder Schreiben des Flash fehlgeschlagen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the Freescale bootloader did not report the image loaded</source>
        <translation>der Freescale-Bootloader hat das Image nicht als geladen gemeldet</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>There was a problem starting the download procedure.</source>
        <translation>Beim Starten des Herunterladens ist ein Problem aufgetreten.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the flash read back differs from the image; the new firmware was not started</source>
        <translation>der zurückgelesene Flash weicht vom Image ab; die neue Firmware wurde nicht gestartet</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>written and read back, but its bootloader did not start it</source>
        <translation>geschrieben und zurückgelesen, aber sein Bootloader hat sie nicht gestartet</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>given up</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>written and started, but the new firmware did not report its version</source>
        <translation>geschrieben und gestartet, aber die neue Firmware hat ihre Version nicht gemeldet</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>the new firmware reports %1, not %2</source>
        <translation>die neue Firmware meldet %1, nicht %2</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>written, verified and started, version not read back</source>
        <translation>geschrieben, geprüft und gestartet, Version nicht zurückgelesen</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1 (at: %2)</source>
        <translation>%1 (bei: %2)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1; left in its bootloader, update it again</source>
        <translation>%1; im Bootloader verblieben, erneut aktualisieren</translation>
    </message>
    <message>
        <location line="-34"/>
        <source>it runs a newer version than %1</source>
        <translation>auf ihm läuft eine neuere Version als %1</translation>
    </message>
</context>
<context>
    <name>UnitResult</name>
    <message>
        <location filename="../../src/records/unitresult.cpp" line="+24"/>
        <source>updated</source>
        <extracomment>How a unit&apos;s update ended, one word in korvane-flash&apos;s lines and the station&apos;s Result column</extracomment>
        <translation>aktualisiert</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>up-to-date</source>
        <extracomment>The unit already ran the version it would get, and was left alone</extracomment>
        <translation>aktuell</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>refused</source>
        <extracomment>Nothing was written to the unit, for a reason given beside</extracomment>
        <translation>abgelehnt</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>given-up</source>
        <extracomment>The unit&apos;s update was stopped by the user (Stop, Ctrl-C)</extracomment>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <location line="+60"/>
        <source>updated %1 -&gt; %2 (%3 s)</source>
        <translation>aktualisiert %1 -&gt; %2 (%3 s)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 is up to date, left alone</source>
        <translation>%1 ist aktuell, unverändert gelassen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 not updated: %2</source>
        <translation>%1 nicht aktualisiert: %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 FAILED: %2</source>
        <translation>%1 FEHLGESCHLAGEN: %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 given up: %2</source>
        <translation>%1 abgebrochen: %2</translation>
    </message>
</context>
<context>
    <name>Update</name>
    <message>
        <location filename="../../src/update/firmwarechoice.cpp" line="+107"/>
        <source>%1: the name must start with the gripper&apos;s type code and version, as in GC3-1.6.9.bin</source>
        <translation>%1: Der Name muss mit Typcode und Version des Greifers beginnen, wie GC3-1.6.9.bin</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1: cannot be read</source>
        <translation>%1: kann nicht gelesen werden</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1: the file is empty</source>
        <translation>%1: Die Datei ist leer</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1: not an S-record file</source>
        <translation>%1: keine S-Record-Datei</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1: %2 bytes do not fit the %3 bytes of a %4&apos;s main firmware region</source>
        <translation>%1: %2 Bytes passen nicht in die %3 Bytes des Hauptfirmware-Bereichs eines %4</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1: not a %2 image: %3</source>
        <translation>%1: kein %2-Image: %3</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>the carried %1 cannot run on a %2 gripper: %3</source>
        <translation>das mitgelieferte %1 kann auf einem %2-Greifer nicht laufen: %3</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>This upgrader carries no firmware for the selected gripper.</source>
        <translation>Dieses Aktualisierungsprogramm enthält keine Firmware für den gewählten Greifer.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This upgrader carries no firmware for the %1 gripper.</source>
        <translation>Dieses Aktualisierungsprogramm enthält keine Firmware für den Greifer %1.</translation>
    </message>
    <message>
        <location filename="../../src/update/freescaleparse.cpp" line="+47"/>
        <source>This upgrader cannot tell when the GS gripper&apos;s bootloader is ready: it was built without a ready marker, so nothing is sent to the gripper.</source>
        <translation>Dieses Aktualisierungsprogramm kann nicht erkennen, wann der Bootloader des GS-Greifers bereit ist: Es wurde ohne Bereitschaftsmarke gebaut, daher wird nichts an den Greifer gesendet.</translation>
    </message>
    <message>
        <location filename="../../src/update/flashlayout.cpp" line="+26"/>
        <source>it is too short to hold a vector table</source>
        <translation>es ist zu kurz für eine Vektortabelle</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>its initial stack pointer 0x%1 is not in SRAM</source>
        <translation>sein anfänglicher Stackpointer 0x%1 liegt nicht im SRAM</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>its reset vector 0x%1 is not inside the image written at 0x%2 (is it made for another product?)</source>
        <translation>sein Reset-Vektor 0x%1 liegt nicht im an 0x%2 geschriebenen Image (ist es für ein anderes Produkt?)</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>The image is made for a %1 gripper, not for this one.</source>
        <translation>Das Image ist für einen %1-Greifer, nicht für diesen.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The image of %1 bytes does not fit the %2 bytes of this gripper&apos;s firmware region.</source>
        <translation>Das Image mit %1 Bytes passt nicht in die %2 Bytes des Firmware-Bereichs dieses Greifers.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The bootloader image of %1 bytes does not fit the %2 bytes of its region.</source>
        <translation>Das Bootloader-Image mit %1 Bytes passt nicht in die %2 Bytes seines Bereichs.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>The image cannot run on this gripper: %1.</source>
        <translation>Das Image kann auf diesem Greifer nicht laufen: %1.</translation>
    </message>
    <message>
        <location filename="../../src/update/firmwarechoice.cpp" line="-24"/>
        <source>the gripper&apos;s type code is not known</source>
        <translation>der Typcode des Greifers ist unbekannt</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>no firmware for a %1 gripper</source>
        <translation>keine Firmware für einen %1-Greifer</translation>
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
        <translation>Dies ist Korvane Upgrader für Firmware-Version %1. Dieser Assistent aktualisiert die Firmware Ihres Korvane-Produkts.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Upgrader version %1</source>
        <translation>Upgrader-Version %1</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <location filename="../../tools/korvane-flash/main.cpp" line="+62"/>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Try &apos;korvane-flash --help&apos;.
</source>
        <translation>Siehe &apos;korvane-flash --help&apos;.
</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>cannot set up Ctrl-C handling</source>
        <translation>Strg-C-Behandlung kann nicht eingerichtet werden</translation>
    </message>
    <message>
        <location line="-35"/>
        <source>carried firmware: %1</source>
        <translation>mitgelieferte Firmware: %1</translation>
    </message>
</context>
</TS>

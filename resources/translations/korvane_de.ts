<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Batch</name>
    <message>
        <source>stopped before its update began; nothing was written to it</source>
        <translation>vor Beginn seiner Aktualisierung angehalten; nichts wurde darauf geschrieben</translation>
    </message>
    <message>
        <source>%1 updated</source>
        <translation>%1 aktualisiert</translation>
    </message>
    <message>
        <source>%1 up to date</source>
        <translation>%1 bereits aktuell</translation>
    </message>
    <message>
        <source>%1 not updated</source>
        <translation>%1 nicht aktualisiert</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>%1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 given up</source>
        <translation>%1 abgebrochen</translation>
    </message>
    <message>
        <source>0 updated</source>
        <translation>0 aktualisiert</translation>
    </message>
    <message>
        <source>; %1 report line(s) not written</source>
        <translation>; %1 Berichtszeile(n) nicht geschrieben</translation>
    </message>
    <message>
        <source>no access to the port: add the user to its group &apos;%1&apos;, then log in again</source>
        <translation>kein Zugriff auf den Port: den Benutzer zu seiner Gruppe &apos;%1&apos; hinzufügen und neu anmelden</translation>
    </message>
    <message>
        <source>the port is in use by another program</source>
        <translation>der Port wird von einem anderen Programm benutzt</translation>
    </message>
    <message>
        <source>the port went away</source>
        <translation>der Port ist verschwunden</translation>
    </message>
    <message>
        <source>the port&apos;s open did not return (no answer)</source>
        <translation>das Öffnen des Ports kehrte nicht zurück (keine Antwort)</translation>
    </message>
    <message>
        <source>the port could not be opened</source>
        <translation>der Port konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>the port could not be opened (%1)</source>
        <translation>der Port konnte nicht geöffnet werden (%1)</translation>
    </message>
    <message>
        <source>%1: cannot be opened for appending (%2)</source>
        <translation>%1: kann nicht zum Anhängen geöffnet werden (%2)</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>no gripper answered</source>
        <translation>kein Greifer hat geantwortet</translation>
    </message>
    <message>
        <source>found in its ROM bootloader, where it cannot tell its type</source>
        <translation>im ROM-Bootloader gefunden, wo es seinen Typ nicht angeben kann</translation>
    </message>
    <message>
        <source>a unit without working firmware cannot tell its type</source>
        <translation>ein Gerät ohne funktionierende Firmware kann seinen Typ nicht angeben</translation>
    </message>
</context>
<context>
    <name>CarriedFirmware</name>
    <message>
        <source>Korvane Upgrader for firmware version %1</source>
        <translation>Korvane Upgrader für Firmware-Version %1</translation>
    </message>
</context>
<context>
    <name>DesktopApp</name>
    <message>
        <source>Updates the firmware of a Korvane gripper through a wizard.</source>
        <translation>Aktualisiert die Firmware eines Korvane-Greifers mit einem Assistenten.</translation>
    </message>
    <message>
        <source>Updates every Korvane gripper on the bench at once, in a window.</source>
        <translation>Aktualisiert alle Korvane-Greifer am Prüfstand gleichzeitig, in einem Fenster.</translation>
    </message>
</context>
<context>
    <name>DownloadRun</name>
    <message>
        <source>If the device is turned off, turn it on.<byte value="xd"/>
It might be necessary to retry the power cycle a few times in order for the bootloader to capture the signal.<byte value="xd"/>
 If you have problems, lower the latency of the virtual com port.</source>
        <translation>Ist das Gerät ausgeschaltet, schalten Sie es ein.<byte value="xd"/>
Es kann nötig sein, das Aus- und Einschalten einige Male zu wiederholen, bis der Bootloader das Signal erfasst.<byte value="xd"/>
 Bei Problemen verringern Sie die Latenz des virtuellen COM-Ports.</translation>
    </message>
    <message>
        <source>Initializing the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird initialisiert.</translation>
    </message>
    <message>
        <source>The wizard is currently rebooting the gripper automatically.</source>
        <translation>Der Assistent startet den Greifer automatisch neu.</translation>
    </message>
    <message>
        <source>Please turn the gripper back on. This will initiate the download procedure.</source>
        <translation>Bitte schalten Sie den Greifer wieder ein. Damit beginnt das Herunterladen.</translation>
    </message>
    <message>
        <source>Erasing the main firmware flash sectors.</source>
        <translation>Die Flash-Sektoren der Haupt-Firmware werden gelöscht.</translation>
    </message>
    <message>
        <source>The bootloader is ready to receive the new firmware.</source>
        <translation>Der Bootloader ist bereit, die neue Firmware zu empfangen.</translation>
    </message>
    <message>
        <source>The wizard is currently downloading the new firmware.</source>
        <translation>Der Assistent lädt die neue Firmware herunter.</translation>
    </message>
    <message>
        <source>The new firmware has been downloaded successfully.</source>
        <translation>Die neue Firmware wurde erfolgreich heruntergeladen.</translation>
    </message>
</context>
<context>
    <name>FlashTool</name>
    <message>
        <source>%1: switch the unit off, then on again; the update starts when it answers</source>
        <translation>%1: Gerät aus- und wieder einschalten; die Aktualisierung beginnt, sobald es antwortet</translation>
    </message>
    <message>
        <source>two images for %1 given</source>
        <translation>zwei Images für %1 angegeben</translation>
    </message>
    <message>
        <source>--type %1: not a gripper type code</source>
        <translation>--type %1: kein Greifer-Typcode</translation>
    </message>
    <message>
        <source>--type %1: --type is for the STM32 kinds; a GS-family unit is found as such</source>
        <translation>--type %1: --type gilt für die STM32-Modelle; ein Gerät der GS-Familie wird als solches erkannt</translation>
    </message>
    <message>
        <source>%1 is not a serial port (&apos;korvane-flash list&apos; shows them)</source>
        <translation>%1 ist keine serielle Schnittstelle (&apos;korvane-flash list&apos; zeigt sie an)</translation>
    </message>
    <message>
        <source>No gripper found.</source>
        <translation>Kein Greifer gefunden.</translation>
    </message>
    <message>
        <source>Waiting for grippers to be plugged in; Ctrl-C stops.</source>
        <translation>Warten auf angeschlossene Greifer; Strg-C beendet.</translation>
    </message>
    <message>
        <source>%1: no gripper answered, left alone</source>
        <translation>%1: kein Greifer hat geantwortet, unverändert gelassen</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source> (--force updates it anyway)</source>
        <translation> (--force aktualisiert trotzdem)</translation>
    </message>
    <message>
        <source>%1 was left in its bootloader</source>
        <translation>%1 ist in seinem Bootloader geblieben</translation>
    </message>
    <message>
        <source>Stopping: %1 unit(s) under way finish first; Ctrl-C again gives them up.</source>
        <translation>Beenden: %1 laufende(s) Gerät(e) werden erst fertig; erneutes Strg-C bricht sie ab.</translation>
    </message>
    <message>
        <source>%1: %2 would be updated to %3 (%4)</source>
        <translation>%1: %2 würde auf %3 aktualisiert (%4)</translation>
    </message>
    <message>
        <source>%1: %2 is up to date, would be left alone</source>
        <translation>%1: %2 ist aktuell, würde unverändert gelassen</translation>
    </message>
    <message>
        <source>%1: %2 would not be updated: %3</source>
        <translation>%1: %2 würde nicht aktualisiert: %3</translation>
    </message>
    <message>
        <source>%1; no record of this run is kept</source>
        <translation>%1; von diesem Lauf wird kein Protokoll aufbewahrt</translation>
    </message>
    <message>
        <source>%1: the line for %2 could not be written (%3)</source>
        <translation>%1: Die Zeile für %2 konnte nicht geschrieben werden (%3)</translation>
    </message>
    <message>
        <source>PORT</source>
        <translation>PORT</translation>
    </message>
    <message>
        <source>KIND</source>
        <translation>MODELL</translation>
    </message>
    <message>
        <source>TYPE</source>
        <translation>TYP</translation>
    </message>
    <message>
        <source>VERSION</source>
        <translation>VERSION</translation>
    </message>
    <message>
        <source>BOOTLOADER</source>
        <translation>BOOTLOADER</translation>
    </message>
    <message>
        <source>(no access)</source>
        <translation>(kein Zugriff)</translation>
    </message>
    <message>
        <source>(in use)</source>
        <translation>(belegt)</translation>
    </message>
    <message>
        <source>(gone)</source>
        <translation>(weg)</translation>
    </message>
    <message>
        <source>(no answer)</source>
        <translation>(keine Antwort)</translation>
    </message>
    <message>
        <source>(error)</source>
        <translation>(Fehler)</translation>
    </message>
    <message>
        <source> (via K01)</source>
        <translation> (über K01)</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>%1 is a serial port of the machine itself, where no gripper is looked for (&apos;korvane-flash list&apos; shows the gripper ports)</source>
        <translation>%1 ist eine serielle Schnittstelle des Rechners selbst, an der kein Greifer gesucht wird (&apos;korvane-flash list&apos; zeigt die Schnittstellen der Greifer)</translation>
    </message>
    <message>
        <source>--force installs it anyway</source>
        <translation>--force installiert trotzdem</translation>
    </message>
    <message>
        <source>give --type</source>
        <translation>--type angeben</translation>
    </message>
    <message>
        <source>--manual-reboot for a unit without working firmware</source>
        <translation>--manual-reboot für ein Gerät ohne funktionierende Firmware</translation>
    </message>
    <message>
        <source>give one with --image %1-X.Y.Z.bin</source>
        <translation>eine mit --image %1-X.Y.Z.bin angeben</translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <source>--since %1: not a date (2026-12-08, 2026-12-08T14:00)</source>
        <translation>--since %1: kein Datum (2026-12-08, 2026-12-08T14:00)</translation>
    </message>
    <message numerus="yes">
        <source>%1: %n line(s) that are no record skipped</source>
        <translation>
            <numerusform>%1: %n Zeile übersprungen, die kein Datensatz ist</numerusform>
            <numerusform>%1: %n Zeilen übersprungen, die keine Datensätze sind</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: no such file</source>
        <translation>%1: Datei nicht gefunden</translation>
    </message>
    <message>
        <source>No record kept yet (%1).</source>
        <translation>Noch keine Einträge gespeichert (%1).</translation>
    </message>
    <message>
        <source>%1 holds no record.</source>
        <translation>%1 enthält keine Einträge.</translation>
    </message>
    <message numerus="yes">
        <source>%1: %n record(s), none that answers the question.</source>
        <translation>
            <numerusform>%1: %n Eintrag, keiner passt zur Anfrage.</numerusform>
            <numerusform>%1: %n Einträge, keiner passt zur Anfrage.</numerusform>
        </translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Versions</source>
        <translation>Versionen</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
</context>
<context>
    <name>Options</name>
    <message>
        <source>update, plan: every gripper found</source>
        <translation>update, plan: alle gefundenen Greifer</translation>
    </message>
    <message>
        <source>take FILE instead of the carried firmware for the grippers whose type code starts its name (GC3-1.7.0.bin for GC3); may be given once per type</source>
        <translation>FILE statt der mitgelieferten Firmware für die Greifer nehmen, deren Typcode den Dateinamen beginnt (GC3-1.7.0.bin für GC3); einmal pro Typ angebbar</translation>
    </message>
    <message>
        <source>type code of the grippers that cannot report it: found in their ROM bootloader, or without working firmware (--manual-reboot)</source>
        <translation>Typcode der Greifer, die ihn nicht melden können: im ROM-Bootloader gefunden oder ohne funktionierende Firmware (--manual-reboot)</translation>
    </message>
    <message>
        <source>also update grippers already on that version, or on a newer one</source>
        <translation>auch Greifer aktualisieren, die schon diese oder eine neuere Version haben</translation>
    </message>
    <message>
        <source>for grippers without working firmware: wait for the user to switch each unit off and on again instead of asking it to reboot</source>
        <translation>für Greifer ohne funktionierende Firmware: warten, bis der Benutzer jedes Gerät aus- und wieder einschaltet, statt es zum Neustart aufzufordern</translation>
    </message>
    <message>
        <source>the language of the messages (fr, de, en)</source>
        <translation>die Sprache der Meldungen (fr, de, en)</translation>
    </message>
    <message>
        <source>identify the gripper on every serial port (all ports at once)</source>
        <translation>den Greifer an jeder seriellen Schnittstelle erkennen (alle gleichzeitig)</translation>
    </message>
    <message>
        <source>update the grippers on the named ports, or every one found with --all</source>
        <translation>die Greifer an den genannten Ports aktualisieren, mit --all alle gefundenen</translation>
    </message>
    <message>
        <source>say what update would do to each unit, writing nothing to any gripper</source>
        <translation>anzeigen, was update mit jedem Gerät täte, ohne etwas auf einen Greifer zu schreiben</translation>
    </message>
    <message>
        <source>wait for grippers to be plugged in and update each as it arrives; Ctrl-C lets the units under way finish, a second Ctrl-C gives them up</source>
        <translation>auf angeschlossene Greifer warten und jeden bei Ankunft aktualisieren; Strg-C lässt laufende Geräte fertig werden, ein zweites Strg-C bricht sie ab</translation>
    </message>
    <message>
        <source>Updates Korvane grippers without a window, several at once.</source>
        <translation>Aktualisiert Korvane-Greifer ohne Fenster, mehrere gleichzeitig.</translation>
    </message>
    <message>
        <source>Commands:</source>
        <translation>Befehle:</translation>
    </message>
    <message>
        <source>update, plan: device paths, as &apos;list&apos; shows them</source>
        <translation>update, plan: Gerätepfade, wie &apos;list&apos; sie anzeigt</translation>
    </message>
    <message>
        <source>the program&apos;s and the carried firmware&apos;s versions</source>
        <translation>die Versionen des Programms und der mitgelieferten Firmware</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>kein Befehl angegeben</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>unbekannter Befehl &apos;%1&apos;</translation>
    </message>
    <message>
        <source>&apos;--%1&apos; is not an option of &apos;%2&apos;</source>
        <translation>&apos;--%1&apos; ist keine Option von &apos;%2&apos;</translation>
    </message>
    <message>
        <source>--%1 needs a value</source>
        <translation>--%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>&apos;%1&apos; takes no ports</source>
        <translation>&apos;%1&apos; nimmt keine Ports</translation>
    </message>
    <message>
        <source>give either ports or --all, not both</source>
        <translation>entweder Ports oder --all angeben, nicht beides</translation>
    </message>
    <message>
        <source>name the ports to update, or give --all</source>
        <translation>die zu aktualisierenden Ports nennen oder --all angeben</translation>
    </message>
    <message>
        <source>--manual-reboot needs the ports named</source>
        <translation>--manual-reboot braucht die Ports namentlich</translation>
    </message>
    <message>
        <source>append one JSON line per unit to FILE instead of the user&apos;s history (history: ask FILE instead of the history)</source>
        <translation>hängt pro Einheit eine JSON-Zeile an FILE statt an den Verlauf des Benutzers an (history: fragt FILE statt des Verlaufs ab)</translation>
    </message>
    <message>
        <source>history: only the unit with this ID (24 hex digits)</source>
        <translation>history: nur die Einheit mit dieser ID (24 Hexadezimalziffern)</translation>
    </message>
    <message>
        <source>which units got what, and when, from the records kept</source>
        <translation>welche Einheiten was wann erhalten haben, aus den aufbewahrten Datensätzen</translation>
    </message>
    <message>
        <source>list, update, plan, watch or history</source>
        <translation>list, update, plan, watch oder history</translation>
    </message>
    <message>
        <source>list, plan: one JSON array instead of lines; update, watch: each unit&apos;s record as one JSON line, the other lines on standard error; history: the records as they are</source>
        <translation>list, plan: ein JSON-Array statt Zeilen; update, watch: der Eintrag jedes Geräts als eine JSON-Zeile, die übrigen Zeilen auf der Standardfehlerausgabe; history: die Einträge, wie sie sind</translation>
    </message>
    <message>
        <source>history: only records from DATE on, local time (2026-12-08 or 2026-12-08T14:00)</source>
        <translation>history: nur Einträge ab DATE, in Ortszeit (2026-12-08 oder 2026-12-08T14:00)</translation>
    </message>
    <message>
        <source>which grippers are attached, on which ports</source>
        <translation>welche Greifer angeschlossen sind, an welchen Ports</translation>
    </message>
    <message>
        <source>what an update of every gripper would do, writing nothing</source>
        <translation>was eine Aktualisierung jedes Greifers täte, ohne etwas zu schreiben</translation>
    </message>
    <message>
        <source>update two grippers at once</source>
        <translation>zwei Greifer gleichzeitig aktualisieren</translation>
    </message>
    <message>
        <source>update every gripper, one JSON line per unit for a script to read</source>
        <translation>alle Greifer aktualisieren, eine JSON-Zeile je Gerät für ein Skript</translation>
    </message>
    <message>
        <source>put an older firmware back on one gripper</source>
        <translation>eine ältere Firmware wieder auf einen Greifer bringen</translation>
    </message>
    <message>
        <source>update each gripper as it is plugged in, with its line in bench.jsonl</source>
        <translation>jeden Greifer aktualisieren, sobald er angeschlossen wird, mit seiner Zeile in bench.jsonl</translation>
    </message>
    <message>
        <source>the records kept since 1 December, local time</source>
        <translation>die gespeicherten Einträge seit dem 1. Dezember, in Ortszeit</translation>
    </message>
    <message>
        <source>the options and examples of plan</source>
        <translation>die Optionen und Beispiele von plan</translation>
    </message>
    <message>
        <source>the language of the messages, as for other programs (fr, de); --lang outranks it</source>
        <translation>die Sprache der Meldungen, wie bei anderen Programmen (fr, de); --lang hat Vorrang</translation>
    </message>
    <message>
        <source>further serial ports (serial bridges, simulated grippers), as paths separated by colons; on Windows COM names separated by semicolons</source>
        <translation>weitere serielle Ports (serielle Brücken, simulierte Greifer) als durch Doppelpunkte getrennte Pfade; unter Windows durch Semikolons getrennte COM-Namen</translation>
    </message>
    <message>
        <source>when set, every diagnostic of the update and of the ports goes to standard error</source>
        <translation>wenn gesetzt, gehen alle Diagnosemeldungen der Aktualisierung und der Ports auf die Standardfehlerausgabe</translation>
    </message>
    <message>
        <source>without KORVANE_FLASH_DEBUG, the diagnostics to show by category, such as korvane.batch.debug=true (korvane.update, korvane.stbl, korvane.serial, korvane.device)</source>
        <translation>ohne KORVANE_FLASH_DEBUG die anzuzeigenden Diagnosemeldungen je Kategorie, etwa korvane.batch.debug=true (korvane.update, korvane.stbl, korvane.serial, korvane.device)</translation>
    </message>
    <message>
        <source>the records of every unit updated, kept by korvane-flash, the wizard and the station alike, unless --report names another file</source>
        <translation>die Einträge jedes aktualisierten Geräts, von korvane-flash wie vom Assistenten und der Station geführt, sofern --report keine andere Datei nennt</translation>
    </message>
    <message>
        <source>the diagnostics of the wizard&apos;s and the station&apos;s sessions; korvane-flash writes its own to standard error</source>
        <translation>die Diagnosemeldungen der Sitzungen des Assistenten und der Station; korvane-flash schreibt seine auf die Standardfehlerausgabe</translation>
    </message>
    <message>
        <source>every unit asked for ended on the new version, or was on it already; plan: the plan is made</source>
        <translation>jedes angeforderte Gerät hat nun die neue Version oder hatte sie schon; plan: der Plan ist erstellt</translation>
    </message>
    <message>
        <source>a unit did not end on the new version, a report line could not be written, or the records could not be read</source>
        <translation>ein Gerät hat nicht die neue Version, eine Berichtszeile konnte nicht geschrieben werden, oder die Einträge konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>a usage error: nothing was sent to any gripper</source>
        <translation>ein Bedienfehler: an keinen Greifer wurde etwas gesendet</translation>
    </message>
    <message>
        <source>the options and examples of one command, or this help</source>
        <translation>die Optionen und Beispiele eines Befehls oder diese Hilfe</translation>
    </message>
    <message>
        <source>Examples:</source>
        <translation>Beispiele:</translation>
    </message>
    <message>
        <source>Environment:</source>
        <translation>Umgebung:</translation>
    </message>
    <message>
        <source>Files:</source>
        <translation>Dateien:</translation>
    </message>
    <message>
        <source>Exit status:</source>
        <translation>Rückgabewert:</translation>
    </message>
    <message>
        <source>&apos;korvane-flash help COMMAND&apos; shows the options and examples of one command.</source>
        <translation>„korvane-flash help COMMAND“ zeigt die Optionen und Beispiele eines Befehls.</translation>
    </message>
</context>
<context>
    <name>PageCheckVersion</name>
    <message>
        <source>Current firmware version</source>
        <translation>Aktuelle Firmware-Version</translation>
    </message>
    <message>
        <source>The wizard verifies the current version of the firmware.</source>
        <translation>Der Assistent prüft die aktuelle Firmware-Version.</translation>
    </message>
    <message>
        <source>Download bootloader</source>
        <translation>Bootloader herunterladen</translation>
    </message>
    <message>
        <source>Download main firmware</source>
        <translation>Haupt-Firmware herunterladen</translation>
    </message>
    <message>
        <source>Update firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <source>The current version of the firmware is %1</source>
        <translation>Die aktuelle Firmware-Version ist %1</translation>
    </message>
    <message>
        <source>The firmware you will install is of a different type than the one currently installed.</source>
        <translation>Die zu installierende Firmware ist von einem anderen Typ als die derzeit installierte.</translation>
    </message>
    <message>
        <source>The firmware you will install is older than the one currently installed.</source>
        <translation>Die zu installierende Firmware ist älter als die derzeit installierte.</translation>
    </message>
    <message>
        <source>The version of the firmware you will install is the same as the one currently installed.</source>
        <translation>Die zu installierende Firmware hat dieselbe Version wie die derzeit installierte.</translation>
    </message>
</context>
<context>
    <name>PageDownloadFirmware</name>
    <message>
        <source>This gripper waits in its bootloader and cannot tell which product it is. Which firmware does it take?</source>
        <translation>Dieser Greifer wartet in seinem Bootloader und kann nicht sagen, welches Produkt er ist. Welche Firmware braucht er?</translation>
    </message>
    <message>
        <source>Download of the new firmware</source>
        <translation>Herunterladen der neuen Firmware</translation>
    </message>
    <message>
        <source>New download</source>
        <translation>&amp;Neuer Download</translation>
    </message>
    <message>
        <source>There was a problem starting the download procedure.</source>
        <translation>Beim Start des Herunterladens ist ein Problem aufgetreten.</translation>
    </message>
    <message>
        <source>Verify version</source>
        <translation>Version prüfen</translation>
    </message>
    <message>
        <source>Please wait: the window closes once the new firmware is written and started.</source>
        <translation>Bitte warten: Das Fenster schließt sich, sobald die neue Firmware geschrieben und gestartet ist.</translation>
    </message>
    <message>
        <source>Initializing the Freescale bootloader.</source>
        <translation>Der Freescale-Bootloader wird initialisiert.</translation>
    </message>
    <message>
        <source>Please turn off the gripper by disconnecting its power supply, then press OK.</source>
        <translation>Bitte schalten Sie den Greifer aus, indem Sie seine Stromversorgung trennen, und drücken Sie dann OK.</translation>
    </message>
    <message>
        <source>Identifying the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird erkannt.</translation>
    </message>
    <message>
        <source>Downloading the bootloader</source>
        <translation>Bootloader wird heruntergeladen</translation>
    </message>
    <message>
        <source>Downloading the main firmware</source>
        <translation>Haupt-Firmware wird heruntergeladen</translation>
    </message>
    <message>
        <source>Downloading file %1</source>
        <translation>Datei %1 wird heruntergeladen</translation>
    </message>
    <message>
        <source>Verifying and jumping in the main firmware</source>
        <translation>Prüfen und Starten der Haupt-Firmware</translation>
    </message>
    <message>
        <source>To start another download, connect a new device via USB.</source>
        <translation>Für einen weiteren Download schließen Sie ein neues Gerät über USB an.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
Software Version: %1</source>
        <translation><byte value="xd"/>
Software-Version: %1</translation>
    </message>
    <message>
        <source>The communication could not be established or was lost.</source>
        <translation>Die Verbindung konnte nicht hergestellt werden oder ist abgebrochen.</translation>
    </message>
    <message>
        <source>The communication could not be established or was lost. Please turn off the gripper, unplug/replug the USB cable and relaunch the wizard by selecting the Manual Reboot option.</source>
        <translation>Die Verbindung konnte nicht hergestellt werden oder ist abgebrochen. Bitte schalten Sie den Greifer aus, ziehen Sie das USB-Kabel ab und stecken Sie es wieder ein, und starten Sie den Assistenten mit der Option Manueller Neustart erneut.</translation>
    </message>
    <message>
        <source>%1
Log: %2</source>
        <translation>%1
Protokoll: %2</translation>
    </message>
    <message>
        <source>Copy details</source>
        <translation>Details kopieren</translation>
    </message>
    <message>
        <source>Open log folder</source>
        <translation>Protokollordner öffnen</translation>
    </message>
    <message>
        <source>This update&apos;s record could not be added to the history: %1</source>
        <translation>Der Eintrag dieser Aktualisierung konnte nicht in den Verlauf geschrieben werden: %1</translation>
    </message>
</context>
<context>
    <name>PageSelectPort</name>
    <message>
        <source>Port Selection</source>
        <translation>Portauswahl</translation>
    </message>
    <message>
        <source>Select the COM port to which the gripper is connected. If no port is available, please make sure that the gripper is powered and connected to the PC via its auxiliary USB port, then click back and next to refresh the list.</source>
        <translation>Wählen Sie den COM-Port, an dem der Greifer angeschlossen ist. Ist kein Port verfügbar, prüfen Sie, ob der Greifer mit Strom versorgt und über seinen USB-Hilfsanschluss mit dem PC verbunden ist, und klicken Sie dann auf Zurück und Weiter, um die Liste zu aktualisieren.</translation>
    </message>
    <message>
        <source>Manual reboot</source>
        <translation>&amp;Manueller Neustart</translation>
    </message>
    <message>
        <source>Use the manual reboot option only if there is no firmware on the gripper or if the one currently installed is corrupt (due to a power or communication loss during a previous update).</source>
        <translation>Verwenden Sie den manuellen Neustart nur, wenn der Greifer keine Firmware hat oder die installierte beschädigt ist (durch einen Strom- oder Verbindungsausfall bei einer früheren Aktualisierung).</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Neu&amp;starten</translation>
    </message>
    <message>
        <source>Scan Devices</source>
        <translation>Geräte s&amp;uchen</translation>
    </message>
    <message>
        <source>Disable auto detect device</source>
        <translation>Automatische Geräteerkennung aus</translation>
    </message>
</context>
<context>
    <name>PageVerifyNewVersion</name>
    <message>
        <source>The current version of the firmware is %1</source>
        <translation>Die aktuelle Firmware-Version ist %1</translation>
    </message>
    <message>
        <source>The new firmware version cannot be read. If the gripper is powered and the connection cable is plugged, please contact Korvane to report the problem.</source>
        <translation>Die Version der neuen Firmware kann nicht gelesen werden. Wenn der Greifer mit Strom versorgt und das Verbindungskabel eingesteckt ist, wenden Sie sich bitte an Korvane, um das Problem zu melden.</translation>
    </message>
    <message>
        <source>The new firmware is not the version that was supposed to be installed. Please contact Korvane to report the problem.</source>
        <translation>Die neue Firmware ist nicht die Version, die installiert werden sollte. Bitte wenden Sie sich an Korvane, um das Problem zu melden.</translation>
    </message>
    <message>
        <source>New firmware version</source>
        <translation>Neue Firmware-Version</translation>
    </message>
    <message>
        <source>The wizard verifies if the firmware update was done properly.</source>
        <translation>Der Assistent prüft, ob die Firmware-Aktualisierung korrekt durchgeführt wurde.</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>a development version.</source>
        <translation>eine Entwicklungsversion.</translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <source>Korvane Station</source>
        <translation>Korvane Station</translation>
    </message>
    <message>
        <source>%1: the line for %2 could not be written (%3)</source>
        <translation>%1: Die Zeile für %2 konnte nicht geschrieben werden (%3)</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>&amp;Suchen</translation>
    </message>
    <message>
        <source>Update all</source>
        <translation>Alle &amp;aktualisieren</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>S&amp;topp</translation>
    </message>
    <message>
        <source>Force</source>
        <translation>&amp;Erzwingen</translation>
    </message>
    <message>
        <source>Also install over the same or a newer version</source>
        <translation>Auch über dieselbe oder eine neuere Version installieren</translation>
    </message>
    <message>
        <source>Update grippers as they are plugged in</source>
        <translation>Greifer beim Anschließen aktualisieren</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Will get</source>
        <translation>Erhält</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>Schritt</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Recovery</source>
        <translation>Wiederherstellung</translation>
    </message>
    <message>
        <source>Report:</source>
        <translation>Bericht:</translation>
    </message>
    <message>
        <source>Choose...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>Report file</source>
        <translation>Berichtsdatei</translation>
    </message>
    <message>
        <source>not found at the last scan</source>
        <translation>bei der letzten Suche nicht gefunden</translation>
    </message>
    <message>
        <source>No gripper found.</source>
        <translation>Kein Greifer gefunden.</translation>
    </message>
    <message>
        <source>found in its ROM bootloader, where it cannot tell its type: choose it and update</source>
        <translation>im ROM-Bootloader gefunden, wo er seinen Typ nicht melden kann: Typ wählen und aktualisieren</translation>
    </message>
    <message>
        <source>no gripper answered: a unit without working firmware is recovered with a power cycle</source>
        <translation>kein Greifer hat geantwortet: ein Gerät ohne funktionierende Firmware wird durch Aus- und Einschalten wiederhergestellt</translation>
    </message>
    <message>
        <source>Update as</source>
        <translation>Aktualisieren als</translation>
    </message>
    <message>
        <source>Power cycle</source>
        <translation>Aus-/Einschalten</translation>
    </message>
    <message>
        <source>switch the unit off, then on again; the update starts when it answers</source>
        <translation>Gerät aus- und wieder einschalten; die Aktualisierung beginnt, sobald es antwortet</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>Gestoppt.</translation>
    </message>
    <message>
        <source>Stopped. Left in their bootloader (update them again to recover them): %1</source>
        <translation>Gestoppt. Im Bootloader geblieben (zum Wiederherstellen erneut aktualisieren): %1</translation>
    </message>
    <message>
        <source>Stopping: the units under way are given up.</source>
        <translation>Beenden: Die laufenden Geräte werden abgebrochen.</translation>
    </message>
    <message>
        <source>Please wait: the window closes once the new firmware is written and started (%1).</source>
        <translation>Bitte warten: Das Fenster schließt sich, sobald die neue Firmware geschrieben und gestartet ist (%1).</translation>
    </message>
    <message>
        <source>unplugged</source>
        <translation>abgesteckt</translation>
    </message>
    <message>
        <source>Unit / adapter</source>
        <translation>Einheit / Adapter</translation>
    </message>
    <message>
        <source>Copy the details</source>
        <translation>Details kopieren</translation>
    </message>
    <message>
        <source>Open the log&apos;s folder</source>
        <translation>Protokollordner öffnen</translation>
    </message>
    <message>
        <source>Log: %1</source>
        <translation>Protokoll: %1</translation>
    </message>
    <message>
        <source>Force installs it anyway</source>
        <translation>Erzwingen installiert trotzdem</translation>
    </message>
    <message>
        <source>choose its type, then Update as</source>
        <translation>Typ wählen, dann Aktualisieren als</translation>
    </message>
</context>
<context>
    <name>UnitEnd</name>
    <message>
        <source>reboot</source>
        <translation>Neustart</translation>
    </message>
    <message>
        <source>Rebooting the gripper into its bootloader.</source>
        <translation>Der Greifer wird in seinen Bootloader neu gestartet.</translation>
    </message>
    <message>
        <source>If the device is turned off, turn it on.</source>
        <translation>Ist das Gerät ausgeschaltet, schalten Sie es ein.</translation>
    </message>
    <message>
        <source>Initializing the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird initialisiert.</translation>
    </message>
    <message>
        <source>Identifying the STM32 bootloader.</source>
        <translation>Der STM32-Bootloader wird erkannt.</translation>
    </message>
    <message>
        <source>erase</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Erasing the main firmware flash sectors.</source>
        <translation>Die Flash-Sektoren der Haupt-Firmware werden gelöscht.</translation>
    </message>
    <message>
        <source>write</source>
        <translation>Schreiben</translation>
    </message>
    <message>
        <source>Downloading the bootloader</source>
        <translation>Bootloader wird heruntergeladen</translation>
    </message>
    <message>
        <source>Downloading the main firmware</source>
        <translation>Haupt-Firmware wird heruntergeladen</translation>
    </message>
    <message>
        <source>verify</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>Verifying and jumping in the main firmware</source>
        <translation>Prüfen und Starten der Haupt-Firmware</translation>
    </message>
    <message>
        <source>The bootloader is ready to receive the new firmware.</source>
        <translation>Der Bootloader ist bereit, die neue Firmware zu empfangen.</translation>
    </message>
    <message>
        <source>The new firmware is being downloaded.</source>
        <translation>Die neue Firmware wird heruntergeladen.</translation>
    </message>
    <message>
        <source>The new firmware has been downloaded successfully.</source>
        <translation>Die neue Firmware wurde erfolgreich heruntergeladen.</translation>
    </message>
    <message>
        <source>Reading the new version.</source>
        <translation>Die neue Version wird gelesen.</translation>
    </message>
    <message>
        <source>the gripper stopped answering (its cable or power lost?); the new firmware was not started, update it again</source>
        <translation>der Greifer antwortet nicht mehr (Kabel oder Stromversorgung verloren?); die neue Firmware wurde nicht gestartet, aktualisieren Sie ihn erneut</translation>
    </message>
    <message>
        <source>the Freescale bootloader did not show itself ready</source>
        <translation>der Freescale-Bootloader hat sich nicht bereit gemeldet</translation>
    </message>
    <message>
        <source>its ROM bootloader did not answer</source>
        <translation>sein ROM-Bootloader hat nicht geantwortet</translation>
    </message>
    <message>
        <source>the gripper did not enter its bootloader</source>
        <translation>der Greifer ist nicht in seinen Bootloader gewechselt</translation>
    </message>
    <message>
        <source>no image to send to the Freescale bootloader</source>
        <translation>kein Image für den Freescale-Bootloader</translation>
    </message>
    <message>
        <source>erasing or writing the flash failed</source>
        <translation>Löschen oder Schreiben des Flash fehlgeschlagen</translation>
    </message>
    <message>
        <source>the Freescale bootloader did not report the image loaded</source>
        <translation>der Freescale-Bootloader hat das Image nicht als geladen gemeldet</translation>
    </message>
    <message>
        <source>There was a problem starting the download procedure.</source>
        <translation>Beim Starten des Herunterladens ist ein Problem aufgetreten.</translation>
    </message>
    <message>
        <source>the flash read back differs from the image; the new firmware was not started</source>
        <translation>der zurückgelesene Flash weicht vom Image ab; die neue Firmware wurde nicht gestartet</translation>
    </message>
    <message>
        <source>written and read back, but its bootloader did not start it</source>
        <translation>geschrieben und zurückgelesen, aber sein Bootloader hat sie nicht gestartet</translation>
    </message>
    <message>
        <source>given up</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>written and started, but the new firmware did not report its version</source>
        <translation>geschrieben und gestartet, aber die neue Firmware hat ihre Version nicht gemeldet</translation>
    </message>
    <message>
        <source>the new firmware reports %1, not %2</source>
        <translation>die neue Firmware meldet %1, nicht %2</translation>
    </message>
    <message>
        <source>written, verified and started, version not read back</source>
        <translation>geschrieben, geprüft und gestartet, Version nicht zurückgelesen</translation>
    </message>
    <message>
        <source>%1 (at: %2)</source>
        <translation>%1 (bei: %2)</translation>
    </message>
    <message>
        <source>%1; left in its bootloader, update it again</source>
        <translation>%1; im Bootloader verblieben, erneut aktualisieren</translation>
    </message>
    <message>
        <source>it runs a newer version than %1</source>
        <translation>es läuft eine neuere Version als %1</translation>
    </message>
</context>
<context>
    <name>UnitResult</name>
    <message>
        <source>updated</source>
        <translation>aktualisiert</translation>
    </message>
    <message>
        <source>up-to-date</source>
        <translation>aktuell</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>abgelehnt</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>given-up</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>updated %1 -&gt; %2 (%3 s)</source>
        <translation>aktualisiert %1 -&gt; %2 (%3 s)</translation>
    </message>
    <message>
        <source>%1 is up to date, left alone</source>
        <translation>%1 ist aktuell, unverändert gelassen</translation>
    </message>
    <message>
        <source>%1 not updated: %2</source>
        <translation>%1 nicht aktualisiert: %2</translation>
    </message>
    <message>
        <source>%1 FAILED: %2</source>
        <translation>%1 FEHLGESCHLAGEN: %2</translation>
    </message>
    <message>
        <source>%1 given up: %2</source>
        <translation>%1 abgebrochen: %2</translation>
    </message>
</context>
<context>
    <name>Update</name>
    <message>
        <source>%1: the name must start with the gripper&apos;s type code and version, as in GC3-1.6.9.bin</source>
        <translation>%1: Der Name muss mit Typcode und Version des Greifers beginnen, wie GC3-1.6.9.bin</translation>
    </message>
    <message>
        <source>%1: cannot be read</source>
        <translation>%1: kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>%1: the file is empty</source>
        <translation>%1: Die Datei ist leer</translation>
    </message>
    <message>
        <source>%1: not an S-record file</source>
        <translation>%1: keine S-Record-Datei</translation>
    </message>
    <message>
        <source>%1: %2 bytes do not fit the %3 bytes of a %4&apos;s main firmware region</source>
        <translation>%1: %2 Bytes passen nicht in die %3 Bytes des Hauptfirmware-Bereichs eines %4</translation>
    </message>
    <message>
        <source>%1: not a %2 image: %3</source>
        <translation>%1: kein %2-Image: %3</translation>
    </message>
    <message>
        <source>the carried %1 cannot run on a %2 gripper: %3</source>
        <translation>das mitgelieferte %1 kann auf einem %2-Greifer nicht laufen: %3</translation>
    </message>
    <message>
        <source>This upgrader carries no firmware for the selected gripper.</source>
        <translation>Dieses Aktualisierungsprogramm enthält keine Firmware für den gewählten Greifer.</translation>
    </message>
    <message>
        <source>This upgrader carries no firmware for the %1 gripper.</source>
        <translation>Dieses Aktualisierungsprogramm enthält keine Firmware für den Greifer %1.</translation>
    </message>
    <message>
        <source>This upgrader cannot tell when the GS gripper&apos;s bootloader is ready: it was built without a ready marker, so nothing is sent to the gripper.</source>
        <translation>Dieses Aktualisierungsprogramm kann nicht erkennen, wann der Bootloader des GS-Greifers bereit ist: Es wurde ohne Bereitschaftsmarke gebaut, daher wird nichts an den Greifer gesendet.</translation>
    </message>
    <message>
        <source>it is too short to hold a vector table</source>
        <translation>es ist zu kurz für eine Vektortabelle</translation>
    </message>
    <message>
        <source>its initial stack pointer 0x%1 is not in SRAM</source>
        <translation>sein anfänglicher Stackpointer 0x%1 liegt nicht im SRAM</translation>
    </message>
    <message>
        <source>its reset vector 0x%1 is not inside the image written at 0x%2 (is it made for another product?)</source>
        <translation>sein Reset-Vektor 0x%1 liegt nicht im an 0x%2 geschriebenen Image (ist es für ein anderes Produkt?)</translation>
    </message>
    <message>
        <source>The image is made for a %1 gripper, not for this one.</source>
        <translation>Das Image ist für einen %1-Greifer, nicht für diesen.</translation>
    </message>
    <message>
        <source>The image of %1 bytes does not fit the %2 bytes of this gripper&apos;s firmware region.</source>
        <translation>Das Image mit %1 Bytes passt nicht in die %2 Bytes des Firmware-Bereichs dieses Greifers.</translation>
    </message>
    <message>
        <source>The bootloader image of %1 bytes does not fit the %2 bytes of its region.</source>
        <translation>Das Bootloader-Image mit %1 Bytes passt nicht in die %2 Bytes seines Bereichs.</translation>
    </message>
    <message>
        <source>The image cannot run on this gripper: %1.</source>
        <translation>Das Image kann auf diesem Greifer nicht laufen: %1.</translation>
    </message>
    <message>
        <source>the gripper&apos;s type code is not known</source>
        <translation>der Typcode des Greifers ist unbekannt</translation>
    </message>
    <message>
        <source>no firmware for a %1 gripper</source>
        <translation>keine Firmware für einen %1-Greifer</translation>
    </message>
</context>
<context>
    <name>UpgraderWizard</name>
    <message>
        <source>Korvane Upgrader</source>
        <translation>Korvane Upgrader</translation>
    </message>
    <message>
        <source>This is Korvane Upgrader for firmware version %1. This wizard will update the firmware of your Korvane product.</source>
        <translation>Dies ist Korvane Upgrader für Firmware-Version %1. Dieser Assistent aktualisiert die Firmware Ihres Korvane-Produkts.</translation>
    </message>
    <message>
        <source>Upgrader version %1</source>
        <translation>Upgrader-Version %1</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Try &apos;korvane-flash --help&apos;.
</source>
        <translation>Siehe &apos;korvane-flash --help&apos;.
</translation>
    </message>
    <message>
        <source>cannot set up Ctrl-C handling</source>
        <translation>Strg-C-Behandlung kann nicht eingerichtet werden</translation>
    </message>
    <message>
        <source>carried firmware: %1</source>
        <translation>mitgelieferte Firmware: %1</translation>
    </message>
</context>
</TS>

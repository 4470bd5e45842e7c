<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>gardoctl::TerminalUi</name>
    <message>
        <source> ja (--yes)</source>
        <translation> yes (--yes)</translation>
    </message>
    <message>
        <source> nein (no terminal to ask on)</source>
        <translation> no (no terminal to ask on)</translation>
    </message>
    <message>
        <source>[j/N]</source>
        <translation>[y/N]</translation>
    </message>
</context>
<context>
    <name>lumo::AboutDialog</name>
    <message>
        <source>Info über Mavik - Lumo 05</source>
        <translation>About Mavik - Lumo 05</translation>
    </message>
    <message>
        <source>Programmsymbol</source>
        <translation>Program icon</translation>
    </message>
    <message>
        <source>Service-Programm für die Gasrückführungs-Steuerung Mavik-Gardo</source>
        <translation>Service program for the Mavik-Gardo vapour recovery controller</translation>
    </message>
    <message>
        <source>Mavik Elektronik, Technischer Kundendienst</source>
        <translation>Mavik Elektronik, Technical Customer Service</translation>
    </message>
    <message>
        <source>Bei Fragen wenden Sie sich bitte an Ihren Mavik-Servicepartner.</source>
        <translation>If you have any questions, please contact your Mavik service partner.</translation>
    </message>
    <message>
        <source>Sprache: %1</source>
        <translation>Language: %1</translation>
    </message>
</context>
<context>
    <name>lumo::ControlPanel</name>
    <message>
        <source>Gerät stoppen?</source>
        <translation>Stop the device?</translation>
    </message>
    <message>
        <source>Gerät starten?</source>
        <translation>Start the device?</translation>
    </message>
</context>
<context>
    <name>lumo::CounterDialog</name>
    <message>
        <source>Mavik - Lumo 05     Anzeige Zählerstände</source>
        <translation>Mavik - Lumo 05     Counter Readings</translation>
    </message>
    <message>
        <source>Flüssigkeitszähler:</source>
        <translation>Liquid meter:</translation>
    </message>
    <message>
        <source>Istwerte</source>
        <translation>Actual values</translation>
    </message>
    <message>
        <source>Gaszähler:</source>
        <translation>Gas meter:</translation>
    </message>
    <message>
        <source>Triggerwert:</source>
        <translation>Trigger value:</translation>
    </message>
    <message>
        <source>Fehleranzeige</source>
        <translation>Error display</translation>
    </message>
    <message>
        <source>Fehlerschwelle:</source>
        <translation>Error threshold:</translation>
    </message>
    <message>
        <source>Fehler:</source>
        <translation>Error:</translation>
    </message>
    <message>
        <source>Linke Zapfsäule</source>
        <translation>Left dispenser side</translation>
    </message>
    <message>
        <source>links</source>
        <translation>left</translation>
    </message>
    <message>
        <source>Rechte Zapfsäule</source>
        <translation>Right dispenser side</translation>
    </message>
    <message>
        <source>rechts</source>
        <translation>right</translation>
    </message>
    <message>
        <source>Zyklisch aktualisieren</source>
        <translation>Refresh cyclically</translation>
    </message>
    <message>
        <source>Drucken</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>lumo::DataExchange</name>
    <message>
        <source>Bitte geben Sie eine ganze Zahl zwischen %1 und %2 ein.</source>
        <translation>Please enter a whole number between %1 and %2.</translation>
    </message>
</context>
<context>
    <name>lumo::DeviceLink</name>
    <message>
        <source>Kommando wurde zurückgewiesen! (Reject)</source>
        <translation>Command rejected! (Reject)</translation>
    </message>
    <message>
        <source>Kommando ist fehlerhaft! (NACK)</source>
        <translation>Command is faulty! (NACK)</translation>
    </message>
    <message>
        <source>Unbekannte Geräte-Antwort wurde empfangen!</source>
        <translation>Unknown reply received from the device!</translation>
    </message>
    <message>
        <source>Timeout-Fehler, es konnte kein Zeichen gesendet!</source>
        <translation>Timeout: no character could be sent!</translation>
    </message>
    <message>
        <source>Timeout-Fehler, es wurde kein Zeichen empfangen!</source>
        <translation>Timeout: no character received!</translation>
    </message>
    <message>
        <source>Übertragungsfehler beim Lesen dedektiert!</source>
        <translation>Transmission error detected while reading!</translation>
    </message>
    <message>
        <source>Ungültige Parameter der seriellen Schnittstelle!</source>
        <translation>Invalid serial port parameters!</translation>
    </message>
    <message>
        <source>Unbekannter Fehlertyp ist aufgetreten!</source>
        <translation>An unknown type of error occurred!</translation>
    </message>
    <message>
        <source>Falsche Parameter der seriellen Schnittstelle!</source>
        <translation>Wrong serial port parameters!</translation>
    </message>
    <message>
        <source>Es ist ein nicht dokumentierter Fehler aufgetreten!</source>
        <translation>An undocumented error occurred!</translation>
    </message>
    <message>
        <source>Beim Senden und Empfang ist ein nicht dokumentierter Fehler aufgetreten!</source>
        <translation>An undocumented error occurred while sending and receiving!</translation>
    </message>
    <message>
        <source>Empfangsspeicher ist voll!</source>
        <translation>Receive buffer is full!</translation>
    </message>
    <message>
        <source>Nicht verfügbare Schnittstelle angewählt oder
Datenüberlauf ist aufgetreten!</source>
        <translation>The port chosen is not available or
a data overrun occurred!</translation>
    </message>
    <message>
        <source>Parity-Fehler ist aufgetreten!</source>
        <translation>Parity error occurred!</translation>
    </message>
    <message>
        <source>Frame-Fehler ist aufgetreten!</source>
        <translation>Framing error occurred!</translation>
    </message>
    <message>
        <source>Break wurde empfangen!</source>
        <translation>Break received!</translation>
    </message>
    <message>
        <source>CTS Zeitüberlauf ist aufgetreten!</source>
        <translation>CTS timeout occurred!</translation>
    </message>
    <message>
        <source>DSR Zeitüberlauf ist aufgetreten!</source>
        <translation>DSR timeout occurred!</translation>
    </message>
    <message>
        <source>CD Zeitüberlauf ist aufgetreten!</source>
        <translation>CD timeout occurred!</translation>
    </message>
    <message>
        <source>Sendespeicher ist voll!</source>
        <translation>Transmit buffer is full!</translation>
    </message>
    <message>
        <source>Zeitüberlauf am Parallelport ist aufgetreten!</source>
        <translation>Parallel port timeout occurred!</translation>
    </message>
    <message>
        <source>Fehler am Parallelport ist aufgetreten!</source>
        <translation>Parallel port error occurred!</translation>
    </message>
    <message>
        <source>Parallelport nicht angewählt!</source>
        <translation>Parallel port not selected!</translation>
    </message>
    <message>
        <source>Kein Papier!</source>
        <translation>Out of paper!</translation>
    </message>
    <message>
        <source>Unbekannter Fehler!</source>
        <translation>Unknown error!</translation>
    </message>
    <message>
        <source>Kommunikations-Fehler</source>
        <translation>Communication error</translation>
    </message>
</context>
<context>
    <name>lumo::DiagnosisDialog</name>
    <message>
        <source>Mavik - Lumo 05     Diagnose</source>
        <translation>Mavik - Lumo 05     Diagnosis</translation>
    </message>
    <message>
        <source>Identnummer:</source>
        <translation>Ident number:</translation>
    </message>
    <message>
        <source>Identnummer</source>
        <translation>Ident number</translation>
    </message>
    <message>
        <source>Linke Zapfsäule</source>
        <translation>Left dispenser side</translation>
    </message>
    <message>
        <source>Rechte Zapfsäule</source>
        <translation>Right dispenser side</translation>
    </message>
    <message>
        <source>Tankung</source>
        <translation>Refuelling</translation>
    </message>
    <message>
        <source>Tankung %1</source>
        <translation>Refuelling %1</translation>
    </message>
    <message>
        <source>Uhrzeit / Datum</source>
        <translation>Time / Date</translation>
    </message>
    <message>
        <source>Uhrzeit</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Datum</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Istwerte</source>
        <translation>Actual values</translation>
    </message>
    <message>
        <source>Flüssigkeitszähler:</source>
        <translation>Liquid meter:</translation>
    </message>
    <message>
        <source>Flüssigkeitszähler</source>
        <translation>Liquid meter</translation>
    </message>
    <message>
        <source>Gaszähler:</source>
        <translation>Gas meter:</translation>
    </message>
    <message>
        <source>Gaszähler</source>
        <translation>Gas meter</translation>
    </message>
    <message>
        <source>Fehlerquote:</source>
        <translation>Fault rate:</translation>
    </message>
    <message>
        <source>Fehlerquote</source>
        <translation>Fault rate</translation>
    </message>
    <message>
        <source>Gas-Geber grün</source>
        <translation>Gas sensor green</translation>
    </message>
    <message>
        <source>Gas-Geber rot</source>
        <translation>Gas sensor red</translation>
    </message>
    <message>
        <source>Benzin-Geber grün</source>
        <translation>Petrol sensor green</translation>
    </message>
    <message>
        <source>Benzin-Geber rot</source>
        <translation>Petrol sensor red</translation>
    </message>
    <message>
        <source>Gas-Geber</source>
        <translation>Gas sensor</translation>
    </message>
    <message>
        <source>Benzin-Geber</source>
        <translation>Petrol sensor</translation>
    </message>
    <message>
        <source>Diagnose</source>
        <translation>Diagnosis</translation>
    </message>
    <message>
        <source>Zyklisch aktualisieren</source>
        <translation>Refresh cyclically</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>lumo::ErrorTimeDialog</name>
    <message>
        <source>Mavik - Lumo 05  Fehlerzeit</source>
        <translation>Mavik - Lumo 05  Error Time</translation>
    </message>
    <message>
        <source>Stunden</source>
        <translation>Hours</translation>
    </message>
    <message>
        <source>Minuten</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>lumo::LogCommand</name>
    <message>
        <source>Bitte warten Sie einen Moment!
Die Log-Dateien werden erstellt.</source>
        <translation>Please wait a moment!
The log files are being created.</translation>
    </message>
    <message>
        <source>Die Log-Datei konnte nicht geöffnet werden.
</source>
        <translation>The log file could not be opened.
</translation>
    </message>
</context>
<context>
    <name>lumo::LogFiles</name>
    <message>
        <source>Timeout-Fehler, es wurde kein Zeichen empfangen!
Die Steuerung antwortet nicht mehr, das Erstellen der Log-Dateien wurde abgebrochen.</source>
        <translation>Timeout: no character received!
The controller no longer answers; creating the log files was cancelled.</translation>
    </message>
</context>
<context>
    <name>lumo::LoginDialog</name>
    <message>
        <source>Mavik - Lumo 05    Anmeldung</source>
        <translation>Mavik - Lumo 05    Login</translation>
    </message>
    <message>
        <source>Benutzer:</source>
        <translation>User:</translation>
    </message>
    <message>
        <source>Benutzer</source>
        <translation>User</translation>
    </message>
    <message>
        <source>Passwort:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Passwort</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Keinen Benutzernamen eingegeben!</source>
        <translation>No user name entered!</translation>
    </message>
    <message>
        <source>Eingabe-Fehler</source>
        <translation>Input error</translation>
    </message>
    <message>
        <source>Paßwort ungültig!</source>
        <translation>Invalid password!</translation>
    </message>
    <message>
        <source>Passworteingabe</source>
        <translation>Password entry</translation>
    </message>
</context>
<context>
    <name>lumo::MainDialog</name>
    <message>
        <source>Mavik - Lumo 05</source>
        <translation>Mavik - Lumo 05</translation>
    </message>
    <message>
        <source>Fehlerzähler linke Zapfsäule</source>
        <translation>Error counter, left dispenser side</translation>
    </message>
    <message>
        <source>setzen</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Fehlerzähler links setzen</source>
        <translation>Set error counter, left</translation>
    </message>
    <message>
        <source>rücksetzen</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Fehlerzähler links rücksetzen</source>
        <translation>Reset error counter, left</translation>
    </message>
    <message>
        <source>Fehlerzähler rechte Zapfsäule</source>
        <translation>Error counter, right dispenser side</translation>
    </message>
    <message>
        <source>Fehlerzähler rechts setzen</source>
        <translation>Set error counter, right</translation>
    </message>
    <message>
        <source>Fehlerzähler rechts rücksetzen</source>
        <translation>Reset error counter, right</translation>
    </message>
    <message>
        <source>Fehlerzeit %1 Stunden</source>
        <translation>Error time hours, %1</translation>
    </message>
    <message>
        <source>Fehlerzeit %1 Minuten</source>
        <translation>Error time minutes, %1</translation>
    </message>
    <message>
        <source>ändern</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Fehlerzeit %1 ändern</source>
        <translation>Change error time, %1</translation>
    </message>
    <message>
        <source>Fehlerzeit linke Zapfsäule</source>
        <translation>Error time, left dispenser side</translation>
    </message>
    <message>
        <source>links</source>
        <translation>left</translation>
    </message>
    <message>
        <source>Fehlerzeit rechte Zapfsäule</source>
        <translation>Error time, right dispenser side</translation>
    </message>
    <message>
        <source>rechts</source>
        <translation>right</translation>
    </message>
    <message>
        <source>Benzin:</source>
        <translation>Petrol:</translation>
    </message>
    <message>
        <source>Geberanpassung %1 Benzin</source>
        <translation>Meter calibration petrol, %1</translation>
    </message>
    <message>
        <source>Gas:</source>
        <translation>Gas:</translation>
    </message>
    <message>
        <source>Geberanpassung %1 Gas</source>
        <translation>Meter calibration gas, %1</translation>
    </message>
    <message>
        <source>übernehmen</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Geberanpassung %1 übernehmen</source>
        <translation>Apply meter calibration, %1</translation>
    </message>
    <message>
        <source>Geberanpassung linke Zapfsäule</source>
        <translation>Meter calibration, left dispenser side</translation>
    </message>
    <message>
        <source>Geberanpassung rechte Zapfsäule</source>
        <translation>Meter calibration, right dispenser side</translation>
    </message>
    <message>
        <source>Uhrzeit:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>Uhrzeit</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Datum:</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>Mo</source>
        <translation>Mon</translation>
    </message>
    <message>
        <source>Di</source>
        <translation>Tue</translation>
    </message>
    <message>
        <source>Mi</source>
        <translation>Wed</translation>
    </message>
    <message>
        <source>Do</source>
        <translation>Thu</translation>
    </message>
    <message>
        <source>Fr</source>
        <translation>Fri</translation>
    </message>
    <message>
        <source>Sa</source>
        <translation>Sat</translation>
    </message>
    <message>
        <source>So</source>
        <translation>Sun</translation>
    </message>
    <message>
        <source>Wochentag</source>
        <translation>Weekday</translation>
    </message>
    <message>
        <source>Datum</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Gerät stoppen</source>
        <translation>Stop device</translation>
    </message>
    <message>
        <source>Gerät starten</source>
        <translation>Start device</translation>
    </message>
    <message>
        <source>Anzeige</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Log-Dateien</source>
        <translation>Log files</translation>
    </message>
    <message>
        <source>Säulenparameter</source>
        <translation>Dispenser parameters</translation>
    </message>
    <message>
        <source>Zählerstände</source>
        <translation>Counter readings</translation>
    </message>
    <message>
        <source>Diagnose</source>
        <translation>Diagnosis</translation>
    </message>
    <message>
        <source>Zyklisch aktualisieren</source>
        <translation>Refresh cyclically</translation>
    </message>
    <message>
        <source>Beenden</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Betankungen</source>
        <translation>Refuellings</translation>
    </message>
</context>
<context>
    <name>lumo::MdbReader</name>
    <message>
        <source>Datenbank ist beschädigt: „%1“ kann nicht gelesen werden (%2).</source>
        <translation>The database is damaged: “%1” cannot be read (%2).</translation>
    </message>
    <message>
        <source>Die Tabelle „%1“ ist in der Datenbank „%2“ nicht vorhanden.</source>
        <translation>The table “%1” does not exist in the database “%2”.</translation>
    </message>
    <message>
        <source>Die Tabelle „%1“ der Datenbank „%2“ kann nicht gelesen werden.</source>
        <translation>The table “%1” of the database “%2” cannot be read.</translation>
    </message>
    <message>
        <source>Die Spalte „%1“ ist in der Tabelle „%2“ der Datenbank „%3“ nicht vorhanden.</source>
        <translation>The column “%1” does not exist in the table “%2” of the database “%3”.</translation>
    </message>
    <message>
        <source>unbekannte Antwort</source>
        <translation>unknown answer</translation>
    </message>
    <message>
        <source>Das Programm zum Lesen der Datenbank (%1) kann nicht gestartet werden: %2</source>
        <translation>The database reader program (%1) cannot be started: %2</translation>
    </message>
    <message>
        <source>keine Antwort nach %1 Sekunden</source>
        <translation>no answer after %1 seconds</translation>
    </message>
    <message>
        <source>das Leseprogramm brach ab</source>
        <translation>the reader program crashed</translation>
    </message>
    <message>
        <source>das Leseprogramm endete mit dem Code %1</source>
        <translation>the reader program ended with code %1</translation>
    </message>
    <message>
        <source>unverständliche Antwort des Leseprogramms</source>
        <translation>unintelligible answer from the reader program</translation>
    </message>
    <message>
        <source>die Antwort des Leseprogramms ist länger als 1 MB</source>
        <translation>the answer of the reader program is longer than 1 MB</translation>
    </message>
</context>
<context>
    <name>lumo::PortDialog</name>
    <message>
        <source>Mavik - Lumo 05   Schnittstelle</source>
        <translation>Mavik - Lumo 05   Port</translation>
    </message>
    <message>
        <source>Schnittstelle:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Schnittstelle</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Versuchen</source>
        <translation>Try</translation>
    </message>
    <message>
        <source>Beenden</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>%1 ließ sich öffnen, aber kein Regler hat geantwortet.</source>
        <translation>%1 opened, but no controller answered.</translation>
    </message>
</context>
<context>
    <name>lumo::PortInfo</name>
    <message>
        <source>%1 = %2 (Eintrag %3)</source>
        <translation>%1 = %2 (entry %3)</translation>
    </message>
    <message>
        <source> Systemmeldung: %1</source>
        <translation> System message: %1</translation>
    </message>
    <message>
        <source>%1 lässt sich öffnen.</source>
        <translation>%1 can be opened.</translation>
    </message>
    <message>
        <source>Gerät %1 ist nicht vorhanden.</source>
        <translation>Device %1 does not exist.</translation>
    </message>
    <message>
        <source>Keine Berechtigung für %1: den Benutzer in die Gruppe „%2“ aufnehmen (sudo usermod -aG %2 $USER) und neu anmelden.</source>
        <translation>No permission for %1: add the user to the group “%2” (sudo usermod -aG %2 $USER) and log in again.</translation>
    </message>
    <message>
        <source>%1 wird von einem anderen Programm benutzt.</source>
        <translation>%1 is in use by another program.</translation>
    </message>
    <message>
        <source>%1 ist keine serielle Schnittstelle.</source>
        <translation>%1 is not a serial port.</translation>
    </message>
    <message>
        <source>Hinter %1 ist keine Schnittstelle vorhanden.</source>
        <translation>There is no port behind %1.</translation>
    </message>
    <message>
        <source>%1 lässt sich nicht öffnen.</source>
        <translation>%1 cannot be opened.</translation>
    </message>
    <message>
        <source>Keine seriellen Schnittstellen gefunden.</source>
        <translation>No serial ports found.</translation>
    </message>
    <message>
        <source>%1 (ohne COM-Nummer)</source>
        <translation>%1 (no COM number)</translation>
    </message>
    <message>
        <source>Gefundene Schnittstellen:
</source>
        <translation>Serial ports found:
</translation>
    </message>
    <message>
        <source>Keine Verbindung zu %1.</source>
        <translation>No connection to %1.</translation>
    </message>
</context>
<context>
    <name>lumo::PrintJob</name>
    <message>
        <source>Fehler</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Kein Druckspeicher vorhanden!</source>
        <translation>No print memory available!</translation>
    </message>
    <message>
        <source>Kein Drucker gefunden!</source>
        <translation>No printer found!</translation>
    </message>
    <message>
        <source>Ausdruck nicht möglich!</source>
        <translation>Printing not possible!</translation>
    </message>
    <message>
        <source>Kein Printer-DC!</source>
        <translation>No printer device context!</translation>
    </message>
</context>
<context>
    <name>lumo::PumpParamDialog</name>
    <message>
        <source>Mavik - Lumo 05     Anzeige Säulenparameter</source>
        <translation>Mavik - Lumo 05     Dispenser Parameters</translation>
    </message>
    <message>
        <source>Identnummer:</source>
        <translation>Ident number:</translation>
    </message>
    <message>
        <source>Adresse</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Tankstelle:</source>
        <translation>Filling station:</translation>
    </message>
    <message>
        <source>Straße:</source>
        <translation>Street:</translation>
    </message>
    <message>
        <source>PLZ:</source>
        <translation>Postcode:</translation>
    </message>
    <message>
        <source>Ort:</source>
        <translation>Town:</translation>
    </message>
    <message>
        <source>Zapfsäule</source>
        <translation>Dispenser</translation>
    </message>
    <message>
        <source>Marke:</source>
        <translation>Make:</translation>
    </message>
    <message>
        <source>Typ:</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>Baujahr:</source>
        <translation>Year built:</translation>
    </message>
    <message>
        <source>Diagnose:</source>
        <translation>Diagnosis:</translation>
    </message>
    <message>
        <source>Diagnose 1</source>
        <translation>Diagnosis 1</translation>
    </message>
    <message>
        <source>Diagnose 2</source>
        <translation>Diagnosis 2</translation>
    </message>
    <message>
        <source>Linke ZS-Nr.:</source>
        <translation>Left dispenser no.:</translation>
    </message>
    <message>
        <source>Rechte ZS-Nr.:</source>
        <translation>Right dispenser no.:</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Der Eintrag „ID-Nummer=%1“ in der Datei „%2“ ist beschädigt („Diag-Typ=“ oder „]“ fehlt). Er kann erst geändert werden, wenn sein Text repariert ist; die Änderungen wurden nicht gespeichert.</source>
        <translation>The entry “ID-Nummer=%1” in the file “%2” is damaged (“Diag-Typ=” or “]” is missing). It can only be changed once its text has been repaired; the changes were not saved.</translation>
    </message>
</context>
<context>
    <name>lumo::PumpRecord</name>
    <message>
        <source>Datenbank konnte nicht geöffnet werden!</source>
        <translation>Could not open the database!</translation>
    </message>
    <message>
        <source>Datenbank-Fehler</source>
        <translation>Database error</translation>
    </message>
</context>
<context>
    <name>lumo::RefuellingDialog</name>
    <message>
        <source>Kopfdaten</source>
        <translation>Header data</translation>
    </message>
    <message>
        <source>Diagramm Betankungen %1</source>
        <translation>Refuellings chart, %1</translation>
    </message>
    <message>
        <source>Tabelle Betankungen %1</source>
        <translation>Refuellings table, %1</translation>
    </message>
    <message>
        <source>Linke Zapfsäule</source>
        <translation>Left dispenser side</translation>
    </message>
    <message>
        <source>links</source>
        <translation>left</translation>
    </message>
    <message>
        <source>Rechte Zapfsäule</source>
        <translation>Right dispenser side</translation>
    </message>
    <message>
        <source>rechts</source>
        <translation>right</translation>
    </message>
    <message>
        <source>Speichern …</source>
        <translation>Save …</translation>
    </message>
    <message>
        <source>Speichern</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Drucken</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>leer</source>
        <translation>empty</translation>
    </message>
    <message>
        <source>Betankungen</source>
        <translation>Refuellings</translation>
    </message>
    <message>
        <source>Betankungen speichern unter (CSV und PDF)</source>
        <translation>Save refuellings as (CSV and PDF)</translation>
    </message>
    <message>
        <source>CSV und PDF (*.csv *.pdf)</source>
        <translation>CSV and PDF (*.csv *.pdf)</translation>
    </message>
    <message>
        <source>%1 besteht bereits.
Ersetzen?</source>
        <translation>%1 already exists.
Replace?</translation>
    </message>
    <message>
        <source> und </source>
        <translation> and </translation>
    </message>
    <message>
        <source>Das PDF konnte nicht erzeugt werden.</source>
        <translation>The PDF could not be created.</translation>
    </message>
</context>
<context>
    <name>lumo::Refuellings</name>
    <message>
        <source>Linke Zapfsäule</source>
        <translation>Left dispenser side</translation>
    </message>
    <message>
        <source>Rechte Zapfsäule</source>
        <translation>Right dispenser side</translation>
    </message>
    <message>
        <source> (Fehlerschwelle %1 %)</source>
        <translation> (error threshold %1 %)</translation>
    </message>
    <message>
        <source>Nr. %1: %2, %3</source>
        <translation>No. %1: %2, %3</translation>
    </message>
    <message>
        <source>%1: keine Betankung aufgezeichnet.</source>
        <translation>%1: no refuelling recorded.</translation>
    </message>
    <message>
        <source>%1: %2 Betankungen, Fehlerschwelle nicht gelesen.</source>
        <translation>%1: %2 refuellings, error threshold not read.</translation>
    </message>
    <message>
        <source>%1: %2 Betankungen, davon %3 außerhalb von 100 % ± %4 %.</source>
        <translation>%1: %2 refuellings, %3 of them outside 100 % ± %4 %.</translation>
    </message>
    <message>
        <source>Nr.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Datum und Uhrzeit</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>Flüssigkeit ml</source>
        <translation>Liquid ml</translation>
    </message>
    <message>
        <source>Gas ml</source>
        <translation>Gas ml</translation>
    </message>
    <message>
        <source>Verhältnis</source>
        <translation>Ratio</translation>
    </message>
    <message>
        <source>keine Betankung</source>
        <translation>no refuelling</translation>
    </message>
    <message>
        <source>, über dem Band</source>
        <translation>, above the band</translation>
    </message>
    <message>
        <source>, unter dem Band</source>
        <translation>, below the band</translation>
    </message>
    <message>
        <source>, im Band</source>
        <translation>, within the band</translation>
    </message>
    <message>
        <source>Mavik - Lumo 05     Betankungen</source>
        <translation>Mavik - Lumo 05     Refuellings</translation>
    </message>
    <message>
        <source>Tankstelle: %1</source>
        <translation>Filling station: %1</translation>
    </message>
    <message>
        <source>Geräte-Id: %1</source>
        <translation>Device ID: %1</translation>
    </message>
    <message>
        <source>Gelesen am: %1</source>
        <translation>Read on: %1</translation>
    </message>
</context>
<context>
    <name>lumo::Resources</name>
    <message>
        <source>Inf&amp;o über Mavik_Gardo...</source>
        <translation>&amp;About Mavik_Gardo...</translation>
    </message>
</context>
<context>
    <name>lumo::SafeFile</name>
    <message>
        <source>Fehler</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>lumo::SideSelectDialog</name>
    <message>
        <source>Mavik - Lumo 05     Seitenauswahl</source>
        <translation>Mavik - Lumo 05     Side Selection</translation>
    </message>
    <message>
        <source>Für welche Seite soll die Log-Datei angezeigt werden?</source>
        <translation>For which side should the log file be shown?</translation>
    </message>
    <message>
        <source>Linke Seite</source>
        <translation>Left side</translation>
    </message>
    <message>
        <source>Rechte Seite</source>
        <translation>Right side</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>lumo::SingleInstance</name>
    <message>
        <source>Die Software kann nicht mehrmals gestartet werden.</source>
        <translation>The software cannot be started more than once.</translation>
    </message>
</context>
<context>
    <name>lumo::StationDatabase</name>
    <message>
        <source>Fehler beim Lesen der Parameter</source>
        <translation>Error reading the parameters</translation>
    </message>
    <message>
        <source>Die Stationsdatei „%1“ wurde nicht geändert: ihr Ordner ist schreibgeschützt, und es ließ sich keine Kopie der alten Datei anlegen („%2“: %3).</source>
        <translation>The station file “%1” was not changed: its folder is write-protected, and no copy of the old file could be made (“%2”: %3).</translation>
    </message>
    <message>
        <source>Die Stationsdatei „%1“ ließ sich nicht schreiben (%2) und nicht wiederherstellen (%3). Die alte Datei liegt in „%4“ und wird beim nächsten Start zurückgeschrieben.</source>
        <translation>The station file “%1” could not be written (%2) nor restored (%3). The old file is kept in “%4” and will be written back at the next start.</translation>
    </message>
    <message>
        <source>Die Stationsdatei „%1“ ist nach einem abgebrochenen Speichern unvollständig und ließ sich nicht aus der Kopie „%2“ wiederherstellen: %3</source>
        <translation>The station file “%1” is incomplete after an interrupted save and could not be restored from the copy “%2”: %3</translation>
    </message>
    <message>
        <source>Die Stationsdatei „%1“ war nach einem abgebrochenen Speichern unvollständig (%2 statt %3 Bytes); sie wurde aus der Kopie „%4“ wiederhergestellt.</source>
        <translation>The station file “%1” was incomplete after an interrupted save (%2 instead of %3 bytes); it was restored from the copy “%4”.</translation>
    </message>
    <message>
        <source>Die Stationsdaten werden aus %1 gelesen und ab jetzt in %2 gespeichert.</source>
        <translation>The station data are read from %1 and from now on saved in %2.</translation>
    </message>
</context>
<context>
    <name>lumo::TraceControl</name>
    <message>
        <source>Schnittstellen-Mitschnitt: aus</source>
        <translation>Serial line trace: off</translation>
    </message>
    <message>
        <source>Schnittstellen-Mitschnitt: Standardfehlerausgabe</source>
        <translation>Serial line trace: standard error</translation>
    </message>
    <message>
        <source>Schnittstellen-Mitschnitt: %1</source>
        <translation>Serial line trace: %1</translation>
    </message>
    <message>
        <source>Schnittstellen-Mitschnitt starten...</source>
        <translation>Start serial line trace...</translation>
    </message>
    <message>
        <source>Schnittstellen-Mitschnitt beenden</source>
        <translation>Stop serial line trace</translation>
    </message>
    <message>
        <source>Schnittstellen-Mitschnitt speichern unter</source>
        <translation>Save serial line trace as</translation>
    </message>
    <message>
        <source>Textdateien (*.txt);;Alle Dateien (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
</context>
<context>
    <name>lumo::UiSeam</name>
    <message>
        <source>&amp;Ja</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Nein</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>Mavik_Lumo 05 - Abfrage</source>
        <translation>Mavik_Lumo 05 - Question</translation>
    </message>
</context>
<context>
    <name>lumo::WaitDialog</name>
    <message>
        <source>Bitte Warten ...</source>
        <translation>Please Wait ...</translation>
    </message>
    <message>
        <source>Meldung</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Fortschritt</source>
        <translation>Progress</translation>
    </message>
</context>
</TS>

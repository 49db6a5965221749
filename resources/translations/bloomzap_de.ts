<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>QtUpdateScreen</name>
    <message>
        <source>Updating. Please Wait...</source>
        <translation>Update läuft. Bitte warten...</translation>
    </message>
    <message>
        <source>Download Aborted</source>
        <translation>Download abgebrochen</translation>
    </message>
    <message>
        <source>Received %1 bytes</source>
        <translation>%1 Bytes empfangen</translation>
    </message>
    <message>
        <source>Installing</source>
        <translation>Wird installiert</translation>
    </message>
    <message>
        <source>Cannot create file %1</source>
        <translation>Die Datei kann nicht angelegt werden: %1</translation>
    </message>
    <message>
        <source>Cannot write to file %1</source>
        <translation>In die Datei kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>There was an error in the update process. Please download BLOOMZAP manually from %1.</source>
        <translation>Beim Update ist ein Fehler aufgetreten. Bitte lade BLOOMZAP von Hand herunter: %1.</translation>
    </message>
    <message>
        <source>This copy of Bloomzap is updated by the system&apos;s package manager. Please update it from there.</source>
        <translation>Diese Bloomzap-Installation wird von der Paketverwaltung des Systems aktualisiert. Bitte aktualisiere sie dort.</translation>
    </message>
</context>
<context>
    <name>ScoreSubmission</name>
    <message>
        <source>Posting Score, Please Wait%1</source>
        <translation>Sende Punkte, bitte warten%1</translation>
    </message>
    <message>
        <source>Posting Failed.</source>
        <translation>Senden fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>Tabout</name>
    <message>
        <source>Bloomzap - About</source>
        <translation>Über Bloomzap</translation>
    </message>
    <message>
        <source>Bloomzap, a flower puzzle game</source>
        <translation>Bloomzap, ein Blumen-Puzzlespiel</translation>
    </message>
    <message>
        <source>Copyright (c) Varnok Software</source>
        <translation>Copyright (c) Varnok Software</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>Thelp</name>
    <message>
        <source>License</source>
        <translation>Lizenz</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Überblick</translation>
    </message>
    <message>
        <source>I wanted to add to my puzzle game collection so this game was born! :)</source>
        <translation>Ich wollte meine Sammlung an Denkspielen erweitern, und so entstand dieses Spiel! :)</translation>
    </message>
    <message>
        <source>Game Play</source>
        <translation>Spielablauf</translation>
    </message>
    <message>
        <source>Click on flowers to remove them. There must be at least two flowers of the </source>
        <translation>Klicke auf Blumen, um sie zu entfernen. Es müssen mindestens zwei Blumen der </translation>
    </message>
    <message>
        <source>same color touching in order to be removed.</source>
        <translation>gleichen Farbe aneinandergrenzen, damit sie verschwinden.</translation>
    </message>
    <message>
        <source>Scoring</source>
        <translation>Punkte</translation>
    </message>
    <message>
        <source>You receive points for each flower removed. The score is based on the </source>
        <translation>Für jede entfernte Blume gibt es Punkte. Sie richten sich nach der </translation>
    </message>
    <message>
        <source>number of total flowers removed at one time and the round number.</source>
        <translation>Zahl der auf einmal entfernten Blumen und nach der Runde.</translation>
    </message>
    <message>
        <source>If you clear all the flowers off the board, you receive a 100 point bonus.</source>
        <translation>Räumst du alle Blumen vom Spielfeld, gibt es 100 Bonuspunkte.</translation>
    </message>
    <message>
        <source>Documentation</source>
        <translation>Dokumentation</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Versionsgeschichte</translation>
    </message>
    <message>
        <source>Bloomzap - Help File</source>
        <translation>Bloomzap - Hilfe</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über Bloomzap</translation>
    </message>
    <message>
        <source>a game by</source>
        <translation>ein Spiel von</translation>
    </message>
    <message>
        <source>Copyright (c)</source>
        <translation>Copyright (c)</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>Thighscore</name>
    <message>
        <source>Bloomzap - High Scores</source>
        <translation>Bloomzap - Bestenliste</translation>
    </message>
    <message>
        <source>DONE</source>
        <translation>FERTIG</translation>
    </message>
</context>
<context>
    <name>Tmain</name>
    <message>
        <source>PAUSE GAME</source>
        <translation>PAUSE</translation>
    </message>
    <message>
        <source>RESUME</source>
        <translation>WEITER</translation>
    </message>
    <message>
        <source>LEVEL UP!</source>
        <translation>NÄCHSTE STUFE!</translation>
    </message>
    <message>
        <source>Scored: %1</source>
        <translation>Punkte: %1</translation>
    </message>
    <message>
        <source>Good Luck %1</source>
        <translation>Viel Glück, %1</translation>
    </message>
    <message>
        <source>Welcome to Bloomzap!</source>
        <translation>Willkommen bei Bloomzap!</translation>
    </message>
    <message>
        <source>Level:</source>
        <translation>Stufe:</translation>
    </message>
    <message>
        <source>Until Next Level:</source>
        <translation>Nächste Stufe in:</translation>
    </message>
    <message>
        <source>Last Score:</source>
        <translation>Letzte Gruppe:</translation>
    </message>
    <message>
        <source>Score:</source>
        <translation>Punkte:</translation>
    </message>
    <message>
        <source>START GAME</source>
        <translation>NEUES SPIEL</translation>
    </message>
    <message>
        <source>Cleared:</source>
        <translation>Züge:</translation>
    </message>
    <message>
        <source>Enjoy the Game!</source>
        <translation>Viel Spaß!</translation>
    </message>
    <message>
        <source>ENTER YOUR NAME</source>
        <translation>GIB DEINEN NAMEN EIN</translation>
    </message>
    <message>
        <source>DONE</source>
        <translation>FERTIG</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ABBRECHEN</translation>
    </message>
    <message>
        <source>YOUR CLEARED THE BOARD!</source>
        <translation>SPIELFELD GERÄUMT!</translation>
    </message>
    <message>
        <source>Your Score: </source>
        <translation>Deine Punkte: </translation>
    </message>
    <message>
        <source>Enter Your Name</source>
        <translation>Gib deinen Namen ein</translation>
    </message>
    <message>
        <source>SEND SCORE</source>
        <translation>PUNKTE SENDEN</translation>
    </message>
    <message>
        <source>Posting Score, Please Wait......</source>
        <translation>Sende Punkte, bitte warten......</translation>
    </message>
    <message>
        <source>VIEW HIGH SCORES</source>
        <translation>BESTENLISTE</translation>
    </message>
    <message>
        <source>Update Available</source>
        <translation>Update verfügbar</translation>
    </message>
    <message>
        <source>Would you like to update now?</source>
        <translation>Möchtest du jetzt aktualisieren?</translation>
    </message>
    <message>
        <source>UPDATE</source>
        <translation>UPDATE</translation>
    </message>
    <message>
        <source>GAME IS PAUSED</source>
        <translation>SPIEL PAUSIERT</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Spiel</translation>
    </message>
    <message>
        <source>Start Game</source>
        <translation>Neues Spiel</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Play Sounds</source>
        <translation>Klänge abspielen</translation>
    </message>
    <message>
        <source>Reset Screen Location</source>
        <translation>Fensterposition zurücksetzen</translation>
    </message>
    <message>
        <source>Change  Name</source>
        <translation>Namen ändern</translation>
    </message>
    <message>
        <source>Automatically Check for Updates</source>
        <translation>Automatisch nach Updates suchen</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>Tally List</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>View High Score List</source>
        <translation>Bestenliste anzeigen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über Bloomzap</translation>
    </message>
    <message>
        <source>Unable to write to %1</source>
        <translation>Speichern nicht möglich: %1</translation>
    </message>
</context>
<context>
    <name>Tmultiplayer</name>
    <message>
        <source>Bloomzap - Multiplayer</source>
        <translation>Bloomzap - Mehrspieler</translation>
    </message>
    <message>
        <source>Play against the world on one high-score list!</source>
        <translation>Spiel gegen die Welt auf einer Bestenliste!</translation>
    </message>
    <message>
        <source>Click here to see today&apos;s top ten and post your best score</source>
        <translation>Klicke hier: Top Ten des Tages ansehen, Bestwert eintragen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>Ttallylist</name>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Tally?</source>
        <translation>Möchtest du die Statistik wirklich zurücksetzen?</translation>
    </message>
    <message>
        <source>Lzrw1 (de)compression : Failed to open input file : %1</source>
        <translation>Lzrw1 (De-)Kompression: Eingabedatei kann nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>Lzrw1 (de)compression : Failed to get memory for I/O buffers !</source>
        <translation>Lzrw1 (De-)Kompression: Kein Speicher für die E/A-Puffer!</translation>
    </message>
    <message>
        <source>Lzrw1 : Error reading from input file : %1</source>
        <translation>Lzrw1: Fehler beim Lesen der Eingabedatei: %1</translation>
    </message>
    <message>
        <source>%1 : Lzrw1 decompression : this file has no valid header !</source>
        <translation>%1: Lzrw1-Dekompression: Diese Datei hat keinen gültigen Kopf!</translation>
    </message>
    <message>
        <source>%1 : Lzrw1 decompression : corrupt compressed data !</source>
        <translation>%1: Lzrw1-Dekompression: Die komprimierten Daten sind beschädigt!</translation>
    </message>
    <message>
        <source>Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !</source>
        <translation>Lzrw1 (Dekompression LZRW1/KH): Original- und komprimierte Größe passen nicht zusammen!</translation>
    </message>
    <message>
        <source>Lzrw1 (decompression LZH) : Original and compressed sizes do not match !</source>
        <translation>Lzrw1 (Dekompression LZH): Original- und komprimierte Größe passen nicht zusammen!</translation>
    </message>
    <message>
        <source>Bloomzap - Tally List</source>
        <translation>Bloomzap - Statistik</translation>
    </message>
    <message>
        <source>YOUR TALLY LIST</source>
        <translation>DEINE STATISTIK</translation>
    </message>
    <message>
        <source>Total Games:</source>
        <translation>Spiele gesamt:</translation>
    </message>
    <message>
        <source>Highest Level Reached:</source>
        <translation>Höchste erreichte Stufe:</translation>
    </message>
    <message>
        <source>Board Cleared:</source>
        <translation>Feld geräumt:</translation>
    </message>
    <message>
        <source>HIGH SCORES</source>
        <translation>BESTENLISTE</translation>
    </message>
    <message>
        <source>RESET TALLY</source>
        <translation>ZURÜCKSETZEN</translation>
    </message>
    <message>
        <source>DONE</source>
        <translation>FERTIG</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BoardAccessible</name>
    <message>
        <source>Row %1, column %2: %3</source>
        <translation>Zeile %1, Spalte %2: %3</translation>
    </message>
    <message>
        <source>covered</source>
        <translation>verdeckt</translation>
    </message>
    <message>
        <source>blue flower</source>
        <translation>blaue Blume</translation>
    </message>
    <message>
        <source>orange flower</source>
        <translation>orange Blume</translation>
    </message>
    <message>
        <source>green flower</source>
        <translation>grüne Blume</translation>
    </message>
    <message>
        <source>red flower</source>
        <translation>rote Blume</translation>
    </message>
    <message>
        <source>purple flower</source>
        <translation>violette Blume</translation>
    </message>
    <message>
        <source>yellow flower</source>
        <translation>gelbe Blume</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>leer</translation>
    </message>
    <message>
        <source>Board</source>
        <translation>Spielfeld</translation>
    </message>
    <message>
        <source>Ten rows of ten cells. The arrow keys move the cursor, Space or Return clears the group under it, P pauses the game.</source>
        <translation>Zehn Zeilen mit je zehn Feldern. Die Pfeiltasten bewegen den Cursor, Leertaste oder Eingabetaste räumen die Gruppe darunter ab, P pausiert das Spiel.</translation>
    </message>
    <message>
        <source>Column %1</source>
        <translation>Spalte %1</translation>
    </message>
    <message>
        <source>Row %1</source>
        <translation>Zeile %1</translation>
    </message>
</context>
<context>
    <name>MainAccessible</name>
    <message>
        <source>Game</source>
        <translation>Spiel</translation>
    </message>
    <message>
        <source>The board, the displays and the buttons</source>
        <translation>Das Spielfeld, die Anzeigen und die Schaltflächen</translation>
    </message>
    <message>
        <source>Playing area</source>
        <translation>Spielbereich</translation>
    </message>
    <message>
        <source>The board with the displays beside it</source>
        <translation>Das Spielfeld mit den Anzeigen daneben</translation>
    </message>
    <message>
        <source>Board frame</source>
        <translation>Spielfeldrahmen</translation>
    </message>
    <message>
        <source>The frame around the board</source>
        <translation>Der Rahmen um das Spielfeld</translation>
    </message>
    <message>
        <source>The player&apos;s greeting</source>
        <translation>Die Begrüßung des Spielers</translation>
    </message>
    <message>
        <source>The level being played</source>
        <translation>Die laufende Stufe</translation>
    </message>
    <message>
        <source>Flowers still to clear before the next level</source>
        <translation>Blumen, die bis zur nächsten Stufe noch abzuräumen sind</translation>
    </message>
    <message>
        <source>Points for the last group cleared</source>
        <translation>Punkte für die zuletzt abgeräumte Gruppe</translation>
    </message>
    <message>
        <source>Points in this game</source>
        <translation>Punkte in diesem Spiel</translation>
    </message>
    <message>
        <source>Flowers in the last group cleared</source>
        <translation>Blumen in der zuletzt abgeräumten Gruppe</translation>
    </message>
    <message>
        <source>What just happened in the game</source>
        <translation>Was gerade im Spiel geschehen ist</translation>
    </message>
    <message>
        <source>Pauses the game, or resumes it when paused. Key: P</source>
        <translation>Hält das Spiel an oder setzt es fort, wenn es pausiert. Taste: P</translation>
    </message>
    <message>
        <source>Starts a new game</source>
        <translation>Startet ein neues Spiel</translation>
    </message>
    <message>
        <source>Bloomzap logo</source>
        <translation>Bloomzap-Logo</translation>
    </message>
    <message>
        <source>Opens the Bloomzap web site</source>
        <translation>Öffnet die Website von Bloomzap</translation>
    </message>
    <message>
        <source>Bloomzap emblem</source>
        <translation>Bloomzap-Emblem</translation>
    </message>
    <message>
        <source>Asks for the name your scores are kept under</source>
        <translation>Fragt nach dem Namen, unter dem deine Punkte gespeichert werden</translation>
    </message>
    <message>
        <source>Your name, up to 10 characters. Return keeps it.</source>
        <translation>Dein Name, bis zu 10 Zeichen. Die Eingabetaste übernimmt ihn.</translation>
    </message>
    <message>
        <source>Keeps the name typed above</source>
        <translation>Übernimmt den oben eingegebenen Namen</translation>
    </message>
    <message>
        <source>Closes this panel and keeps the name as it was</source>
        <translation>Schließt dieses Feld und lässt den Namen, wie er war</translation>
    </message>
    <message>
        <source>The game is over</source>
        <translation>Das Spiel ist vorbei</translation>
    </message>
    <message>
        <source>The name your score is posted under, up to 10 characters</source>
        <translation>Der Name, unter dem deine Punkte gesendet werden, bis zu 10 Zeichen</translation>
    </message>
    <message>
        <source>Posts your score to the online high-score list</source>
        <translation>Sendet deine Punkte an die Online-Bestenliste</translation>
    </message>
    <message>
        <source>Your score is being posted</source>
        <translation>Deine Punkte werden gesendet</translation>
    </message>
    <message>
        <source>Shows the online high-score list</source>
        <translation>Zeigt die Online-Bestenliste</translation>
    </message>
    <message>
        <source>Closes this panel</source>
        <translation>Schließt dieses Feld</translation>
    </message>
    <message>
        <source>A new version of the game can be installed</source>
        <translation>Eine neue Version des Spiels kann installiert werden</translation>
    </message>
    <message>
        <source>Downloads and installs the new version</source>
        <translation>Lädt die neue Version herunter und installiert sie</translation>
    </message>
    <message>
        <source>Closes this offer and keeps this version</source>
        <translation>Schließt dieses Angebot und behält diese Version</translation>
    </message>
    <message>
        <source>Update status:</source>
        <translation>Update-Status:</translation>
    </message>
    <message>
        <source>How the download of the new version is going</source>
        <translation>Wie weit der Download der neuen Version ist</translation>
    </message>
    <message>
        <source>The board is hidden until the game resumes</source>
        <translation>Das Spielfeld bleibt verborgen, bis das Spiel weitergeht</translation>
    </message>
    <message>
        <source>Resumes the game. Key: P</source>
        <translation>Setzt das Spiel fort. Taste: P</translation>
    </message>
    <message>
        <source>Menus</source>
        <translation>Menüs</translation>
    </message>
    <message>
        <source>Replay</source>
        <translation>Wiederholung</translation>
    </message>
    <message>
        <source>A game from the high-score list played again on the board</source>
        <translation>Ein Spiel aus der Bestenliste, noch einmal auf dem Spielfeld gespielt</translation>
    </message>
    <message>
        <source>Replayed game:</source>
        <translation>Wiederholtes Spiel:</translation>
    </message>
    <message>
        <source>Whose game is played again and its final score</source>
        <translation>Wessen Spiel wiederholt wird und seine Endpunktzahl</translation>
    </message>
    <message>
        <source>The replayed game&apos;s points so far</source>
        <translation>Die bisherigen Punkte des wiederholten Spiels</translation>
    </message>
    <message>
        <source>Plays the replay at the speed it was played</source>
        <translation>Spielt die Wiederholung so schnell ab, wie gespielt wurde</translation>
    </message>
    <message>
        <source>Plays the replay four times as fast</source>
        <translation>Spielt die Wiederholung viermal so schnell ab</translation>
    </message>
    <message>
        <source>Pauses the replay, or resumes it when paused</source>
        <translation>Hält die Wiederholung an oder setzt sie fort, wenn sie angehalten ist</translation>
    </message>
    <message>
        <source>Ends the replay and goes back to your game</source>
        <translation>Beendet die Wiederholung und kehrt zu Ihrem Spiel zurück</translation>
    </message>
    <message>
        <source>Replayed score:</source>
        <translation>Wiederholte Punkte:</translation>
    </message>
</context>
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
    <name>ReplayWatch</name>
    <message>
        <source>The replay could not be fetched from the score server.</source>
        <translation>Die Wiederholung konnte nicht vom Punkteserver geladen werden.</translation>
    </message>
    <message>
        <source>The replay cannot be read.</source>
        <translation>Die Wiederholung ist nicht lesbar.</translation>
    </message>
    <message>
        <source>The replay does not play back to its score of %1, so it is not shown.</source>
        <translation>Die Wiederholung ergibt nicht ihre Punktzahl von %1 und wird daher nicht gezeigt.</translation>
    </message>
    <message>
        <source>Watching %1&apos;s game: %2</source>
        <translation>Sie sehen das Spiel von %1: %2</translation>
    </message>
    <message>
        <source>Score so far: %1</source>
        <translation>Bisher: %1</translation>
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
    <message>
        <source>Bloomzap</source>
        <translation>Bloomzap</translation>
    </message>
    <message>
        <source>Opens the Bloomzap web site</source>
        <translation>Öffnet die Website von Bloomzap</translation>
    </message>
    <message>
        <source>Closes this window</source>
        <translation>Schließt dieses Fenster</translation>
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
    <message>
        <source>Topics</source>
        <translation>Themen</translation>
    </message>
    <message>
        <source>The help topics and the credits</source>
        <translation>Die Hilfethemen und die Mitwirkenden</translation>
    </message>
    <message>
        <source>Help page</source>
        <translation>Hilfeseite</translation>
    </message>
    <message>
        <source>The text of the chosen topic</source>
        <translation>Der Text des gewählten Themas</translation>
    </message>
    <message>
        <source>Shows this topic</source>
        <translation>Zeigt dieses Thema</translation>
    </message>
    <message>
        <source>Shows the About window</source>
        <translation>Zeigt das Fenster „Über Bloomzap“</translation>
    </message>
    <message>
        <source>Closes the help</source>
        <translation>Schließt die Hilfe</translation>
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
    <message>
        <source>Bloomzap emblem</source>
        <translation>Bloomzap-Emblem</translation>
    </message>
    <message>
        <source>Closes this window</source>
        <translation>Schließt dieses Fenster</translation>
    </message>
    <message>
        <source>High scores</source>
        <translation>Bestenliste</translation>
    </message>
    <message>
        <source>The online high-score list</source>
        <translation>Die Online-Bestenliste</translation>
    </message>
    <message>
        <source>High-score list</source>
        <translation>Bestenliste</translation>
    </message>
    <message>
        <source>Its links open in your browser; a watch link plays the game on the board</source>
        <translation>Ihre Links öffnen sich im Browser; ein Link zum Ansehen spielt das Spiel auf dem Spielfeld ab</translation>
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
        <translation>Erzielt: %1</translation>
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
        <translation>Getilgt:</translation>
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
    <message>
        <source>Daily Bloom %1 - Good Luck %2</source>
        <translation>Tägliche Blüte %1 - Viel Glück, %2</translation>
    </message>
    <message>
        <source>Daily Bloom</source>
        <translation>Tägliche Blüte</translation>
    </message>
    <message>
        <source>View Daily Bloom List</source>
        <translation>Liste der Täglichen Blüte anzeigen</translation>
    </message>
    <message>
        <source>No Daily Bloom ticket: the score server could not be reached.</source>
        <translation>Kein Ticket für die Tägliche Blüte: Der Punkteserver war nicht erreichbar.</translation>
    </message>
    <message>
        <source>No Daily Bloom ticket: the score server did not hand one out.</source>
        <translation>Kein Ticket für die Tägliche Blüte: Der Punkteserver hat keines ausgegeben.</translation>
    </message>
    <message>
        <source>1x</source>
        <translation>1-fach</translation>
    </message>
    <message>
        <source>4x</source>
        <translation>4-fach</translation>
    </message>
    <message>
        <source>PAUSE</source>
        <translation>ANHALTEN</translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation>SCHLIESSEN</translation>
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
    <message>
        <source>Multiplayer game</source>
        <translation>Mehrspieler-Spiel</translation>
    </message>
    <message>
        <source>Opens the multiplayer page of the web site</source>
        <translation>Öffnet die Mehrspieler-Seite der Website</translation>
    </message>
    <message>
        <source>Closes this window</source>
        <translation>Schließt dieses Fenster</translation>
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
    <message>
        <source>Clears the totals and the high scores</source>
        <translation>Löscht die Summen und die Bestenliste</translation>
    </message>
    <message>
        <source>Closes this window</source>
        <translation>Schließt dieses Fenster</translation>
    </message>
    <message>
        <source>Your totals and your ten best scores</source>
        <translation>Deine Summen und deine zehn besten Ergebnisse</translation>
    </message>
</context>
</TS>

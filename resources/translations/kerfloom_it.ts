<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>About</name>
    <message>
        <source>About Kerfloom</source>
        <translation>Informazioni su Kerfloom</translation>
    </message>
    <message>
        <source>Check out our other products:</source>
        <translation>Scopri gli altri nostri prodotti:</translation>
    </message>
</context>
<context>
    <name>BaseFormat</name>
    <message>
        <source>All supported files (*.plt *.dxf *.tap *.svg *.svgz *.kfp)</source>
        <translation>Tutti i file supportati (*.plt *.dxf *.tap *.svg *.svgz *.kfp)</translation>
    </message>
    <message>
        <source>HPGL files (*.plt)</source>
        <translation>File HPGL (*.plt)</translation>
    </message>
    <message>
        <source>G-Code (*.tap)</source>
        <translation>G-code (*.tap)</translation>
    </message>
    <message>
        <source>AutoCAD (*.dxf)</source>
        <translation>AutoCAD (*.dxf)</translation>
    </message>
    <message>
        <source>Scalable Vector Graphics (*.svg *.svgz)</source>
        <translation>Grafica vettoriale SVG (*.svg *.svgz)</translation>
    </message>
    <message>
        <source>Kerfloom project (*.kfp)</source>
        <translation>Progetto Kerfloom (*.kfp)</translation>
    </message>
    <message>
        <source>All supported files (*.tap *.dxf *.svg *.plt *.kfp)</source>
        <translation>Tutti i file supportati (*.tap *.dxf *.svg *.plt *.kfp)</translation>
    </message>
    <message>
        <source>Scalable Vector Graphics (*.svg)</source>
        <translation>Grafica vettoriale SVG (*.svg)</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>Join objects</source>
        <translation>Unisci oggetti</translation>
    </message>
    <message>
        <source>Remove joint</source>
        <translation>Rimuovi giunzione</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>Aggiungi punto</translation>
    </message>
    <message>
        <source>Set object direction</source>
        <translation>Imposta direzione dell&apos;oggetto</translation>
    </message>
    <message>
        <source>Rotate left</source>
        <translation>Ruota a sinistra</translation>
    </message>
    <message>
        <source>Rotate right</source>
        <translation>Ruota a destra</translation>
    </message>
    <message>
        <source>Flip vertically</source>
        <translation>Rifletti verticalmente</translation>
    </message>
    <message>
        <source>Flip horizontally</source>
        <translation>Rifletti orizzontalmente</translation>
    </message>
    <message>
        <source>Reverse object</source>
        <translation>Inverti oggetto</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Sposta disegno</translation>
    </message>
    <message>
        <source>Set start position</source>
        <translation>Imposta posizione iniziale</translation>
    </message>
    <message>
        <source>Set anchor</source>
        <translation>Imposta ancoraggio</translation>
    </message>
</context>
<context>
    <name>DrawingElements</name>
    <message>
        <source>Starting point</source>
        <translation>Punto di partenza</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>Aggiungi punto</translation>
    </message>
    <message>
        <source>Set object direction</source>
        <translation>Direzione dell&apos;oggetto</translation>
    </message>
    <message>
        <source>Clockwise</source>
        <translation>Senso orario</translation>
    </message>
    <message>
        <source>Counter-clockwise</source>
        <translation>Senso antiorario</translation>
    </message>
</context>
<context>
    <name>GeometryOperation</name>
    <message>
        <source>Auto-join</source>
        <translation>Unione automatica</translation>
    </message>
</context>
<context>
    <name>GetPointDialog</name>
    <message>
        <source>Relative to drawing: </source>
        <translation>Relativo al disegno: </translation>
    </message>
    <message>
        <source>X: </source>
        <translation>X: </translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y:</translation>
    </message>
    <message>
        <source>Relative</source>
        <translation>Relativo</translation>
    </message>
</context>
<context>
    <name>GraphWidget</name>
    <message>
        <source>Set anchor</source>
        <translation>Imposta ancoraggio</translation>
    </message>
</context>
<context>
    <name>KFStartPage</name>
    <message>
        <source>Recent files</source>
        <translation>File recenti</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Apri file</translation>
    </message>
</context>
<context>
    <name>Kerfloom</name>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Apri</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Salva</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Salva con nome...</translation>
    </message>
    <message>
        <source>Ctrl+Shift+S</source>
        <translation>Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>&amp;Auto join</source>
        <translation>&amp;Unione automatica</translation>
    </message>
    <message>
        <source>Auto join vectors</source>
        <translation>Unisci automaticamente i vettori</translation>
    </message>
    <message>
        <source>Ctrl+A</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>Ruota a sinistra</translation>
    </message>
    <message>
        <source>Rotate drawing left</source>
        <translation>Ruota il disegno a sinistra</translation>
    </message>
    <message>
        <source>Rotate right</source>
        <translation>Ruota a destra</translation>
    </message>
    <message>
        <source>Rotate drawing right</source>
        <translation>Ruota il disegno a destra</translation>
    </message>
    <message>
        <source>Flip vertically</source>
        <translation>Rifletti verticalmente</translation>
    </message>
    <message>
        <source>Flip drawing vertically</source>
        <translation>Rifletti il disegno verticalmente</translation>
    </message>
    <message>
        <source>Flip horizontally</source>
        <translation>Rifletti orizzontalmente</translation>
    </message>
    <message>
        <source>Flip drawing horizontally</source>
        <translation>Rifletti il disegno orizzontalmente</translation>
    </message>
    <message>
        <source>Reverse object</source>
        <translation>Inverti oggetto</translation>
    </message>
    <message>
        <source>Reverse object direction</source>
        <translation>Inverti la direzione dell&apos;oggetto</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Set position</source>
        <translation>Imposta posizione</translation>
    </message>
    <message>
        <source>Set drawing position</source>
        <translation>Imposta la posizione del disegno</translation>
    </message>
    <message>
        <source>Set starting point</source>
        <translation>Imposta punto di partenza</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Close All</source>
        <translation>Chiudi tutto</translation>
    </message>
    <message>
        <source>Simulate</source>
        <translation>Simula</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Preferenze</translation>
    </message>
    <message>
        <source>About Kerfloom</source>
        <translation>Informazioni su Kerfloom</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Annulla</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Ripeti</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Open recent</source>
        <translation>Apri recenti</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Modifica</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Informazioni</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>Principale</translation>
    </message>
    <message>
        <source>Simulation speed</source>
        <translation>Velocità della simulazione</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Riduci</translation>
    </message>
    <message>
        <source>Fit in view</source>
        <translation>Adatta alla vista</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Ingrandisci</translation>
    </message>
    <message>
        <source>Drawing contains open shapes!</source>
        <translation>Il disegno contiene forme aperte!</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Pronto</translation>
    </message>
    <message>
        <source>&amp;Undo %1</source>
        <translation>&amp;Annulla: %1</translation>
    </message>
    <message>
        <source>&amp;Redo %1</source>
        <translation>&amp;Ripeti: %1</translation>
    </message>
    <message>
        <source>Object has been reversed</source>
        <translation>L&apos;oggetto è stato invertito</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Sposta disegno</translation>
    </message>
    <message>
        <source>Set start position</source>
        <translation>Imposta posizione iniziale</translation>
    </message>
    <message>
        <source>Stop simulation</source>
        <translation>Ferma la simulazione</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Inizio</translation>
    </message>
    <message>
        <source>Open drawing</source>
        <translation>Apri disegno</translation>
    </message>
    <message>
        <source>The file name is empty!</source>
        <translation>Il nome del file è vuoto!</translation>
    </message>
    <message>
        <source>File &quot;%1&quot; doesn&apos;t exist!</source>
        <translation>Il file &quot;%1&quot; non esiste!</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a regular file!</source>
        <translation>&quot;%1&quot; non è un file normale!</translation>
    </message>
    <message>
        <source>Cannot open file</source>
        <translation>Impossibile aprire il file</translation>
    </message>
    <message>
        <source>Loading %1</source>
        <translation>Caricamento di %1</translation>
    </message>
    <message>
        <source>Failed to load &quot;%1&quot;!</source>
        <translation>Impossibile caricare &quot;%1&quot;!</translation>
    </message>
    <message>
        <source>Cannot save file</source>
        <translation>Impossibile salvare il file</translation>
    </message>
    <message>
        <source>&quot;Actions/SaveAsPath&quot; is empty: &quot;%1&quot; was not saved!</source>
        <translation>&quot;Actions/SaveAsPath&quot; è vuoto: &quot;%1&quot; non è stato salvato!</translation>
    </message>
    <message>
        <source>Output overwritten</source>
        <translation>File di output sovrascritto</translation>
    </message>
    <message>
        <source>&quot;%1&quot; and &quot;%2&quot; both save to &quot;%3&quot;: the output of the first was overwritten!</source>
        <translation>&quot;%1&quot; e &quot;%2&quot; vengono salvati entrambi in &quot;%3&quot;: l&apos;output del primo è stato sovrascritto!</translation>
    </message>
    <message>
        <source>Linking objects</source>
        <translation>Collegamento degli oggetti</translation>
    </message>
    <message>
        <source>Save drawing</source>
        <translation>Salva disegno</translation>
    </message>
    <message>
        <source>Confirm Save As</source>
        <translation>Conferma salvataggio</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists.
Do you want to replace it?</source>
        <translation>&quot;%1&quot; esiste già.
Vuoi sostituirlo?</translation>
    </message>
    <message>
        <source>No save path is set: &quot;%1&quot; was not saved!</source>
        <translation>Percorso di salvataggio non impostato: &quot;%1&quot; non è stato salvato!</translation>
    </message>
    <message>
        <source>Are you sure?</source>
        <translation>Sei sicuro?</translation>
    </message>
    <message>
        <source>The drawing contains unconnected objects. Are you sure you want to save?</source>
        <translation>Il disegno contiene oggetti non collegati. Vuoi davvero salvare?</translation>
    </message>
    <message>
        <source>Failed to save &quot;%1&quot;!</source>
        <translation>Impossibile salvare &quot;%1&quot;!</translation>
    </message>
    <message>
        <source>Saved to &quot;%1&quot;</source>
        <translation>Salvato in &quot;%1&quot;</translation>
    </message>
    <message>
        <source>You have unsaved changes</source>
        <translation>Ci sono modifiche non salvate</translation>
    </message>
    <message>
        <source>Do you want to save changes in &quot;%1&quot;?</source>
        <translation>Vuoi salvare le modifiche a &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>Close all</source>
        <translation>Chiudi tutto</translation>
    </message>
    <message>
        <source>Close other</source>
        <translation>Chiudi gli altri</translation>
    </message>
    <message>
        <source>Copy file path</source>
        <translation>Copia percorso del file</translation>
    </message>
    <message>
        <source>Open containing folder</source>
        <translation>Apri la cartella del file</translation>
    </message>
    <message>
        <source>Objects: %1, Points: %2</source>
        <translation>Oggetti: %1, punti: %2</translation>
    </message>
    <message>
        <source>Drawing dimensions: %1 x %2</source>
        <translation>Dimensioni del disegno: %1 x %2</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>Verifica aggiornamenti</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Verifica degli aggiornamenti...</translation>
    </message>
    <message>
        <source>Cannot save settings</source>
        <translation>Impossibile salvare le impostazioni</translation>
    </message>
    <message>
        <source>The settings could not be written to &quot;%1&quot;. They apply until Kerfloom is closed.</source>
        <translation>Impossibile scrivere le impostazioni in &quot;%1&quot;. Restano valide fino alla chiusura di Kerfloom.</translation>
    </message>
    <message>
        <source>No file manager could show &quot;%1&quot;</source>
        <translation>Nessun gestore di file ha potuto mostrare &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>QuestionDialog</name>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Sì</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Annulla</translation>
    </message>
</context>
<context>
    <name>UpdateSystem</name>
    <message>
        <source>Kerfloom is up to date</source>
        <translation>Kerfloom è aggiornato</translation>
    </message>
    <message>
        <source>Update installed, files replaced: %1; restart Kerfloom to use it</source>
        <translation>Aggiornamento installato, file sostituiti: %1; riavvia Kerfloom per usarlo</translation>
    </message>
    <message>
        <source>Update failed: %1</source>
        <translation>Aggiornamento non riuscito: %1</translation>
    </message>
    <message>
        <source>No update server is configured</source>
        <translation>Nessun server degli aggiornamenti configurato</translation>
    </message>
    <message>
        <source>Update downloaded but not installed: %1</source>
        <translation>Aggiornamento scaricato ma non installato: %1</translation>
    </message>
    <message>
        <source>files not downloaded: %1</source>
        <translation>file non scaricati: %1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>impossibile scrivere %1</translation>
    </message>
    <message>
        <source>the updater could not be started</source>
        <translation>impossibile avviare il programma di aggiornamento</translation>
    </message>
    <message>
        <source>files not replaced: %1</source>
        <translation>file non sostituiti: %1</translation>
    </message>
    <message>
        <source>Error launching updater.</source>
        <translation>Errore durante l&apos;avvio del programma di aggiornamento.</translation>
    </message>
    <message>
        <source>The application updater cannot be started. Run the program as Administrator or download new version from our website.</source>
        <translation>Impossibile avviare il programma di aggiornamento. Esegui il programma come amministratore o scarica la nuova versione dal nostro sito web.</translation>
    </message>
</context>
<context>
    <name>kerfloom::CrashReporter</name>
    <message>
        <source>Crash reporting</source>
        <translation>Segnalazione di arresto anomalo</translation>
    </message>
    <message>
        <source>&lt;b&gt;Kerfloom&lt;/b&gt; has stopped working</source>
        <translation>&lt;b&gt;Kerfloom&lt;/b&gt; ha smesso di funzionare</translation>
    </message>
    <message>
        <source>There was an error in the application and it can&apos;t stay running any longer.</source>
        <translation>Si è verificato un errore nell&apos;applicazione, che non può più restare in esecuzione.</translation>
    </message>
    <message>
        <source>Crash report has been generated and you can send it to our developers. Every submission is treated anonymously and the report doesn&apos;t contain any confidential information.</source>
        <translation>È stato generato un rapporto sull&apos;arresto anomalo che puoi inviare ai nostri sviluppatori. Ogni invio è trattato in forma anonima e il rapporto non contiene informazioni riservate.</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Commento</translation>
    </message>
    <message>
        <source>Your e-mail address (optional):</source>
        <translation>Il tuo indirizzo e-mail (facoltativo):</translation>
    </message>
    <message>
        <source>Details...</source>
        <translation>Dettagli...</translation>
    </message>
    <message>
        <source>Add comment</source>
        <translation>Aggiungi un commento</translation>
    </message>
    <message>
        <source>Send report</source>
        <translation>Invia rapporto</translation>
    </message>
    <message>
        <source>Close application</source>
        <translation>Chiudi l&apos;applicazione</translation>
    </message>
    <message>
        <source>Restart application</source>
        <translation>Riavvia l&apos;applicazione</translation>
    </message>
    <message>
        <source>Report details</source>
        <translation>Dettagli del rapporto</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valore</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Dimensione</translation>
    </message>
    <message>
        <source>Kerfloom has failed to restart itself.</source>
        <translation>Kerfloom non è riuscito a riavviarsi.</translation>
    </message>
    <message>
        <source>Kerfloom has failed to restart itself. Please do it manually.</source>
        <translation>Kerfloom non è riuscito a riavviarsi. Riavvialo manualmente.</translation>
    </message>
</context>
<context>
    <name>kerfloom::Settings</name>
    <message>
        <source>%o - full path to file
%p - full path to directory
%d - directory name
%f - filename without extension
%e - file extension</source>
        <translation>%o - percorso completo del file
%p - percorso completo della cartella
%d - nome della cartella
%f - nome del file senza estensione
%e - estensione del file</translation>
    </message>
    <message>
        <source>Application settings</source>
        <translation>Impostazioni dell&apos;applicazione</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Generale</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Azioni</translation>
    </message>
    <message>
        <source>Formats</source>
        <translation>Formati</translation>
    </message>
    <message>
        <source>Drawing</source>
        <translation>Disegno</translation>
    </message>
    <message>
        <source>Scale line size</source>
        <translation>Scala lo spessore delle linee</translation>
    </message>
    <message>
        <source>Scale point size</source>
        <translation>Scala la dimensione dei punti</translation>
    </message>
    <message>
        <source>Show points</source>
        <translation>Mostra i punti</translation>
    </message>
    <message>
        <source>Draw direction arrows</source>
        <translation>Disegna le frecce di direzione</translation>
    </message>
    <message>
        <source>Treat shape as closed when distance from first to last point is less than</source>
        <translation>Considera chiusa una forma se i suoi estremi distano meno di</translation>
    </message>
    <message>
        <source>Warn if there are non-closed shapes</source>
        <translation>Avvisa se ci sono forme aperte</translation>
    </message>
    <message>
        <source>Duplicate non-closed shapes when linking</source>
        <translation>Duplica le forme aperte durante il collegamento</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Lingua</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Unità</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Salvataggio</translation>
    </message>
    <message>
        <source>Default save path</source>
        <translation>Percorso di salvataggio predefinito</translation>
    </message>
    <message>
        <source>Ask before closing unsaved files</source>
        <translation>Chiedi prima di chiudere file non salvati</translation>
    </message>
    <message>
        <source>Warn when saving drawing with more than 1 object</source>
        <translation>Avvisa quando si salva un disegno con più di 1 oggetto</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Rete</translation>
    </message>
    <message>
        <source>Empty: the program never connects to the vendor&apos;s server</source>
        <translation>Vuoto: il programma non si collega mai al server del produttore</translation>
    </message>
    <message>
        <source>Vendor server address</source>
        <translation>Server del produttore</translation>
    </message>
    <message>
        <source>Empty: the vendor server&apos;s address followed by /update</source>
        <translation>Vuoto: l&apos;indirizzo del server del produttore seguito da /update</translation>
    </message>
    <message>
        <source>Update server address</source>
        <translation>Server degli aggiornamenti</translation>
    </message>
    <message>
        <source>When the drawing is loaded:</source>
        <translation>Quando il disegno viene caricato:</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Modifica</translation>
    </message>
    <message>
        <source>only if loaded from command-line</source>
        <translation>solo dalla riga di comando</translation>
    </message>
    <message>
        <source>Auto-join</source>
        <translation>Unione automatica</translation>
    </message>
    <message>
        <source>Save as</source>
        <translation>Salva con nome</translation>
    </message>
    <message>
        <source>Exit application</source>
        <translation>Esci dall&apos;applicazione</translation>
    </message>
    <message>
        <source>Format options</source>
        <translation>Opzioni dei formati</translation>
    </message>
    <message>
        <source>Plotter units</source>
        <translation>Unità del plotter</translation>
    </message>
    <message>
        <source>per inch</source>
        <translation>per pollice</translation>
    </message>
    <message>
        <source>Automatic weld</source>
        <translation>Saldatura automatica</translation>
    </message>
    <message>
        <source>Combine overlapping objects of the same color</source>
        <translation>Combina gli oggetti sovrapposti dello stesso colore</translation>
    </message>
    <message>
        <source>Initial G-Codes</source>
        <translation>G-code iniziali</translation>
    </message>
    <message>
        <source>Finishing G-Codes</source>
        <translation>G-code finali</translation>
    </message>
    <message>
        <source>X axis name</source>
        <translation>Nome dell&apos;asse X</translation>
    </message>
    <message>
        <source>Y axis name</source>
        <translation>Nome dell&apos;asse Y</translation>
    </message>
    <message>
        <source>Output units</source>
        <translation>Unità di output</translation>
    </message>
    <message>
        <source>Spline segments (resolution)</source>
        <translation>Segmenti delle spline (risoluzione)</translation>
    </message>
    <message>
        <source>as in file</source>
        <translation>come nel file</translation>
    </message>
    <message>
        <source>Automatic welding</source>
        <translation>Saldatura automatica</translation>
    </message>
    <message>
        <source>Automatic welding precision</source>
        <translation>Precisione della saldatura automatica</translation>
    </message>
    <message>
        <source>Ignore polyline &quot;closed&quot; flag</source>
        <translation>Ignora il flag &quot;chiusa&quot; delle polilinee</translation>
    </message>
    <message>
        <source>Draw block contents wherever the drawing places them</source>
        <translation>Disegna i blocchi ovunque il disegno li inserisca</translation>
    </message>
    <message>
        <source>Refuse files with more points than</source>
        <translation>Rifiuta i file con più punti di</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Impostazioni</translation>
    </message>
    <message>
        <source>millimeters</source>
        <translation>millimetri</translation>
    </message>
    <message>
        <source>centimeters</source>
        <translation>centimetri</translation>
    </message>
    <message>
        <source>meters</source>
        <translation>metri</translation>
    </message>
    <message>
        <source>inches</source>
        <translation>pollici</translation>
    </message>
    <message>
        <source>top left corner</source>
        <translation>angolo in alto a sinistra</translation>
    </message>
    <message>
        <source>top center</source>
        <translation>centro in alto</translation>
    </message>
    <message>
        <source>top right corner</source>
        <translation>angolo in alto a destra</translation>
    </message>
    <message>
        <source>middle left</source>
        <translation>centro a sinistra</translation>
    </message>
    <message>
        <source>center</source>
        <translation>centro</translation>
    </message>
    <message>
        <source>middle right</source>
        <translation>centro a destra</translation>
    </message>
    <message>
        <source>bottom left corner</source>
        <translation>angolo in basso a sinistra</translation>
    </message>
    <message>
        <source>bottom center</source>
        <translation>centro in basso</translation>
    </message>
    <message>
        <source>bottom right corner</source>
        <translation>angolo in basso a destra</translation>
    </message>
    <message>
        <source> relative to drawing&apos;s %1</source>
        <translation> rispetto al disegno (%1)</translation>
    </message>
    <message>
        <source>Move drawing %1 %2</source>
        <translation>Sposta il disegno %1 %2</translation>
    </message>
    <message>
        <source>by</source>
        <translation>di</translation>
    </message>
    <message>
        <source>to</source>
        <translation>in</translation>
    </message>
    <message>
        <source>X: %1 Y: %2</source>
        <translation>X: %1 Y: %2</translation>
    </message>
    <message>
        <source>Set cutting path start position to X: %1 Y: %2%3</source>
        <translation>Imposta l&apos;inizio del taglio in X: %1 Y: %2%3</translation>
    </message>
    <message>
        <source>Set anchor to X: %1 Y: %2%3</source>
        <translation>Imposta l&apos;ancoraggio in X: %1 Y: %2%3</translation>
    </message>
    <message>
        <source>Set default saving file path</source>
        <translation>Imposta il percorso di salvataggio predefinito</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Sposta disegno</translation>
    </message>
    <message>
        <source>Set start point</source>
        <translation>Imposta punto di partenza</translation>
    </message>
    <message>
        <source>Set anchor</source>
        <translation>Imposta ancoraggio</translation>
    </message>
    <message>
        <source>Empty: no connection</source>
        <translation>Vuoto: nessuna connessione</translation>
    </message>
    <message>
        <source>Empty: vendor server + /update</source>
        <translation>Vuoto: server del produttore + /update</translation>
    </message>
</context>
</TS>

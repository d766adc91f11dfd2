<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>About</name>
    <message>
        <source>About Kerfloom</source>
        <translation>O programie Kerfloom</translation>
    </message>
    <message>
        <source>Check out our other products:</source>
        <translation>Zobacz nasze inne produkty:</translation>
    </message>
</context>
<context>
    <name>BaseFormat</name>
    <message>
        <source>All supported files (*.plt *.dxf *.tap *.svg *.svgz *.kfp)</source>
        <translation>Wszystkie obsługiwane pliki (*.plt *.dxf *.tap *.svg *.svgz *.kfp)</translation>
    </message>
    <message>
        <source>HPGL files (*.plt)</source>
        <translation>Pliki HPGL (*.plt)</translation>
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
        <translation>Grafika wektorowa SVG (*.svg *.svgz)</translation>
    </message>
    <message>
        <source>Kerfloom project (*.kfp)</source>
        <translation>Projekt Kerfloom (*.kfp)</translation>
    </message>
    <message>
        <source>All supported files (*.tap *.dxf *.svg *.plt *.kfp)</source>
        <translation>Wszystkie obsługiwane pliki (*.tap *.dxf *.svg *.plt *.kfp)</translation>
    </message>
    <message>
        <source>Scalable Vector Graphics (*.svg)</source>
        <translation>Grafika wektorowa SVG (*.svg)</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>Join objects</source>
        <translation>Połączenie obiektów</translation>
    </message>
    <message>
        <source>Remove joint</source>
        <translation>Usunięcie połączenia</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>Dodanie punktu</translation>
    </message>
    <message>
        <source>Set object direction</source>
        <translation>Zmiana kierunku obiektu</translation>
    </message>
    <message>
        <source>Rotate left</source>
        <translation>Obrót w lewo</translation>
    </message>
    <message>
        <source>Rotate right</source>
        <translation>Obrót w prawo</translation>
    </message>
    <message>
        <source>Flip vertically</source>
        <translation>Odbicie w pionie</translation>
    </message>
    <message>
        <source>Flip horizontally</source>
        <translation>Odbicie w poziomie</translation>
    </message>
    <message>
        <source>Reverse object</source>
        <translation>Odwrócenie obiektu</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Przesunięcie rysunku</translation>
    </message>
    <message>
        <source>Set start position</source>
        <translation>Ustawienie pozycji startowej</translation>
    </message>
    <message>
        <source>Set anchor</source>
        <translation>Ustawienie punktu zaczepienia</translation>
    </message>
</context>
<context>
    <name>DrawingElements</name>
    <message>
        <source>Starting point</source>
        <translation>Punkt startowy</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>Dodaj punkt</translation>
    </message>
    <message>
        <source>Set object direction</source>
        <translation>Kierunek obiektu</translation>
    </message>
    <message>
        <source>Clockwise</source>
        <translation>Zgodnie ze wskazówkami zegara</translation>
    </message>
    <message>
        <source>Counter-clockwise</source>
        <translation>Przeciwnie do wskazówek zegara</translation>
    </message>
</context>
<context>
    <name>GeometryOperation</name>
    <message>
        <source>Auto-join</source>
        <translation>Automatyczne łączenie</translation>
    </message>
</context>
<context>
    <name>GetPointDialog</name>
    <message>
        <source>Relative to drawing: </source>
        <translation>Względem rysunku: </translation>
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
        <translation>Względnie</translation>
    </message>
</context>
<context>
    <name>GraphWidget</name>
    <message>
        <source>Set anchor</source>
        <translation>Ustaw punkt zaczepienia</translation>
    </message>
</context>
<context>
    <name>KFStartPage</name>
    <message>
        <source>Recent files</source>
        <translation>Ostatnie pliki</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Otwórz plik</translation>
    </message>
</context>
<context>
    <name>Kerfloom</name>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Otwórz</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Zapisz</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Zapisz jako...</translation>
    </message>
    <message>
        <source>Ctrl+Shift+S</source>
        <translation>Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>&amp;Auto join</source>
        <translation>&amp;Automatyczne łączenie</translation>
    </message>
    <message>
        <source>Auto join vectors</source>
        <translation>Automatycznie połącz wektory</translation>
    </message>
    <message>
        <source>Ctrl+A</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>Obróć w lewo</translation>
    </message>
    <message>
        <source>Rotate drawing left</source>
        <translation>Obróć rysunek w lewo</translation>
    </message>
    <message>
        <source>Rotate right</source>
        <translation>Obróć w prawo</translation>
    </message>
    <message>
        <source>Rotate drawing right</source>
        <translation>Obróć rysunek w prawo</translation>
    </message>
    <message>
        <source>Flip vertically</source>
        <translation>Odbij w pionie</translation>
    </message>
    <message>
        <source>Flip drawing vertically</source>
        <translation>Odbij rysunek w pionie</translation>
    </message>
    <message>
        <source>Flip horizontally</source>
        <translation>Odbij w poziomie</translation>
    </message>
    <message>
        <source>Flip drawing horizontally</source>
        <translation>Odbij rysunek w poziomie</translation>
    </message>
    <message>
        <source>Reverse object</source>
        <translation>Odwróć obiekt</translation>
    </message>
    <message>
        <source>Reverse object direction</source>
        <translation>Odwróć kierunek obiektu</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Set position</source>
        <translation>Ustaw położenie</translation>
    </message>
    <message>
        <source>Set drawing position</source>
        <translation>Ustaw położenie rysunku</translation>
    </message>
    <message>
        <source>Set starting point</source>
        <translation>Ustaw punkt startowy</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zamknij</translation>
    </message>
    <message>
        <source>Close All</source>
        <translation>Zamknij wszystkie</translation>
    </message>
    <message>
        <source>Simulate</source>
        <translation>Symuluj</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Preferencje</translation>
    </message>
    <message>
        <source>About Kerfloom</source>
        <translation>O programie Kerfloom</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Zakończ</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Cofnij</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Ponów</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Plik</translation>
    </message>
    <message>
        <source>Open recent</source>
        <translation>Ostatnio otwierane</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edycja</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;O programie</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>Główny</translation>
    </message>
    <message>
        <source>Simulation speed</source>
        <translation>Prędkość symulacji</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Pomniejsz</translation>
    </message>
    <message>
        <source>Fit in view</source>
        <translation>Dopasuj do widoku</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Powiększ</translation>
    </message>
    <message>
        <source>Drawing contains open shapes!</source>
        <translation>Rysunek zawiera otwarte kształty!</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Gotowy</translation>
    </message>
    <message>
        <source>&amp;Undo %1</source>
        <translation>&amp;Cofnij: %1</translation>
    </message>
    <message>
        <source>&amp;Redo %1</source>
        <translation>&amp;Ponów: %1</translation>
    </message>
    <message>
        <source>Object has been reversed</source>
        <translation>Obiekt został odwrócony</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Przesuń rysunek</translation>
    </message>
    <message>
        <source>Set start position</source>
        <translation>Ustaw pozycję startową</translation>
    </message>
    <message>
        <source>Stop simulation</source>
        <translation>Zatrzymaj symulację</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Open drawing</source>
        <translation>Otwórz rysunek</translation>
    </message>
    <message>
        <source>The file name is empty!</source>
        <translation>Nazwa pliku jest pusta!</translation>
    </message>
    <message>
        <source>File &quot;%1&quot; doesn&apos;t exist!</source>
        <translation>Plik „%1” nie istnieje!</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a regular file!</source>
        <translation>„%1” nie jest zwykłym plikiem!</translation>
    </message>
    <message>
        <source>Cannot open file</source>
        <translation>Nie można otworzyć pliku</translation>
    </message>
    <message>
        <source>Loading %1</source>
        <translation>Wczytywanie %1</translation>
    </message>
    <message>
        <source>Failed to load &quot;%1&quot;!</source>
        <translation>Nie udało się wczytać „%1”!</translation>
    </message>
    <message>
        <source>Cannot save file</source>
        <translation>Nie można zapisać pliku</translation>
    </message>
    <message>
        <source>&quot;Actions/SaveAsPath&quot; is empty: &quot;%1&quot; was not saved!</source>
        <translation>„Actions/SaveAsPath” jest puste: nie zapisano „%1”!</translation>
    </message>
    <message>
        <source>Output overwritten</source>
        <translation>Nadpisano plik wynikowy</translation>
    </message>
    <message>
        <source>&quot;%1&quot; and &quot;%2&quot; both save to &quot;%3&quot;: the output of the first was overwritten!</source>
        <translation>„%1” i „%2” zapisują się do „%3”: wynik pierwszego został nadpisany!</translation>
    </message>
    <message>
        <source>Linking objects</source>
        <translation>Łączenie obiektów</translation>
    </message>
    <message>
        <source>Save drawing</source>
        <translation>Zapisz rysunek</translation>
    </message>
    <message>
        <source>Confirm Save As</source>
        <translation>Potwierdź zapis</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists.
Do you want to replace it?</source>
        <translation>„%1” już istnieje.
Czy chcesz go zastąpić?</translation>
    </message>
    <message>
        <source>No save path is set: &quot;%1&quot; was not saved!</source>
        <translation>Nie ustawiono ścieżki zapisu: nie zapisano „%1”!</translation>
    </message>
    <message>
        <source>Are you sure?</source>
        <translation>Czy na pewno?</translation>
    </message>
    <message>
        <source>The drawing contains unconnected objects. Are you sure you want to save?</source>
        <translation>Rysunek zawiera niepołączone obiekty. Czy na pewno chcesz go zapisać?</translation>
    </message>
    <message>
        <source>Failed to save &quot;%1&quot;!</source>
        <translation>Nie udało się zapisać „%1”!</translation>
    </message>
    <message>
        <source>Saved to &quot;%1&quot;</source>
        <translation>Zapisano w „%1”</translation>
    </message>
    <message>
        <source>You have unsaved changes</source>
        <translation>Masz niezapisane zmiany</translation>
    </message>
    <message>
        <source>Do you want to save changes in &quot;%1&quot;?</source>
        <translation>Czy zapisać zmiany w „%1”?</translation>
    </message>
    <message>
        <source>Close all</source>
        <translation>Zamknij wszystkie</translation>
    </message>
    <message>
        <source>Close other</source>
        <translation>Zamknij pozostałe</translation>
    </message>
    <message>
        <source>Copy file path</source>
        <translation>Kopiuj ścieżkę pliku</translation>
    </message>
    <message>
        <source>Open containing folder</source>
        <translation>Otwórz folder z plikiem</translation>
    </message>
    <message>
        <source>Objects: %1, Points: %2</source>
        <translation>Obiekty: %1, punkty: %2</translation>
    </message>
    <message>
        <source>Drawing dimensions: %1 x %2</source>
        <translation>Wymiary rysunku: %1 x %2</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>Sprawdź aktualizacje</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Sprawdzanie aktualizacji...</translation>
    </message>
    <message>
        <source>Cannot save settings</source>
        <translation>Nie można zapisać ustawień</translation>
    </message>
    <message>
        <source>The settings could not be written to &quot;%1&quot;. They apply until Kerfloom is closed.</source>
        <translation>Nie udało się zapisać ustawień w „%1”. Obowiązują do zamknięcia programu Kerfloom.</translation>
    </message>
    <message>
        <source>No file manager could show &quot;%1&quot;</source>
        <translation>Żaden menedżer plików nie mógł pokazać „%1”</translation>
    </message>
</context>
<context>
    <name>QuestionDialog</name>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Tak</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nie</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Anuluj</translation>
    </message>
</context>
<context>
    <name>UpdateSystem</name>
    <message>
        <source>Kerfloom is up to date</source>
        <translation>Kerfloom jest aktualny</translation>
    </message>
    <message>
        <source>Update installed, files replaced: %1; restart Kerfloom to use it</source>
        <translation>Zainstalowano aktualizację, zastąpione pliki: %1; uruchom ponownie Kerfloom, aby z niej korzystać</translation>
    </message>
    <message>
        <source>Update failed: %1</source>
        <translation>Aktualizacja nie powiodła się: %1</translation>
    </message>
    <message>
        <source>No update server is configured</source>
        <translation>Nie skonfigurowano serwera aktualizacji</translation>
    </message>
    <message>
        <source>Update downloaded but not installed: %1</source>
        <translation>Pobrano aktualizację, ale jej nie zainstalowano: %1</translation>
    </message>
    <message>
        <source>files not downloaded: %1</source>
        <translation>nie pobrano plików: %1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>nie można zapisać %1</translation>
    </message>
    <message>
        <source>the updater could not be started</source>
        <translation>nie udało się uruchomić programu aktualizującego</translation>
    </message>
    <message>
        <source>files not replaced: %1</source>
        <translation>nie zastąpiono plików: %1</translation>
    </message>
    <message>
        <source>Error launching updater.</source>
        <translation>Błąd uruchamiania programu aktualizującego.</translation>
    </message>
    <message>
        <source>The application updater cannot be started. Run the program as Administrator or download new version from our website.</source>
        <translation>Nie można uruchomić programu aktualizującego. Uruchom program jako administrator lub pobierz nową wersję z naszej strony internetowej.</translation>
    </message>
</context>
<context>
    <name>kerfloom::CrashReporter</name>
    <message>
        <source>Crash reporting</source>
        <translation>Raportowanie awarii</translation>
    </message>
    <message>
        <source>&lt;b&gt;Kerfloom&lt;/b&gt; has stopped working</source>
        <translation>Program &lt;b&gt;Kerfloom&lt;/b&gt; przestał działać</translation>
    </message>
    <message>
        <source>There was an error in the application and it can&apos;t stay running any longer.</source>
        <translation>W programie wystąpił błąd i nie może on dalej działać.</translation>
    </message>
    <message>
        <source>Crash report has been generated and you can send it to our developers. Every submission is treated anonymously and the report doesn&apos;t contain any confidential information.</source>
        <translation>Utworzono raport o awarii, który możesz wysłać naszym programistom. Każde zgłoszenie jest anonimowe, a raport nie zawiera żadnych poufnych informacji.</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Komentarz</translation>
    </message>
    <message>
        <source>Your e-mail address (optional):</source>
        <translation>Twój adres e-mail (opcjonalnie):</translation>
    </message>
    <message>
        <source>Details...</source>
        <translation>Szczegóły...</translation>
    </message>
    <message>
        <source>Add comment</source>
        <translation>Dodaj komentarz</translation>
    </message>
    <message>
        <source>Send report</source>
        <translation>Wyślij raport</translation>
    </message>
    <message>
        <source>Close application</source>
        <translation>Zamknij program</translation>
    </message>
    <message>
        <source>Restart application</source>
        <translation>Uruchom program ponownie</translation>
    </message>
    <message>
        <source>Report details</source>
        <translation>Szczegóły raportu</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nazwa</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wartość</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Rozmiar</translation>
    </message>
    <message>
        <source>Kerfloom has failed to restart itself.</source>
        <translation>Nie udało się ponownie uruchomić programu Kerfloom.</translation>
    </message>
    <message>
        <source>Kerfloom has failed to restart itself. Please do it manually.</source>
        <translation>Nie udało się ponownie uruchomić programu Kerfloom. Uruchom go ręcznie.</translation>
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
        <translation>%o - pełna ścieżka do pliku
%p - pełna ścieżka do folderu
%d - nazwa folderu
%f - nazwa pliku bez rozszerzenia
%e - rozszerzenie pliku</translation>
    </message>
    <message>
        <source>Application settings</source>
        <translation>Ustawienia programu</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Ogólne</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Akcje</translation>
    </message>
    <message>
        <source>Formats</source>
        <translation>Formaty</translation>
    </message>
    <message>
        <source>Drawing</source>
        <translation>Rysunek</translation>
    </message>
    <message>
        <source>Scale line size</source>
        <translation>Skaluj grubość linii</translation>
    </message>
    <message>
        <source>Scale point size</source>
        <translation>Skaluj rozmiar punktów</translation>
    </message>
    <message>
        <source>Show points</source>
        <translation>Pokaż punkty</translation>
    </message>
    <message>
        <source>Draw direction arrows</source>
        <translation>Rysuj strzałki kierunku</translation>
    </message>
    <message>
        <source>Treat shape as closed when distance from first to last point is less than</source>
        <translation>Uznaj kształt za zamknięty, gdy jego końce dzieli mniej niż</translation>
    </message>
    <message>
        <source>Warn if there are non-closed shapes</source>
        <translation>Ostrzegaj, gdy są otwarte kształty</translation>
    </message>
    <message>
        <source>Duplicate non-closed shapes when linking</source>
        <translation>Powielaj otwarte kształty podczas łączenia</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Język</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Jednostki</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Zapisywanie</translation>
    </message>
    <message>
        <source>Default save path</source>
        <translation>Domyślna ścieżka zapisu</translation>
    </message>
    <message>
        <source>Ask before closing unsaved files</source>
        <translation>Pytaj przed zamknięciem niezapisanych plików</translation>
    </message>
    <message>
        <source>Warn when saving drawing with more than 1 object</source>
        <translation>Ostrzegaj przy zapisie rysunku z więcej niż 1 obiektem</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Sieć</translation>
    </message>
    <message>
        <source>Empty: the program never connects to the vendor&apos;s server</source>
        <translation>Puste: program nigdy nie łączy się z serwerem producenta</translation>
    </message>
    <message>
        <source>Vendor server address</source>
        <translation>Adres serwera producenta</translation>
    </message>
    <message>
        <source>Empty: the vendor server&apos;s address followed by /update</source>
        <translation>Puste: adres serwera producenta z dopisanym /update</translation>
    </message>
    <message>
        <source>Update server address</source>
        <translation>Adres serwera aktualizacji</translation>
    </message>
    <message>
        <source>When the drawing is loaded:</source>
        <translation>Po wczytaniu rysunku:</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Edytuj</translation>
    </message>
    <message>
        <source>only if loaded from command-line</source>
        <translation>tylko z wiersza poleceń</translation>
    </message>
    <message>
        <source>Auto-join</source>
        <translation>Automatyczne łączenie</translation>
    </message>
    <message>
        <source>Save as</source>
        <translation>Zapisz jako</translation>
    </message>
    <message>
        <source>Exit application</source>
        <translation>Zakończ program</translation>
    </message>
    <message>
        <source>Format options</source>
        <translation>Opcje formatów</translation>
    </message>
    <message>
        <source>Plotter units</source>
        <translation>Jednostki plotera</translation>
    </message>
    <message>
        <source>per inch</source>
        <translation>na cal</translation>
    </message>
    <message>
        <source>Automatic weld</source>
        <translation>Automatyczne scalanie</translation>
    </message>
    <message>
        <source>Combine overlapping objects of the same color</source>
        <translation>Łącz nakładające się obiekty w tym samym kolorze</translation>
    </message>
    <message>
        <source>Initial G-Codes</source>
        <translation>G-code na początku</translation>
    </message>
    <message>
        <source>Finishing G-Codes</source>
        <translation>G-code na końcu</translation>
    </message>
    <message>
        <source>X axis name</source>
        <translation>Nazwa osi X</translation>
    </message>
    <message>
        <source>Y axis name</source>
        <translation>Nazwa osi Y</translation>
    </message>
    <message>
        <source>Output units</source>
        <translation>Jednostki wyjściowe</translation>
    </message>
    <message>
        <source>Spline segments (resolution)</source>
        <translation>Odcinki splajnów (rozdzielczość)</translation>
    </message>
    <message>
        <source>as in file</source>
        <translation>jak w pliku</translation>
    </message>
    <message>
        <source>Automatic welding</source>
        <translation>Automatyczne scalanie</translation>
    </message>
    <message>
        <source>Automatic welding precision</source>
        <translation>Dokładność automatycznego scalania</translation>
    </message>
    <message>
        <source>Ignore polyline &quot;closed&quot; flag</source>
        <translation>Ignoruj flagę „zamknięta” polilinii</translation>
    </message>
    <message>
        <source>Draw block contents wherever the drawing places them</source>
        <translation>Rysuj bloki wszędzie, gdzie rysunek je wstawia</translation>
    </message>
    <message>
        <source>Refuse files with more points than</source>
        <translation>Odrzucaj pliki z liczbą punktów większą niż</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ustawienia</translation>
    </message>
    <message>
        <source>millimeters</source>
        <translation>milimetry</translation>
    </message>
    <message>
        <source>centimeters</source>
        <translation>centymetry</translation>
    </message>
    <message>
        <source>meters</source>
        <translation>metry</translation>
    </message>
    <message>
        <source>inches</source>
        <translation>cale</translation>
    </message>
    <message>
        <source>top left corner</source>
        <translation>lewy górny róg</translation>
    </message>
    <message>
        <source>top center</source>
        <translation>środek górnej krawędzi</translation>
    </message>
    <message>
        <source>top right corner</source>
        <translation>prawy górny róg</translation>
    </message>
    <message>
        <source>middle left</source>
        <translation>środek lewej krawędzi</translation>
    </message>
    <message>
        <source>center</source>
        <translation>środek</translation>
    </message>
    <message>
        <source>middle right</source>
        <translation>środek prawej krawędzi</translation>
    </message>
    <message>
        <source>bottom left corner</source>
        <translation>lewy dolny róg</translation>
    </message>
    <message>
        <source>bottom center</source>
        <translation>środek dolnej krawędzi</translation>
    </message>
    <message>
        <source>bottom right corner</source>
        <translation>prawy dolny róg</translation>
    </message>
    <message>
        <source> relative to drawing&apos;s %1</source>
        <translation> względem rysunku (%1)</translation>
    </message>
    <message>
        <source>Move drawing %1 %2</source>
        <translation>Przesuń rysunek %1 %2</translation>
    </message>
    <message>
        <source>by</source>
        <translation>o</translation>
    </message>
    <message>
        <source>to</source>
        <translation>do</translation>
    </message>
    <message>
        <source>X: %1 Y: %2</source>
        <translation>X: %1 Y: %2</translation>
    </message>
    <message>
        <source>Set cutting path start position to X: %1 Y: %2%3</source>
        <translation>Ustaw początek cięcia na X: %1 Y: %2%3</translation>
    </message>
    <message>
        <source>Set anchor to X: %1 Y: %2%3</source>
        <translation>Ustaw punkt zaczepienia na X: %1 Y: %2%3</translation>
    </message>
    <message>
        <source>Set default saving file path</source>
        <translation>Ustaw domyślną ścieżkę zapisu</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Przesuń rysunek</translation>
    </message>
    <message>
        <source>Set start point</source>
        <translation>Ustaw punkt startowy</translation>
    </message>
    <message>
        <source>Set anchor</source>
        <translation>Ustaw punkt zaczepienia</translation>
    </message>
    <message>
        <source>Empty: no connection</source>
        <translation>Puste: bez połączenia</translation>
    </message>
    <message>
        <source>Empty: vendor server + /update</source>
        <translation>Puste: serwer producenta + /update</translation>
    </message>
</context>
</TS>

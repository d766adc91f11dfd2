<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>BrenmoorInstaller</name>
    <message>
        <source>%1 uninstallation</source>
        <translation>Dezinstalacja %1</translation>
    </message>
    <message>
        <source>%1 installation</source>
        <translation>Instalacja %1</translation>
    </message>
    <message>
        <source>Uninstall path:</source>
        <translation>Ścieżka dezinstalacji:</translation>
    </message>
    <message>
        <source>Install path:</source>
        <translation>Ścieżka instalacji:</translation>
    </message>
    <message>
        <source>change</source>
        <translation>zmień</translation>
    </message>
    <message>
        <source>Menu Start shortcut</source>
        <translation>Skrót w menu Start</translation>
    </message>
    <message>
        <source>Desktop shortcut</source>
        <translation>Skrót na pulpicie</translation>
    </message>
    <message>
        <source>I have read and accepted &lt;a href=&quot;#&quot; style=&quot;color:#fbcb31&quot;&gt;license agreement&lt;/a&gt;.</source>
        <translation>Przeczytałem i akceptuję &lt;a href=&quot;#&quot; style=&quot;color:#fbcb31&quot;&gt;umowę licencyjną&lt;/a&gt;.</translation>
    </message>
    <message>
        <source>Installation complete! Check out also our other products:</source>
        <translation>Instalacja zakończona! Zobacz także nasze inne produkty:</translation>
    </message>
    <message>
        <source>Run application</source>
        <translation>Uruchom aplikację</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Odinstaluj</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Instaluj</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Zakończ</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Uninstallation</source>
        <translation>Dezinstalacja</translation>
    </message>
    <message>
        <source>You are about to uninstall %1! Do you really want to do this?</source>
        <translation>Zamierzasz odinstalować %1! Czy na pewno chcesz to zrobić?</translation>
    </message>
    <message>
        <source>Uninstallation finished! Check out our other products:</source>
        <translation>Dezinstalacja zakończona! Zobacz nasze inne produkty:</translation>
    </message>
    <message>
        <source>License agreement</source>
        <translation>Umowa licencyjna</translation>
    </message>
    <message>
        <source>Select installation directory</source>
        <translation>Wybierz folder instalacji</translation>
    </message>
</context>
<context>
    <name>installer</name>
    <message>
        <source>Cannot create directory &quot;%1&quot;!</source>
        <translation>Nie można utworzyć folderu &quot;%1&quot;!</translation>
    </message>
    <message>
        <source>Cannot copy file &quot;%1&quot;!</source>
        <translation>Nie można skopiować pliku &quot;%1&quot;!</translation>
    </message>
    <message>
        <source>Cannot write file &quot;%1&quot;!</source>
        <translation>Nie można zapisać pliku &quot;%1&quot;!</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Odinstaluj</translation>
    </message>
    <message>
        <source>Removes %1, its settings and its shortcuts from this computer</source>
        <translation>Usuwa program %1 wraz z ustawieniami i skrótami z tego komputera</translation>
    </message>
</context>
</TS>

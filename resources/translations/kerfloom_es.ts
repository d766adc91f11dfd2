<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>About</name>
    <message>
        <source>About Kerfloom</source>
        <translation>Acerca de Kerfloom</translation>
    </message>
    <message>
        <source>Check out our other products:</source>
        <translation>Descubra nuestros otros productos:</translation>
    </message>
</context>
<context>
    <name>BaseFormat</name>
    <message>
        <source>All supported files (*.plt *.dxf *.tap *.svg *.svgz *.kfp)</source>
        <translation>Todos los archivos compatibles (*.plt *.dxf *.tap *.svg *.svgz *.kfp)</translation>
    </message>
    <message>
        <source>HPGL files (*.plt)</source>
        <translation>Archivos HPGL (*.plt)</translation>
    </message>
    <message>
        <source>G-Code (*.tap)</source>
        <translation>Código G (*.tap)</translation>
    </message>
    <message>
        <source>AutoCAD (*.dxf)</source>
        <translation>AutoCAD (*.dxf)</translation>
    </message>
    <message>
        <source>Scalable Vector Graphics (*.svg *.svgz)</source>
        <translation>Gráficos vectoriales SVG (*.svg *.svgz)</translation>
    </message>
    <message>
        <source>Kerfloom project (*.kfp)</source>
        <translation>Proyecto Kerfloom (*.kfp)</translation>
    </message>
    <message>
        <source>All supported files (*.tap *.dxf *.svg *.plt *.kfp)</source>
        <translation>Todos los archivos compatibles (*.tap *.dxf *.svg *.plt *.kfp)</translation>
    </message>
    <message>
        <source>Scalable Vector Graphics (*.svg)</source>
        <translation>Gráficos vectoriales SVG (*.svg)</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>Join objects</source>
        <translation>Unir objetos</translation>
    </message>
    <message>
        <source>Remove joint</source>
        <translation>Eliminar unión</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>Añadir punto</translation>
    </message>
    <message>
        <source>Set object direction</source>
        <translation>Establecer dirección del objeto</translation>
    </message>
    <message>
        <source>Rotate left</source>
        <translation>Girar a la izquierda</translation>
    </message>
    <message>
        <source>Rotate right</source>
        <translation>Girar a la derecha</translation>
    </message>
    <message>
        <source>Flip vertically</source>
        <translation>Voltear verticalmente</translation>
    </message>
    <message>
        <source>Flip horizontally</source>
        <translation>Voltear horizontalmente</translation>
    </message>
    <message>
        <source>Reverse object</source>
        <translation>Invertir objeto</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Mover dibujo</translation>
    </message>
    <message>
        <source>Set start position</source>
        <translation>Establecer posición inicial</translation>
    </message>
    <message>
        <source>Set anchor</source>
        <translation>Establecer anclaje</translation>
    </message>
</context>
<context>
    <name>DrawingElements</name>
    <message>
        <source>Starting point</source>
        <translation>Punto de inicio</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>Añadir punto</translation>
    </message>
    <message>
        <source>Set object direction</source>
        <translation>Dirección del objeto</translation>
    </message>
    <message>
        <source>Clockwise</source>
        <translation>Sentido horario</translation>
    </message>
    <message>
        <source>Counter-clockwise</source>
        <translation>Sentido antihorario</translation>
    </message>
</context>
<context>
    <name>GeometryOperation</name>
    <message>
        <source>Auto-join</source>
        <translation>Unión automática</translation>
    </message>
</context>
<context>
    <name>GetPointDialog</name>
    <message>
        <source>Relative to drawing: </source>
        <translation>Relativo al dibujo: </translation>
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
        <translation>Establecer anclaje</translation>
    </message>
</context>
<context>
    <name>KFStartPage</name>
    <message>
        <source>Recent files</source>
        <translation>Archivos recientes</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Abrir archivo</translation>
    </message>
</context>
<context>
    <name>Kerfloom</name>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Abrir</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Guardar</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Guardar como...</translation>
    </message>
    <message>
        <source>Ctrl+Shift+S</source>
        <translation>Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>&amp;Auto join</source>
        <translation>&amp;Unión automática</translation>
    </message>
    <message>
        <source>Auto join vectors</source>
        <translation>Unir automáticamente los vectores</translation>
    </message>
    <message>
        <source>Ctrl+A</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>Girar a la izquierda</translation>
    </message>
    <message>
        <source>Rotate drawing left</source>
        <translation>Girar el dibujo a la izquierda</translation>
    </message>
    <message>
        <source>Rotate right</source>
        <translation>Girar a la derecha</translation>
    </message>
    <message>
        <source>Rotate drawing right</source>
        <translation>Girar el dibujo a la derecha</translation>
    </message>
    <message>
        <source>Flip vertically</source>
        <translation>Voltear verticalmente</translation>
    </message>
    <message>
        <source>Flip drawing vertically</source>
        <translation>Voltear el dibujo verticalmente</translation>
    </message>
    <message>
        <source>Flip horizontally</source>
        <translation>Voltear horizontalmente</translation>
    </message>
    <message>
        <source>Flip drawing horizontally</source>
        <translation>Voltear el dibujo horizontalmente</translation>
    </message>
    <message>
        <source>Reverse object</source>
        <translation>Invertir objeto</translation>
    </message>
    <message>
        <source>Reverse object direction</source>
        <translation>Invertir la dirección del objeto</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Set position</source>
        <translation>Establecer posición</translation>
    </message>
    <message>
        <source>Set drawing position</source>
        <translation>Establecer la posición del dibujo</translation>
    </message>
    <message>
        <source>Set starting point</source>
        <translation>Establecer punto de inicio</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Close All</source>
        <translation>Cerrar todo</translation>
    </message>
    <message>
        <source>Simulate</source>
        <translation>Simular</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Preferencias</translation>
    </message>
    <message>
        <source>About Kerfloom</source>
        <translation>Acerca de Kerfloom</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Deshacer</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Rehacer</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>Open recent</source>
        <translation>Abrir recientes</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Editar</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>A&amp;cerca de</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>Principal</translation>
    </message>
    <message>
        <source>Simulation speed</source>
        <translation>Velocidad de simulación</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Alejar</translation>
    </message>
    <message>
        <source>Fit in view</source>
        <translation>Ajustar a la vista</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Acercar</translation>
    </message>
    <message>
        <source>Drawing contains open shapes!</source>
        <translation>¡El dibujo contiene formas abiertas!</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Listo</translation>
    </message>
    <message>
        <source>&amp;Undo %1</source>
        <translation>&amp;Deshacer: %1</translation>
    </message>
    <message>
        <source>&amp;Redo %1</source>
        <translation>&amp;Rehacer: %1</translation>
    </message>
    <message>
        <source>Object has been reversed</source>
        <translation>Se ha invertido el objeto</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Mover dibujo</translation>
    </message>
    <message>
        <source>Set start position</source>
        <translation>Establecer posición inicial</translation>
    </message>
    <message>
        <source>Stop simulation</source>
        <translation>Detener simulación</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Inicio</translation>
    </message>
    <message>
        <source>Open drawing</source>
        <translation>Abrir dibujo</translation>
    </message>
    <message>
        <source>The file name is empty!</source>
        <translation>¡El nombre del archivo está vacío!</translation>
    </message>
    <message>
        <source>File &quot;%1&quot; doesn&apos;t exist!</source>
        <translation>¡El archivo &quot;%1&quot; no existe!</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a regular file!</source>
        <translation>¡&quot;%1&quot; no es un archivo normal!</translation>
    </message>
    <message>
        <source>Cannot open file</source>
        <translation>No se puede abrir el archivo</translation>
    </message>
    <message>
        <source>Loading %1</source>
        <translation>Cargando %1</translation>
    </message>
    <message>
        <source>Failed to load &quot;%1&quot;!</source>
        <translation>¡No se pudo cargar &quot;%1&quot;!</translation>
    </message>
    <message>
        <source>Cannot save file</source>
        <translation>No se puede guardar el archivo</translation>
    </message>
    <message>
        <source>&quot;Actions/SaveAsPath&quot; is empty: &quot;%1&quot; was not saved!</source>
        <translation>&quot;Actions/SaveAsPath&quot; está vacío: ¡&quot;%1&quot; no se ha guardado!</translation>
    </message>
    <message>
        <source>Output overwritten</source>
        <translation>Salida sobrescrita</translation>
    </message>
    <message>
        <source>&quot;%1&quot; and &quot;%2&quot; both save to &quot;%3&quot;: the output of the first was overwritten!</source>
        <translation>&quot;%1&quot; y &quot;%2&quot; se guardan en &quot;%3&quot;: ¡la salida del primero se ha sobrescrito!</translation>
    </message>
    <message>
        <source>Linking objects</source>
        <translation>Uniendo objetos</translation>
    </message>
    <message>
        <source>Save drawing</source>
        <translation>Guardar dibujo</translation>
    </message>
    <message>
        <source>Confirm Save As</source>
        <translation>Confirmar guardado</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists.
Do you want to replace it?</source>
        <translation>&quot;%1&quot; ya existe.
¿Desea reemplazarlo?</translation>
    </message>
    <message>
        <source>No save path is set: &quot;%1&quot; was not saved!</source>
        <translation>No hay ruta de guardado: ¡&quot;%1&quot; no se ha guardado!</translation>
    </message>
    <message>
        <source>Are you sure?</source>
        <translation>¿Está seguro?</translation>
    </message>
    <message>
        <source>The drawing contains unconnected objects. Are you sure you want to save?</source>
        <translation>El dibujo contiene objetos sin unir. ¿Seguro que desea guardarlo?</translation>
    </message>
    <message>
        <source>Failed to save &quot;%1&quot;!</source>
        <translation>¡No se pudo guardar &quot;%1&quot;!</translation>
    </message>
    <message>
        <source>Saved to &quot;%1&quot;</source>
        <translation>Guardado en &quot;%1&quot;</translation>
    </message>
    <message>
        <source>You have unsaved changes</source>
        <translation>Hay cambios sin guardar</translation>
    </message>
    <message>
        <source>Do you want to save changes in &quot;%1&quot;?</source>
        <translation>¿Desea guardar los cambios en &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>Close all</source>
        <translation>Cerrar todo</translation>
    </message>
    <message>
        <source>Close other</source>
        <translation>Cerrar los demás</translation>
    </message>
    <message>
        <source>Copy file path</source>
        <translation>Copiar ruta del archivo</translation>
    </message>
    <message>
        <source>Open containing folder</source>
        <translation>Abrir la carpeta del archivo</translation>
    </message>
    <message>
        <source>Objects: %1, Points: %2</source>
        <translation>Objetos: %1, puntos: %2</translation>
    </message>
    <message>
        <source>Drawing dimensions: %1 x %2</source>
        <translation>Dimensiones del dibujo: %1 x %2</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>Buscar actualizaciones</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Buscando actualizaciones...</translation>
    </message>
    <message>
        <source>Cannot save settings</source>
        <translation>No se puede guardar la configuración</translation>
    </message>
    <message>
        <source>The settings could not be written to &quot;%1&quot;. They apply until Kerfloom is closed.</source>
        <translation>No se pudo escribir la configuración en &quot;%1&quot;. Se aplicará hasta que cierre Kerfloom.</translation>
    </message>
    <message>
        <source>No file manager could show &quot;%1&quot;</source>
        <translation>Ningún gestor de archivos pudo mostrar &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>QuestionDialog</name>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Sí</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Cancelar</translation>
    </message>
</context>
<context>
    <name>UpdateSystem</name>
    <message>
        <source>Kerfloom is up to date</source>
        <translation>Kerfloom está actualizado</translation>
    </message>
    <message>
        <source>Update installed, files replaced: %1; restart Kerfloom to use it</source>
        <translation>Actualización instalada, archivos reemplazados: %1; reinicie Kerfloom para usarla</translation>
    </message>
    <message>
        <source>Update failed: %1</source>
        <translation>Error en la actualización: %1</translation>
    </message>
    <message>
        <source>No update server is configured</source>
        <translation>No hay ningún servidor de actualizaciones configurado</translation>
    </message>
    <message>
        <source>Update downloaded but not installed: %1</source>
        <translation>Actualización descargada pero no instalada: %1</translation>
    </message>
    <message>
        <source>files not downloaded: %1</source>
        <translation>archivos no descargados: %1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>no se puede escribir %1</translation>
    </message>
    <message>
        <source>the updater could not be started</source>
        <translation>no se pudo iniciar el actualizador</translation>
    </message>
    <message>
        <source>files not replaced: %1</source>
        <translation>archivos no reemplazados: %1</translation>
    </message>
    <message>
        <source>Error launching updater.</source>
        <translation>Error al iniciar el actualizador.</translation>
    </message>
    <message>
        <source>The application updater cannot be started. Run the program as Administrator or download new version from our website.</source>
        <translation>No se puede iniciar el actualizador de la aplicación. Ejecute el programa como administrador o descargue la nueva versión desde nuestro sitio web.</translation>
    </message>
</context>
<context>
    <name>kerfloom::CrashReporter</name>
    <message>
        <source>Crash reporting</source>
        <translation>Informe de fallos</translation>
    </message>
    <message>
        <source>&lt;b&gt;Kerfloom&lt;/b&gt; has stopped working</source>
        <translation>&lt;b&gt;Kerfloom&lt;/b&gt; ha dejado de funcionar</translation>
    </message>
    <message>
        <source>There was an error in the application and it can&apos;t stay running any longer.</source>
        <translation>Se ha producido un error en la aplicación y no puede seguir ejecutándose.</translation>
    </message>
    <message>
        <source>Crash report has been generated and you can send it to our developers. Every submission is treated anonymously and the report doesn&apos;t contain any confidential information.</source>
        <translation>Se ha generado un informe del fallo que puede enviar a nuestros desarrolladores. Todos los envíos se tratan de forma anónima y el informe no contiene información confidencial.</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Comentario</translation>
    </message>
    <message>
        <source>Your e-mail address (optional):</source>
        <translation>Su dirección de correo electrónico (opcional):</translation>
    </message>
    <message>
        <source>Details...</source>
        <translation>Detalles...</translation>
    </message>
    <message>
        <source>Add comment</source>
        <translation>Añadir comentario</translation>
    </message>
    <message>
        <source>Send report</source>
        <translation>Enviar informe</translation>
    </message>
    <message>
        <source>Close application</source>
        <translation>Cerrar la aplicación</translation>
    </message>
    <message>
        <source>Restart application</source>
        <translation>Reiniciar la aplicación</translation>
    </message>
    <message>
        <source>Report details</source>
        <translation>Detalles del informe</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valor</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Kerfloom has failed to restart itself.</source>
        <translation>Kerfloom no ha podido reiniciarse.</translation>
    </message>
    <message>
        <source>Kerfloom has failed to restart itself. Please do it manually.</source>
        <translation>Kerfloom no ha podido reiniciarse. Reinícielo manualmente.</translation>
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
        <translation>%o - ruta completa del archivo
%p - ruta completa de la carpeta
%d - nombre de la carpeta
%f - nombre del archivo sin extensión
%e - extensión del archivo</translation>
    </message>
    <message>
        <source>Application settings</source>
        <translation>Configuración de la aplicación</translation>
    </message>
    <message>
        <source>General</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Acciones</translation>
    </message>
    <message>
        <source>Formats</source>
        <translation>Formatos</translation>
    </message>
    <message>
        <source>Drawing</source>
        <translation>Dibujo</translation>
    </message>
    <message>
        <source>Scale line size</source>
        <translation>Escalar el grosor de las líneas</translation>
    </message>
    <message>
        <source>Scale point size</source>
        <translation>Escalar el tamaño de los puntos</translation>
    </message>
    <message>
        <source>Show points</source>
        <translation>Mostrar los puntos</translation>
    </message>
    <message>
        <source>Draw direction arrows</source>
        <translation>Dibujar flechas de dirección</translation>
    </message>
    <message>
        <source>Treat shape as closed when distance from first to last point is less than</source>
        <translation>Considerar cerrada una forma si sus extremos distan menos de</translation>
    </message>
    <message>
        <source>Warn if there are non-closed shapes</source>
        <translation>Avisar si hay formas abiertas</translation>
    </message>
    <message>
        <source>Duplicate non-closed shapes when linking</source>
        <translation>Duplicar las formas abiertas al unir</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Unidades</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>Guardado</translation>
    </message>
    <message>
        <source>Default save path</source>
        <translation>Ruta de guardado predeterminada</translation>
    </message>
    <message>
        <source>Ask before closing unsaved files</source>
        <translation>Preguntar antes de cerrar archivos sin guardar</translation>
    </message>
    <message>
        <source>Warn when saving drawing with more than 1 object</source>
        <translation>Avisar al guardar un dibujo con más de 1 objeto</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Empty: the program never connects to the vendor&apos;s server</source>
        <translation>Vacío: el programa nunca se conecta al servidor del fabricante</translation>
    </message>
    <message>
        <source>Vendor server address</source>
        <translation>Servidor del fabricante</translation>
    </message>
    <message>
        <source>Empty: the vendor server&apos;s address followed by /update</source>
        <translation>Vacío: la dirección del servidor del fabricante seguida de /update</translation>
    </message>
    <message>
        <source>Update server address</source>
        <translation>Servidor de actualizaciones</translation>
    </message>
    <message>
        <source>When the drawing is loaded:</source>
        <translation>Al cargar el dibujo:</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Editar</translation>
    </message>
    <message>
        <source>only if loaded from command-line</source>
        <translation>solo desde la línea de comandos</translation>
    </message>
    <message>
        <source>Auto-join</source>
        <translation>Unión automática</translation>
    </message>
    <message>
        <source>Save as</source>
        <translation>Guardar como</translation>
    </message>
    <message>
        <source>Exit application</source>
        <translation>Salir de la aplicación</translation>
    </message>
    <message>
        <source>Format options</source>
        <translation>Opciones de formato</translation>
    </message>
    <message>
        <source>Plotter units</source>
        <translation>Unidades del plóter</translation>
    </message>
    <message>
        <source>per inch</source>
        <translation>por pulgada</translation>
    </message>
    <message>
        <source>Automatic weld</source>
        <translation>Soldadura automática</translation>
    </message>
    <message>
        <source>Combine overlapping objects of the same color</source>
        <translation>Combinar los objetos superpuestos del mismo color</translation>
    </message>
    <message>
        <source>Initial G-Codes</source>
        <translation>Códigos G iniciales</translation>
    </message>
    <message>
        <source>Finishing G-Codes</source>
        <translation>Códigos G finales</translation>
    </message>
    <message>
        <source>X axis name</source>
        <translation>Nombre del eje X</translation>
    </message>
    <message>
        <source>Y axis name</source>
        <translation>Nombre del eje Y</translation>
    </message>
    <message>
        <source>Output units</source>
        <translation>Unidades de salida</translation>
    </message>
    <message>
        <source>Spline segments (resolution)</source>
        <translation>Segmentos de spline (resolución)</translation>
    </message>
    <message>
        <source>as in file</source>
        <translation>como en el archivo</translation>
    </message>
    <message>
        <source>Automatic welding</source>
        <translation>Soldadura automática</translation>
    </message>
    <message>
        <source>Automatic welding precision</source>
        <translation>Precisión de la soldadura automática</translation>
    </message>
    <message>
        <source>Ignore polyline &quot;closed&quot; flag</source>
        <translation>Ignorar el indicador &quot;cerrada&quot; de las polilíneas</translation>
    </message>
    <message>
        <source>Draw block contents wherever the drawing places them</source>
        <translation>Dibujar los bloques allí donde el dibujo los inserte</translation>
    </message>
    <message>
        <source>Refuse files with more points than</source>
        <translation>Rechazar archivos con más puntos que</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>millimeters</source>
        <translation>milímetros</translation>
    </message>
    <message>
        <source>centimeters</source>
        <translation>centímetros</translation>
    </message>
    <message>
        <source>meters</source>
        <translation>metros</translation>
    </message>
    <message>
        <source>inches</source>
        <translation>pulgadas</translation>
    </message>
    <message>
        <source>top left corner</source>
        <translation>esquina superior izquierda</translation>
    </message>
    <message>
        <source>top center</source>
        <translation>centro superior</translation>
    </message>
    <message>
        <source>top right corner</source>
        <translation>esquina superior derecha</translation>
    </message>
    <message>
        <source>middle left</source>
        <translation>centro izquierdo</translation>
    </message>
    <message>
        <source>center</source>
        <translation>centro</translation>
    </message>
    <message>
        <source>middle right</source>
        <translation>centro derecho</translation>
    </message>
    <message>
        <source>bottom left corner</source>
        <translation>esquina inferior izquierda</translation>
    </message>
    <message>
        <source>bottom center</source>
        <translation>centro inferior</translation>
    </message>
    <message>
        <source>bottom right corner</source>
        <translation>esquina inferior derecha</translation>
    </message>
    <message>
        <source> relative to drawing&apos;s %1</source>
        <translation> respecto al dibujo (%1)</translation>
    </message>
    <message>
        <source>Move drawing %1 %2</source>
        <translation>Mover el dibujo %1 %2</translation>
    </message>
    <message>
        <source>by</source>
        <translation>en</translation>
    </message>
    <message>
        <source>to</source>
        <translation>a</translation>
    </message>
    <message>
        <source>X: %1 Y: %2</source>
        <translation>X: %1 Y: %2</translation>
    </message>
    <message>
        <source>Set cutting path start position to X: %1 Y: %2%3</source>
        <translation>Establecer el inicio del corte en X: %1 Y: %2%3</translation>
    </message>
    <message>
        <source>Set anchor to X: %1 Y: %2%3</source>
        <translation>Establecer el anclaje en X: %1 Y: %2%3</translation>
    </message>
    <message>
        <source>Set default saving file path</source>
        <translation>Establecer la ruta de guardado predeterminada</translation>
    </message>
    <message>
        <source>Move drawing</source>
        <translation>Mover dibujo</translation>
    </message>
    <message>
        <source>Set start point</source>
        <translation>Establecer punto de inicio</translation>
    </message>
    <message>
        <source>Set anchor</source>
        <translation>Establecer anclaje</translation>
    </message>
    <message>
        <source>Empty: no connection</source>
        <translation>Vacío: sin conexión</translation>
    </message>
    <message>
        <source>Empty: vendor server + /update</source>
        <translation>Vacío: servidor del fabricante + /update</translation>
    </message>
</context>
</TS>

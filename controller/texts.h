#pragma once

#include <QString>

// The controller's own Spanish texts that are not fixed elsewhere, in one
// place so the window and the command line say the same.
namespace cutdeck::texts {

inline QString title()
{
    return QStringLiteral("Pelgor SRL");
}

inline QString stallNotice(int seconds, qint64 lineNumber)
{
    return QStringLiteral("La máquina no responde: sin \"ok\" desde hace %1 s (línea %2)").arg(seconds).arg(lineNumber);
}

inline QString stallCleared()
{
    return QStringLiteral("La máquina responde de nuevo");
}

inline QString progress(qint64 done, qint64 total)
{
    return QStringLiteral("Líneas confirmadas: %1 de %2").arg(done).arg(total);
}

inline QString streamFinished(qint64 total)
{
    return QStringLiteral("Archivo enviado: %1 líneas confirmadas").arg(total);
}

inline QString portLost(qint64 acknowledged, qint64 total)
{
    return QStringLiteral("Se perdió la conexión con la máquina. Última línea confirmada: %1 de %2.")
        .arg(acknowledged)
        .arg(total);
}

inline QString interrupted(qint64 acknowledged, qint64 total)
{
    return QStringLiteral("Envío interrumpido. Última línea confirmada: %1 de %2.").arg(acknowledged).arg(total);
}

} // namespace cutdeck::texts

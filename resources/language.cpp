#include "resources/language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace kerfloom {

namespace {
struct Translators
{
    QTranslator qt;
    QTranslator program;
    QString suffix;
};

Translators &translators()
{
    static Translators t;
    return t;
}

QString suffixFor(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Italian: return QStringLiteral("it");
    case QLocale::Polish: return QStringLiteral("pl");
    case QLocale::Spanish: return QStringLiteral("es");
    default: return {};
    }
}
} // namespace

void installLanguage(const QLocale &locale)
{
    Translators &t = translators();
    // Removing and installing again is what sends LanguageChange; loading
    // into an installed translator would change texts without telling anyone.
    QCoreApplication::removeTranslator(&t.qt);
    QCoreApplication::removeTranslator(&t.program);
    t.suffix = suffixFor(locale);
    if (t.suffix.isEmpty()) {
        // An empty load clears what a previous language left behind.
        (void)t.qt.load(QString());
        (void)t.program.load(QString());
    } else {
        const QString base = QStringLiteral(":/Kerfloom/Resources/");
        (void)t.qt.load(base + QStringLiteral("qt_") + t.suffix + QStringLiteral(".qm"));
        (void)t.program.load(base + QStringLiteral("kerfloom_") + t.suffix + QStringLiteral(".qm"));
    }
    QCoreApplication::installTranslator(&t.qt);
    QCoreApplication::installTranslator(&t.program);
    QLocale::setDefault(locale);
}

QString installedLanguage()
{
    return translators().suffix;
}

} // namespace kerfloom

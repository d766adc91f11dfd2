// Stand-in for the installer wizard until it exists: it shows (or, with
// "/quiet", prints) where the setup unpacked the programs. Being a Qt program
// that loads its libraries and platform plugin from beside itself, it also
// proves that the payload's runtime files are complete.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTextStream>

int main(int argc, char **argv)
{
    const bool quiet = argc > 1 && QByteArray(argv[1]) == "/quiet";
    const QString text = QStringLiteral("The installation wizard is not part of this build yet.\n"
                                        "The programs were unpacked to:\n%1")
                             .arg(QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("app"))));
    if (quiet) {
        QTextStream(stdout) << text << '\n';
        return 0;
    }
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Kerfloom installation"), text, QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? 0 : 1;
}

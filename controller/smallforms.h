#pragma once

#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace cutdeck {

QString programVersion();
// The maker's web page named in the about form.
QString makerWebPage();

// frmSplash: shown at start; gives way when its timer fires or a key is
// pressed (finished is emitted once).
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(int milliseconds = 2500, QWidget *parent = nullptr);

signals:
    void finished();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void done();

    QTimer Timer1;
    bool m_done = false;
};

// frmSobre, "Sobre nosotros...": the version and the maker's web page.
class frmSobre : public QDialog
{
    Q_OBJECT
public:
    explicit frmSobre(QWidget *parent = nullptr);
};

} // namespace cutdeck

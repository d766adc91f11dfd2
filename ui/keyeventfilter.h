#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class QKeyEvent;

// Turns application-wide keys and file drops into command signals for the
// window that installs it.
class KeyEventFilter : public QObject
{
    Q_OBJECT
public:
    explicit KeyEventFilter(QObject *parent = nullptr) : QObject(parent) {}

signals:
    void KeyPressed(QObject *obj, QKeyEvent *ev);
    void FilesDropped(QList<QUrl> urls);
    void CopyCommand();
    void DeleteCommand();
    void AcceptCommand();
    void RejectCommand();

protected:
    bool eventFilter(QObject *obj, QEvent *event) override;
};

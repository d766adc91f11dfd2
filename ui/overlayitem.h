#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

// Covers the drawing view during a long operation: a frozen picture of the
// view under a white veil, an hourglass, the message and a progress bar.
class OverlayItem : public QWidget
{
    Q_OBJECT
public:
    explicit OverlayItem(QWidget *view);

    void showWithMessage(const QString &message);
    void hideOverlay();
    bool isBusy() const { return m_busy; }
    double progress() const { return m_progress; }
    void setProgress(double fraction);
    QString message() const { return m_message; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QWidget> m_view;
    bool m_busy = false;
    double m_progress = 0;
    QPixmap m_pixmap;
    QString m_message;
};

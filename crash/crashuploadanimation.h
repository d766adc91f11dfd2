#pragma once

#include <QTimer>
#include <QWidget>

namespace kerfloom {

// A turning arrow with a short text beside it, shown while the report uploads.
class CrashUploadAnimation : public QWidget
{
    Q_OBJECT
public:
    explicit CrashUploadAnimation(QWidget *parent = nullptr);

    void start();
    void setText(const QString &text);
    QString text() const { return m_text; }
    double angle() const { return m_angle; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    double m_angle = 0;
    QTimer m_timer;
};

} // namespace kerfloom

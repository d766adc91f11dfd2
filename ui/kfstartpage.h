#pragma once

#include <QPixmap>
#include <QWidget>

class QPushButton;
class QVBoxLayout;

// The page shown while no drawing is open: the splash picture, an "Open
// file" link and the five most recent files. It only asks the main window
// to open something.
class KFStartPage : public QWidget
{
    Q_OBJECT
public:
    explicit KFStartPage(QWidget *parent = nullptr);

    void addRecentFile(const QString &path);
    // The recent-file buttons, newest first.
    QList<QPushButton *> recentButtons() const;
    QPushButton *openButton() const { return m_openButton; }
    // The bold title font, made smaller when a translation of the title
    // would run past the panel behind it.
    static QFont titleFont(QFont base, const QString &title);
    static constexpr int titleLeft = 435, titleRight = 613;

signals:
    void openFile(QString str, bool isFromCmd, bool actuallyExit);

public slots:
    void buttonPressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QString m_title;
    QWidget *m_list;
    QVBoxLayout *m_listLayout;
    QPixmap m_pixmap;
    QPushButton *m_openButton;
    quint64 m_created = 0;
};
